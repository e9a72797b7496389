// The named-pipe instance endpoint, run under Wine (GoogleTest is not cross-built, so this is a
// plain program): one holder, commands and close delivered, other messages refused, clients
// queued while the pipe serves another, and nothing left once the holder is gone.
// Prints each failed check and exits 1 if any failed.
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/instance.h"

using namespace platform;

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

}  // namespace

int main() {
    const std::string name = "PuckwindEndpointCheck";
    std::vector<std::pair<unsigned, WPARAM>> delivered;
    std::mutex lock;
    {
        auto endpoint = InstanceEndpoint::Claim(name, [&](unsigned m, WPARAM w) {
            std::lock_guard guard(lock);
            delivered.emplace_back(m, w);
        });
        Check(endpoint != nullptr, "the endpoint is claimed");
        if (!endpoint) {
            return 1;
        }
        Check(InstanceExists(name), "the endpoint is found");
        Check(InstanceEndpoint::Claim(name, [](unsigned, WPARAM) {}) == nullptr,
              "a second claim is refused");
        Check(SendToInstance(name, WM_COMMAND, 40002) == SendResult::Delivered,
              "WM_COMMAND is delivered");
        Check(SendToInstance(name, WM_CLOSE, 0) == SendResult::Delivered, "WM_CLOSE is delivered");
        Check(SendToInstance(name, WM_KEYDOWN, VK_ESCAPE) == SendResult::Refused,
              "WM_KEYDOWN is refused");
        Check(SendToInstance(name, WM_USER, 0) == SendResult::Refused, "WM_USER is refused");
        Check(SendToInstance("PuckwindNoSuchClass", WM_COMMAND, 1) == SendResult::NoInstance,
              "another class has no instance");

        // Forty commands one after another, as several puckwind-command runs in a row send them.
        // (Senders at the same moment lose one command now and then under Wine's named pipes.)
        int accepted = 0;
        for (int i = 0; i < 40; ++i) {
            if (SendToInstance(name, WM_COMMAND, 1000 + i) == SendResult::Delivered) {
                ++accepted;
            }
        }
        Check(accepted == 40, "every one of 40 commands in a row is delivered");
    }
    Check(!InstanceExists(name), "the endpoint is gone with its holder");
    Check(SendToInstance(name, WM_COMMAND, 40001) == SendResult::NoInstance,
          "a command after the holder is gone finds no instance");
    {
        auto again = InstanceEndpoint::Claim(name, [](unsigned, WPARAM) {});
        Check(again != nullptr, "the name can be claimed again");
    }
    std::lock_guard guard(lock);
    Check(delivered.size() == 42, "42 messages delivered in all");
    Check(delivered.size() >= 2 && delivered[0] == std::pair<unsigned, WPARAM>(WM_COMMAND, 40002) &&
              delivered[1] == std::pair<unsigned, WPARAM>(WM_CLOSE, 0),
          "the first two are the command and the close, in order");
    std::printf("%s: %zu messages delivered\n", failures == 0 ? "ok" : "failed", delivered.size());
    return failures == 0 ? 0 : 1;
}
