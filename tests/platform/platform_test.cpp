// The platform layer's promises, on the headless backend: the queue and its paints, posting from
// other threads, default handling, activation, the timer, resources and the instance endpoint.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless_backend.h"
#include "platform/instance.h"

using namespace platform;

namespace {

std::vector<MSG> received;

LRESULT RecordingProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    received.push_back({hwnd, message, wParam, lParam});
    if (message == WM_DESTROY) {
        PostQuitMessage(7);
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class Queue : public ::testing::Test {
  protected:
    void SetUp() override {
        SetBackend(std::make_unique<HeadlessBackend>());
        received.clear();
        ASSERT_TRUE(RegisterClass({"QueueTest", RecordingProc, ""}));
        hwnd = CreateWindowEx("QueueTest", "test", {.width = 640, .height = 480});
        ASSERT_NE(hwnd, nullptr);
        Drain();
        received.clear();
    }
    void TearDown() override {
        DestroyWindow(hwnd);
        Drain();
        UnregisterClass("QueueTest");
        SetBackend(nullptr);
    }
    // Dispatches until nothing is left; returns the messages taken, WM_QUIT included.
    std::vector<unsigned> Drain() {
        std::vector<unsigned> taken;
        MSG msg;
        while (PeekMessage(&msg)) {
            taken.push_back(msg.message);
            if (msg.message != WM_QUIT) {
                DispatchMessage(msg);
            }
        }
        return taken;
    }
    HWND hwnd = nullptr;
};

TEST_F(Queue, CreationSendsWmCreateBeforeReturning) {
    received.clear();
    ASSERT_TRUE(RegisterClass({"Second", RecordingProc, ""}));
    HWND second = CreateWindowEx("Second", "t", {});
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front().message, WM_CREATE);
    EXPECT_EQ(received.front().hwnd, second);
    DestroyWindow(second);
    UnregisterClass("Second");
}

TEST_F(Queue, RepaintRequestsMergeIntoOnePaintAfterPostedMessages) {
    InvalidateRect(hwnd);
    PostMessage(hwnd, WM_USER, 0, 0);
    InvalidateRect(hwnd);
    PostMessage(hwnd, WM_USER, 0, 0);
    InvalidateRect(hwnd);
    EXPECT_EQ(Drain(), (std::vector<unsigned>{WM_USER, WM_USER, WM_PAINT}));
}

TEST_F(Queue, NoPaintWhileMinimisedAndOneWhenRestored) {
    NotifyActivation(hwnd, false, true);
    InvalidateRect(hwnd);
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_EQ(Drain(), std::vector<unsigned>{WM_ACTIVATE});
    NotifyActivation(hwnd, true, false);
    EXPECT_EQ(Drain(), (std::vector<unsigned>{WM_ACTIVATE, WM_PAINT}));
}

TEST_F(Queue, ActivationCarriesTheMinimisedFlagInTheHighHalf) {
    NotifyActivation(hwnd, true, false);
    NotifyActivation(hwnd, true, false);  // no change, no message
    NotifyActivation(hwnd, false, true);
    Drain();
    std::vector<WPARAM> activations;
    for (const MSG& m : received) {
        if (m.message == WM_ACTIVATE) {
            activations.push_back(m.wParam);
        }
    }
    EXPECT_EQ(activations, (std::vector<WPARAM>{WA_ACTIVE, WA_INACTIVE | MINIMISED_FLAG}));
}

TEST_F(Queue, CloseByDefaultHandlingDestroysTheWindowAndTheQuitCodeComesLast) {
    PostMessage(hwnd, WM_CLOSE, 0, 0);
    PostMessage(hwnd, WM_USER, 1, 0);
    MSG msg;
    std::vector<unsigned> order;
    while (GetMessage(&msg)) {
        order.push_back(msg.message);
        DispatchMessage(msg);
    }
    EXPECT_EQ(order, (std::vector<unsigned>{WM_CLOSE, WM_USER}));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(IsWindow(hwnd));
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[1].message, WM_DESTROY);
}

