// The timers in a browser page, which has one thread: the backend's event wait makes the calls
// that are due (RunDueTimers) and waits no longer than until the next.
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <vector>

#include "platform/timer/timer.h"

namespace platform {

namespace {

struct Timer {
    std::chrono::milliseconds period;
    TimerClock::TimePoint next;
    TimerCallback callback;
    std::uintptr_t user;
};

struct Timers {
    std::map<unsigned, std::unique_ptr<Timer>> running;
    unsigned nextId = 1;
};

Timers& T() {
    static Timers timers;
    return timers;
}

class SteadyClock : public TimerClock {
  public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
};

}  // namespace

unsigned Backend::StartTimer(unsigned delay, TimerCallback callback, std::uintptr_t user) {
    const unsigned id = T().nextId++;
    const std::chrono::milliseconds period(delay);
    T().running.emplace(
        id, std::make_unique<Timer>(Timer{period, Clock().Now() + period, callback, user}));
    return id;
}

void Backend::StopTimer(unsigned id) {
    T().running.erase(id);
}

int RunDueTimers() {
    const auto now = CurrentBackend().Clock().Now();
    // By id, looked up again before each call: a callback may stop a timer or start one.
    std::vector<unsigned> ids;
    for (const auto& [id, timer] : T().running) {
        ids.push_back(id);
    }
    for (const unsigned id : ids) {
        for (auto it = T().running.find(id); it != T().running.end() && it->second->next <= now;
             it = T().running.find(id)) {
            Timer& timer = *it->second;
            timer.next += timer.period;
            timer.callback(id, 0, timer.user, 0, 0);
        }
    }
    int wait = -1;
    for (const auto& [id, timer] : T().running) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer->next - now).count();
        wait = static_cast<int>(wait < 0 ? left : std::min<long long>(wait, left));
    }
    return wait;
}

TimerClock& Backend::Clock() {
    static SteadyClock steady;
    return steady;
}

}  // namespace platform
