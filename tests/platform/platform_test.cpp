// The platform layer's promises on the headless backend: the queue, activation, windows freed when
// destroyed, the timer on a clock the test moves, resources and the instance endpoint.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog/dialog.h"
#include "platform/endpoint/endpoint.h"
#include "platform/headless_backend.h"
#include "platform/window/frame_pacer.h"

using namespace platform;
using namespace std::literals;

namespace {

std::vector<MSG> received;

LRESULT RecordingProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    received.push_back({hwnd, message, wParam, lParam});
    if (message == WM_DESTROY) {
        PostQuitMessage(7);
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// A clock that moves only when the test moves it, and knows when the timer's thread waits on it.
class ManualClock : public TimerClock {
  public:
    TimePoint Now() override {
        std::lock_guard guard(lock_);
        return now_;
    }
    bool WaitUntil(TimePoint when, std::stop_token stop) override {
        std::unique_lock guard(lock_);
        waitingFor_ = when;
        changed_.notify_all();
        const bool reached = changed_.wait(guard, stop, [&] { return now_ >= when; });
        waitingFor_.reset();
        return reached;
    }
    // Moves the clock on, with no timer to wait for.
    void Move(std::chrono::milliseconds by) {
        std::lock_guard guard(lock_);
        now_ += by;
    }
    // Moves the clock on; returns once the timer's thread has made the calls due and waits again.
    void Advance(std::chrono::milliseconds by) {
        std::unique_lock guard(lock_);
        now_ += by;
        changed_.notify_all();
        ASSERT_TRUE(changed_.wait_for(guard, 10s, [&] { return waitingFor_ > now_; }));
    }

    std::optional<TimePoint> waitingFor_;  // what the timer's thread waits for, if it waits

  private:
    std::mutex lock_;
    std::condition_variable_any changed_;
    TimePoint now_{};
};

class Queue : public ::testing::Test {
  public:
    void SetUp() override {
        SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Real, &clock));
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
            DispatchMessage(msg);  // a WM_QUIT goes to no window
        }
        return taken;
    }
    // What the procedures were given: the messages, or the wParams of one kind of message.
    static std::vector<WPARAM> Received(unsigned only = 0) {
        std::vector<WPARAM> seen;
        for (const MSG& m : received) {
            if (only == 0 || m.message == only) {
                seen.push_back(only == 0 ? m.message : m.wParam);
            }
        }
        return seen;
    }
    HWND hwnd = nullptr;
    ManualClock clock;
};

TEST_F(Queue, ActivationCarriesTheMinimisedFlagAndNoPaintComesWhileMinimised) {
    NotifyActivation(hwnd, true, false);
    NotifyActivation(hwnd, true, false);  // no change, no message
    EXPECT_EQ(Drain(), (std::vector<unsigned>{WM_ACTIVATE, WM_PAINT}));
    NotifyActivation(hwnd, false, true);
    InvalidateRect(hwnd);
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_EQ(Drain(), std::vector<unsigned>{WM_ACTIVATE});
    NotifyActivation(hwnd, true, false);
    EXPECT_EQ(Drain(), (std::vector<unsigned>{WM_ACTIVATE, WM_PAINT}));
    EXPECT_EQ(Received(WM_ACTIVATE),
              (std::vector<WPARAM>{WA_ACTIVE, WA_INACTIVE | MINIMISED_FLAG, WA_ACTIVE}));
}

TEST_F(Queue, CloseByDefaultHandlingDestroysTheWindowAndTheQuitCodeComesLast) {
    PostMessage(hwnd, WM_CLOSE, 0, 0);
    PostMessage(hwnd, WM_USER, 1, 0);     // goes with the window
    PostMessage(nullptr, WM_USER, 2, 0);  // for no window: still taken before the quit
    MSG msg;
    std::vector<std::pair<unsigned, WPARAM>> order;
    while (GetMessage(&msg)) {
        order.emplace_back(msg.message, msg.wParam);
        DispatchMessage(msg);
    }
    EXPECT_EQ(order, (std::vector<std::pair<unsigned, WPARAM>>{{WM_CLOSE, 0}, {WM_USER, 2}}));
    EXPECT_EQ(std::pair(msg.message, msg.wParam), std::pair(WM_QUIT, WPARAM{7}));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(Received(), (std::vector<WPARAM>{WM_CLOSE, WM_DESTROY}));
}