TEST_F(Queue, PostsFromOtherThreadsAllArriveAndWakeAWaitingLoop) {
    constexpr int threads = 4;
    constexpr int perThread = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i) {
                PostMessage(hwnd, WM_USER, static_cast<WPARAM>(t), i);
            }
        });
    }
    int count = 0;
    std::vector<LPARAM> last(threads, -1);
    MSG msg;
    while (count < threads * perThread && GetMessage(&msg)) {
        ASSERT_EQ(msg.message, WM_USER);
        EXPECT_EQ(msg.lParam, last[msg.wParam] + 1) << "each thread's posts keep their order";
        last[msg.wParam] = msg.lParam;
        ++count;
    }
    for (auto& p : posters) {
        p.join();
    }
    EXPECT_EQ(count, threads * perThread);
}

TEST(Timer, PeriodicCallbacksRepeatAndStopWhenKilled) {
    SetBackend(std::make_unique<HeadlessBackend>());
    static std::atomic<int> calls{0};
    calls = 0;
    const unsigned id = SetPeriodicTimer(
        5, 1, [](unsigned, unsigned, std::uintptr_t, std::uintptr_t, std::uintptr_t) { ++calls; },
        0);
    ASSERT_NE(id, 0u);
    // However loaded the machine, a periodic timer keeps calling back.
    for (int waited = 0; calls.load() < 5 && waited < 10000; waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    KillTimer(id);
    const int atKill = calls.load();
    EXPECT_GE(atKill, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(calls.load(), atKill) << "no callback after KillTimer returned";
    KillTimer(id);  // killing twice is harmless
    EXPECT_EQ(SetPeriodicTimer(0, 1, nullptr, 0), 0u);
    SetBackend(nullptr);
}

TEST(Resources, FoundByTypeAndNameWithoutRegardToCase) {
    const auto icon = FindResource("icon", "ICO");
    ASSERT_TRUE(icon.has_value());
    ASSERT_GE(icon->size(), 54u);
    EXPECT_EQ((*icon)[0], 'B');
    EXPECT_EQ((*icon)[1], 'M');
    EXPECT_FALSE(FindResource("BITMAP", "ico").has_value());
    EXPECT_FALSE(FindResource("ICON", "ic").has_value());
}

class Endpoint : public ::testing::Test {
  protected:
    std::string name = "PuckwindTest" + std::to_string(getpid());
};

TEST_F(Endpoint, OnlyOneProcessHoldsItAndOnlyCommandsAndClosePassThrough) {
    std::vector<std::pair<unsigned, WPARAM>> delivered;
    std::mutex lock;
    {
        auto endpoint = InstanceEndpoint::Claim(name, [&](unsigned m, WPARAM w) {
            std::lock_guard guard(lock);
            delivered.emplace_back(m, w);
        });
        ASSERT_NE(endpoint, nullptr);
        EXPECT_TRUE(InstanceExists(name));
        EXPECT_EQ(InstanceEndpoint::Claim(name, [](unsigned, WPARAM) {}), nullptr);
        EXPECT_EQ(SendToInstance(name, WM_COMMAND, 40002), SendResult::Delivered);
        EXPECT_EQ(SendToInstance(name, WM_CLOSE, 0), SendResult::Delivered);
        EXPECT_EQ(SendToInstance(name, WM_KEYDOWN, VK_ESCAPE), SendResult::Refused);
        EXPECT_EQ(SendToInstance(name, WM_USER, 0), SendResult::Refused);
    }
    EXPECT_FALSE(InstanceExists(name));
    EXPECT_EQ(SendToInstance(name, WM_COMMAND, 40001), SendResult::NoInstance);
    std::lock_guard guard(lock);
    EXPECT_EQ(delivered,
              (std::vector<std::pair<unsigned, WPARAM>>{{WM_COMMAND, 40002}, {WM_CLOSE, 0}}));
}

}  // namespace
