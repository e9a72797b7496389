// The named-pipe instance endpoint under Wine (a plain program: GoogleTest is not cross-built).
// Prints each failed check and exits 1 if any failed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <latch>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/endpoint/endpoint.h"

using namespace platform;

static int failures = 0;
#define CHECK(ok) ((ok) ? void() : (std::printf("FAIL: %s\n", #ok), ++failures, void()))

int main() {
    const char* name = "PuckwindEndpointCheck";
    const auto ignore = [](unsigned, WPARAM) {};
    using Message = std::pair<unsigned, WPARAM>;
    std::vector<Message> delivered;
    std::mutex lock;
    constexpr int SENDERS = 40;
    {
        std::promise<void> resume;
        auto endpoint = InstanceEndpoint::Claim(
            name, [&, stopped = resume.get_future().share()](unsigned m, WPARAM w) {
                std::lock_guard guard(lock);
                delivered.emplace_back(m, w);
                if (w == 2000) {
                    stopped.wait();  // as a game frozen in the middle of its work
                }
            });
        CHECK(endpoint != nullptr);
        CHECK(InstanceExists(name));
        std::string why;  // held by another: no fault to report
        CHECK(!InstanceEndpoint::Claim(name, ignore, &why) && why.empty());
        CHECK(SendToInstance(name, WM_COMMAND, 40002) == SendResult::Delivered);
        CHECK(SendToInstance(name, WM_CLOSE, 0) == SendResult::Delivered);
        CHECK(SendToInstance(name, WM_KEYDOWN, VK_ESCAPE) == SendResult::Refused);
        CHECK(SendToInstance("PuckwindNoSuchClass", WM_COMMAND, 1) == SendResult::NoInstance);

        // Forty senders let go at once, as forty puckwind-command runs started together.
        std::atomic<int> accepted = 0;
        std::latch start(SENDERS);
        std::vector<std::jthread> senders;
        for (int i = 0; i < SENDERS; ++i) {
            senders.emplace_back([&, i] {
                start.arrive_and_wait();
                accepted += SendToInstance(name, WM_COMMAND, 1000 + i) == SendResult::Delivered;
            });
        }
        senders.clear();  // joins them
        std::printf("%d of %d senders at once delivered\n", accepted.load(), SENDERS);
        CHECK(accepted == SENDERS);

        // A frozen holder: every wait ends within 2 s, and the command whose sender gave up is
        // dropped, not delivered once the holder goes on (when it meets 2001 before 2002).
        CHECK(SendToInstance(name, WM_COMMAND, 2000) == SendResult::Delivered);
        const auto began = std::chrono::steady_clock::now();
        CHECK(SendToInstance(name, WM_COMMAND, 2001) == SendResult::NoAnswer);
        CHECK(!InstanceExists(name));  // every instance of the pipe is busy
        CHECK(std::chrono::steady_clock::now() - began < std::chrono::seconds(6));
        resume.set_value();
        CHECK(SendToInstance(name, WM_COMMAND, 2002) == SendResult::Delivered);
    }
    CHECK(!InstanceExists(name));
    CHECK(SendToInstance(name, WM_COMMAND, 40001) == SendResult::NoInstance);
    CHECK(InstanceEndpoint::Claim(name, ignore) != nullptr);
    // The command and the close in the order sent, then each sender's command once, and the
    // frozen holder's first and third.
    std::vector<Message> expected = {{WM_COMMAND, 40002}, {WM_CLOSE, 0}};
    for (int i = 0; i < SENDERS; ++i) {
        expected.emplace_back(WM_COMMAND, 1000 + i);
    }
    expected.insert(expected.end(), {{WM_COMMAND, 2000}, {WM_COMMAND, 2002}});
    std::sort(delivered.begin() + std::min<std::size_t>(2, delivered.size()), delivered.end());
    CHECK(delivered == expected);
    std::printf("%s: %zu messages delivered\n", failures == 0 ? "ok" : "failed", delivered.size());
    return failures == 0 ? 0 : 1;
}