LRESULT EndAtOnce(HWND dialog, unsigned message, WPARAM, LPARAM) {
    received.push_back({dialog, message, 0, 0});
    if (message == WM_INITDIALOG) {
        PostMessage(dialog, WM_USER, 0, 0);  // still queued when the dialog has gone
        EndDialog(dialog, 5);
    }
    return 0;
}

TEST_F(Queue, DestroyedWindowsAreFreedAndNothingReachesThem) {
    ASSERT_TRUE(RegisterClass({"Second", RecordingProc, ""}));
    const std::size_t windows = WindowCount();
    HWND second = CreateWindowEx("Second", "t", {});
    EXPECT_EQ(Received(), std::vector<WPARAM>{WM_CREATE}) << "sent before CreateWindowEx returns";
    EXPECT_EQ(WindowCount(), windows + 1);
    PostMessage(second, WM_USER, 1, 0);
    DestroyWindow(second);
    PostMessage(second, WM_USER, 2, 0);
    EXPECT_EQ(SendMessage(second, WM_USER, 3, 0), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(DialogBoxParam("dlg_render", hwnd, EndAtOnce, 0), 5);
    }
    EXPECT_EQ(WindowCount(), windows);
    Drain();
    EXPECT_EQ(Received(WM_USER), std::vector<WPARAM>{}) << "a destroyed window was reached";
    UnregisterClass("Second");
}

TEST_F(Queue, PostsFromOtherThreadsAllArriveAndWakeAWaitingLoop) {
    const int threads = 4, perThread = 500;
    std::vector<std::jthread> posters;
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
    EXPECT_EQ(count, threads * perThread);
}

TEST_F(Queue, APacedWindowPaintsOnlyWhenAFrameIsAskedAndNoFasterThanTheRefresh) {
    clock.Move(1s);
    PaceFrames(hwnd, 50);  // 20 ms a frame
    EXPECT_EQ(Drain(), std::vector<unsigned>{}) << "nothing asked, nothing painted";
    // The first frames come at once; asked for while the clock stands, they are drawn back to
    // back faster than the refresh, so no swap waits for it: a steady clock paces them from then.
    for (int i = 0; i < 9; ++i) {
        RequestFrame(hwnd);
        EXPECT_EQ(Drain(), std::vector<unsigned>{WM_PAINT}) << i;
    }
    InvalidateRect(hwnd);
    EXPECT_EQ(Drain(), std::vector<unsigned>{});
    clock.Move(19ms);
    EXPECT_EQ(Drain(), std::vector<unsigned>{});
    clock.Move(1ms);
    EXPECT_EQ(Drain(), std::vector<unsigned>{WM_PAINT});
    // A pointer move asks for a frame only while the picture follows the pointer.
    for (const bool follow : {false, true}) {
        FollowPointer(hwnd, follow);
        clock.Move(20ms);
        PostMessage(hwnd, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(Drain(), follow ? (std::vector<unsigned>{WM_MOUSEMOVE, WM_PAINT})
                                  : std::vector<unsigned>{WM_MOUSEMOVE});
    }
}

TEST(FramePacer, LearnsWhetherTheSwapWaitsForTheRefreshElseKeepsASteadySchedule) {
    using TimePoint = FramePacer::TimePoint;
    const TimePoint t0 = TimePoint{} + 1s;
    // Eight frames back to back, each asked for while the one before was drawn: `apart` between
    // their starts, the swap ending each `swap` after its start.
    const auto backToBack = [&](FramePacer& pacer, std::chrono::milliseconds apart,
                                std::chrono::milliseconds swap) {
        for (int i = 0; i <= 8; ++i) {
            const TimePoint start = t0 + i * apart;
            pacer.Drew(start - apart / 2, start, start + swap);
        }
        return t0 + 8 * apart;
    };
    FramePacer waits(20ms);
    TimePoint last = backToBack(waits, 20ms, 19ms);
    EXPECT_EQ(waits.Pacing(), FramePacer::Sync::Swap);
    EXPECT_EQ(waits.Due(last + 19ms), last + 19ms) << "the swap paces the frames";
    EXPECT_EQ(waits.Due(last + 1ms), last + 10ms) << "but never above twice the rate";

    FramePacer clocked(20ms);
    last = backToBack(clocked, 2ms, 1ms);
    EXPECT_EQ(clocked.Pacing(), FramePacer::Sync::Clock);
    EXPECT_EQ(clocked.Due(last + 1ms), last + 20ms);
    clocked.Drew(last + 20ms, last + 23ms, last + 25ms);  // 3 ms late: the slots stay
    EXPECT_EQ(clocked.Due(last + 30ms), last + 40ms);
    clocked.Drew(last + 30ms, last + 100ms, last + 101ms);  // after a pause: a new schedule
    EXPECT_EQ(clocked.Due(last + 110ms), last + 120ms);

    FramePacer apart(20ms);  // frames asked for after the one before was shown teach nothing
    for (int i = 0; i < 20; ++i) {
        apart.Drew(t0 + i * 30ms, t0 + i * 30ms, t0 + i * 30ms + 2ms);
    }
    EXPECT_EQ(apart.Pacing(), FramePacer::Sync::Measuring);
}

using Timer = Queue;

void PostTick(unsigned, unsigned, std::uintptr_t user, std::uintptr_t, std::uintptr_t) {
    auto* fixture = reinterpret_cast<Queue*>(user);
    PostMessage(fixture->hwnd, WM_USER, 0, (fixture->clock.Now() - TimerClock::TimePoint{}) / 1ms);
}

TEST_F(Timer, TicksKeepTheirScheduleAndAllReachTheWindowAfterABusySpellBeforeOnePaint) {
    const unsigned id = SetPeriodicTimer(24, 1, PostTick, reinterpret_cast<std::uintptr_t>(this));
    ASSERT_NE(id, 0u);
    clock.Advance(0ms);  // the thread waits for its first call
    InvalidateRect(hwnd);
    clock.Advance(30ms);  // due at 24
    InvalidateRect(hwnd);
    clock.Advance(70ms);  // a late wake-up at 100: the calls due at 48, 72 and 96 at once
    clock.Advance(20ms);  // due at 120, on time again
    KillTimer(id);
    EXPECT_FALSE(clock.waitingFor_) << "the timer's thread is gone when KillTimer returns";
    KillTimer(id);  // killing twice is harmless
    // The window was busy all along: every tick is still there, each a message of its own, and
    // the repaint requests wait behind them as one paint (-1).
    std::vector<LPARAM> taken;
    MSG msg;
    while (PeekMessage(&msg)) {
        taken.push_back(msg.message == WM_PAINT ? -1 : msg.lParam);
    }
    EXPECT_EQ(taken, (std::vector<LPARAM>{30, 100, 100, 100, 120, -1}));
    EXPECT_EQ(SetPeriodicTimer(0, 1, PostTick, 0), 0u);
    EXPECT_EQ(SetPeriodicTimer(24, 1, nullptr, 0), 0u);
}

TEST(Resources, FoundByTypeAndNameWithoutRegardToCase) {
    const auto icon = FindResource("icon", "ICO");
    ASSERT_TRUE(icon && icon->size() >= 54);
    EXPECT_EQ(std::string(icon->begin(), icon->begin() + 2), "BM");
    EXPECT_FALSE(FindResource("BITMAP", "ico") || FindResource("ICON", "ic"));
}

// Each test has a runtime directory of its own, so the endpoints it makes meet nobody else's.
class Endpoint : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/puckwind-endpoint-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        runtime = pattern;
        setenv("XDG_RUNTIME_DIR", pattern, 1);
    }
    void TearDown() override {
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("TMPDIR");
        std::filesystem::remove_all(runtime);
    }
    std::string Dir() const { return runtime + "/puckwind"; }
    // A Unix socket at the endpoint's path, connected to it or else bound to it.
    int Socket(bool connectTo, int flags = 0) const {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s/%s.sock", Dir().c_str(),
                      name.c_str());
        const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
        auto* at = reinterpret_cast<sockaddr*>(&address);
        if ((connectTo ? connect(fd, at, sizeof address) : bind(fd, at, sizeof address)) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
    static std::unique_ptr<InstanceEndpoint> Claim(const std::string& name,
                                                   std::string* unusable = nullptr) {
        return InstanceEndpoint::Claim(
            name, [](unsigned, WPARAM) {}, unusable);
    }
    // NAME is not claimed, for the reason `says` ("": none, as when another instance holds it).
    static void ExpectNoClaim(const std::string& name, const std::string& says) {
        std::string why;
        EXPECT_EQ(Claim(name, &why), nullptr) << name;
        EXPECT_EQ(why.empty(), says.empty()) << "the reason given: " << why;
        EXPECT_PRED_FORMAT2(testing::IsSubstring, says, why);
    }
    std::string Tmp() const { return runtime + "/puckwind-" + std::to_string(geteuid()); }
    // The endpoint is made in DIR for each $XDG_RUNTIME_DIR ("": unset), with $TMPDIR ours.
    void ExpectItIn(const std::vector<std::pair<std::string, std::string>>& xdgAndDir) {
        setenv("TMPDIR", runtime.c_str(), 1);
        for (const auto& [xdg, dir] : xdgAndDir) {
            xdg.empty() ? unsetenv("XDG_RUNTIME_DIR") : setenv("XDG_RUNTIME_DIR", xdg.c_str(), 1);
            const auto endpoint = Claim(name);
            ASSERT_NE(endpoint, nullptr) << xdg;
            EXPECT_TRUE(std::filesystem::is_socket(dir + "/" + name + ".sock")) << xdg;
            EXPECT_EQ(SendToInstance(name, WM_CLOSE, 0), SendResult::Delivered) << xdg;
        }
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    // A holder whose directory is then spoilt is found by nobody, and nobody holds it again.
    template <typename Spoiler>
    void Spoil(const char* what, const Spoiler& spoil) {
        name += "x";
        const auto holder = Claim(name);
        ASSERT_NE(holder, nullptr);
        spoil();
        EXPECT_FALSE(InstanceExists(name)) << what;
        EXPECT_EQ(SendToInstance(name, WM_COMMAND, 40001), SendResult::NoInstance) << what;
        ExpectNoClaim(name + "2", Dir() + " is not a folder");
        std::filesystem::remove_all(Dir());
    }
    std::string runtime;
    std::string name = "PuckwindTest";
};

TEST_F(Endpoint, OnlyOneHoldsItAndOnlyAWholeCommandOrCloseWithTheMagicPassesThrough) {
    std::vector<std::pair<unsigned, WPARAM>> delivered;  // read once the holder has gone
    {
        auto endpoint = InstanceEndpoint::Claim(
            name, [&](unsigned m, WPARAM w) { delivered.emplace_back(m, w); });
        ASSERT_NE(endpoint, nullptr);
        EXPECT_TRUE(InstanceExists(name));
        ExpectNoClaim(name, "");
        const std::pair<std::string_view, char> cases[] = {
            {"PWND\x11\x01\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08"sv, 1},  // WM_COMMAND
            {"PWND\x10\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"sv, 1},  // WM_CLOSE
            {"PWNX\x11\x01\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08"sv, 0},  // a wrong magic
            {"PWND\x11\x01\x00\x00\x01\x02\x03\x04\x05\x06\x07"sv, 0},      // a byte short
            {"PWND\x00\x01\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08"sv, 0},  // WM_KEYDOWN
        };
        for (const auto& [bytes, accepted] : cases) {
            const int fd = Socket(true);
            EXPECT_EQ(send(fd, bytes.data(), bytes.size(), 0), std::ssize(bytes));
            shutdown(fd, SHUT_WR);
            char answer = -1;
            EXPECT_EQ(recv(fd, &answer, 1, 0), 1);
            EXPECT_EQ(answer, accepted) << "case " << &bytes - &cases[0].first;
            close(fd);
        }
        EXPECT_EQ(SendToInstance(name, WM_COMMAND, 40002), SendResult::Delivered);
        EXPECT_EQ(SendToInstance(name, WM_USER, 0), SendResult::Refused);
    }
    EXPECT_TRUE(std::filesystem::is_empty(Dir())) << "a holder that went leaves nothing";
    EXPECT_FALSE(InstanceExists(name));
    EXPECT_EQ(SendToInstance(name, WM_COMMAND, 40001), SendResult::NoInstance);
    ExpectNoClaim(std::string(120, 'x'), "too long a path");
    EXPECT_EQ(delivered,
              (std::vector<std::pair<unsigned, WPARAM>>{
                  {WM_COMMAND, 0x0807060504030201}, {WM_CLOSE, 0}, {WM_COMMAND, 40002}}));
}

TEST_F(Endpoint, ClientsAreServedAtOnceEvenBehindSixteenSilentOnesAndNeverAfterGivingUp) {
    name = "PUCKWIND";  // the class puckwind-command talks to
    std::promise<void> resume;
    std::set<WPARAM> delivered;  // read once the holder has gone
    auto endpoint = InstanceEndpoint::Claim(
        name, [&, stopped = resume.get_future().share()](unsigned, WPARAM w) {
            delivered.insert(w);
            if (w == 100) {
                stopped.wait();  // as a game stopped (SIGSTOP) in the middle of its work
            }
        });
    ASSERT_NE(endpoint, nullptr);
    std::vector<int> silent;  // as many as the holder serves at once: they make room, oldest first
    for (int i = 0; i < 16; ++i) {
        silent.push_back(Socket(true));
        ASSERT_GE(silent.back(), 0);
    }
    std::atomic<int> answered{0};  // SendToInstance waits ANSWER_TIMEOUT_MS for an answer at most
    {
        std::vector<std::jthread> senders;
        for (int t = 0; t < 8; ++t) {
            senders.emplace_back([&, t] {
                for (int i = 0; i < 10; ++i) {
                    answered +=
                        SendToInstance(name, WM_COMMAND, t * 10 + i) == SendResult::Delivered;
                }
            });
        }
    }
    // The sender to a stopped holder gives up, and the holder, going on, drops that command
    // rather than act on one reported as not answered (it meets 101 before 102).
    EXPECT_EQ(SendToInstance(name, WM_COMMAND, 100), SendResult::Delivered);
    EXPECT_EQ(SendToInstance(name, WM_COMMAND, 101), SendResult::NoAnswer);
    resume.set_value();
    EXPECT_EQ(SendToInstance(name, WM_COMMAND, 102), SendResult::Delivered);
    endpoint.reset();  // a message is delivered just after its answer: wait for the last one
    EXPECT_EQ(answered, 80);
    EXPECT_EQ(delivered.size(), 82u) << "80, 100 and 102, never 101: reported as not answered";
    for (int fd : silent) {
        close(fd);
    }
}

TEST_F(Endpoint, ItLivesInAPrivateDirectoryOfItsUserAndReplacesAStaleSocketFile) {
    name = "PUCKWIND";  // the class puckwind-command talks to
    ASSERT_EQ(mkdir(Dir().c_str(), 0700), 0);
    const int stale = Socket(false);  // a socket file nobody serves: a game hung, or gone
    ASSERT_EQ(listen(stale, 0), 0);
    // Neither the answer nor, once the backlog is full, the connect is waited for for ever; the
    // command says so.
    EXPECT_EQ(SendToInstance(name, WM_CLOSE, 0), SendResult::NoAnswer);
    FILE* command = popen("timeout 6 " PUCKWIND_COMMAND " 40001 2>&1", "r");
    ASSERT_NE(command, nullptr);
    char output[200] = {};
    (void)!std::fread(output, 1, sizeof output - 1, command);
    const int status = pclose(command);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(std::strstr(output, "did not answer"), nullptr) << output;
    ExpectItIn({{runtime, Dir()}, {"", Tmp()}});
    close(stale);
}

TEST_F(Endpoint, ADirectoryOthersCanEnterOrThatIsNotOursIsNeverUsedAndTheClaimSaysWhy) {
    Spoil("open to others", [&] { chmod(Dir().c_str(), 0755); });
    Spoil("a symbolic link", [&] {
        std::filesystem::rename(Dir(), runtime + "/real");
        std::filesystem::create_directory_symlink(runtime + "/real", Dir());
    });
    ASSERT_EQ(mkdir(Dir().c_str(), 0700) | mkdir((Dir() + "/" + name + ".lock").c_str(), 0700), 0);
    ExpectNoClaim(name, name + ".lock: ");  // a lock file that cannot be opened
}

// Root plays the other user, nobody (65534): who owns a directory, listens, or connects.
TEST_F(Endpoint, AnotherUsersDirectoryListenerOrClientIsNeverServed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can act as another user: run the tests as root";
    }
    Spoil("another user's", [&] { (void)!chown(Dir().c_str(), 65534, 65534); });
    const std::string others = runtime + "/others";
    ASSERT_EQ(mkdir(others.c_str(), 0700) | chown(others.c_str(), 65534, 65534), 0);
    ExpectItIn({{others, Tmp()}});

    ASSERT_EQ(mkdir(Dir().c_str(), 0700), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        // Bound in our directory as root, listening as nobody; exits with the bytes it was sent.
        const int fd = Socket(false);
        char got[16];
        ssize_t n = 0;
        if (fd >= 0 && setuid(65534) == 0 && listen(fd, 4) == 0 && write(ready[1], "!", 1) == 1) {
            pollfd p{fd, POLLIN, 0};
            n = poll(&p, 1, 10000) == 1 ? read(accept(fd, nullptr, nullptr), got, sizeof got) : 0;
        }
        _exit(static_cast<int>(n));
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    EXPECT_FALSE(InstanceExists(name));
    EXPECT_EQ(SendToInstance(name, WM_COMMAND, 40001), SendResult::NoInstance);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bytes handed to the other user's listener";

    // Our holder, its directory and socket opened to others as if that guard had failed: it
    // still serves only its own user.
    std::vector<WPARAM> delivered;
    auto endpoint = InstanceEndpoint::Claim(name, [&](unsigned, WPARAM w) {
        delivered.push_back(w);  // read once the holder has gone
    });
    ASSERT_NE(endpoint, nullptr) << "the name is ours to take";
    sockaddr_un address{};  // made before the fork: the child only makes system calls
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s/%s.sock", Dir().c_str(),
                  name.c_str());
    ASSERT_EQ(
        chmod(runtime.c_str(), 0711) | chmod(Dir().c_str(), 0711) | chmod(address.sun_path, 0666),
        0);
    const RequestBytes request = EncodeRequest(WM_COMMAND, 40001);
    if ((child = fork()) == 0) {  // exits with the answer it was given; 3 for none
        char answer = 3;
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (setuid(65534) == 0 &&
            connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            send(fd, request.data(), request.size(), 0) == 16) {
            (void)!recv(fd, &answer, 1, 0);
        }
        _exit(answer);
    }
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the answer to another user's client (0: refused)";
    endpoint.reset();
    EXPECT_TRUE(delivered.empty()) << "another user's command reached the game";
}

}  // namespace
