// The periodic timer and the millisecond tick count.
//
// Each timer keeps the schedule start + n * delay by its backend's clock, so a late call does not
// push the later calls back and the rate does not drift: the calls missed meanwhile are made at
// once, one after another. On the desktop each timer is a thread that waits on the clock until
// the next point; killing a timer stops and joins its thread, so after KillTimer returns the
// callback runs no more. A browser page has one thread: there the backend's event wait makes the
// calls that are due (RunDueTimers) and waits no longer than until the next.
#include <chrono>
#include <map>

#ifdef __EMSCRIPTEN__
#include <algorithm>
#include <vector>
#else
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#include "platform/timer/timer.h"

namespace platform {

namespace {

using Steady = std::chrono::steady_clock;

#ifdef __EMSCRIPTEN__
struct Timer {
    std::chrono::milliseconds period;
    TimerClock::TimePoint next;
    TimerCallback callback;
    std::uintptr_t user;
};
#else
struct Timer {
    std::jthread thread;
};
#endif

struct Timers {
#ifndef __EMSCRIPTEN__
    std::mutex lock;  // the timers' threads are stopped and joined from the main thread
#endif
    std::map<unsigned, std::unique_ptr<Timer>> running;
    unsigned nextId = 1;
};

Timers& T() {
    static Timers timers;
    return timers;
}

class SteadyClock : public TimerClock {
  public:
    TimePoint Now() override { return Steady::now(); }
#ifndef __EMSCRIPTEN__
    bool WaitUntil(TimePoint when, std::stop_token stop) override {
        std::mutex sleepLock;
        std::condition_variable_any sleeper;
        std::unique_lock lock(sleepLock);
        // Nothing notifies but a stop request: the predicate turns true only by the time.
        return !sleeper.wait_until(lock, stop, when, [] { return false; }) &&
               !stop.stop_requested();
    }
#endif
};

#ifndef __EMSCRIPTEN__
void RunTimer(const std::stop_token& stop, TimerClock* clock, unsigned id, unsigned delay,
              TimerCallback callback, std::uintptr_t user) {
    const auto period = std::chrono::milliseconds(delay);
    for (auto next = clock->Now() + period; clock->WaitUntil(next, stop); next += period) {
        callback(id, 0, user, 0, 0);
    }
}
#endif

}  // namespace

TimerCaps GetTimerCaps() {
    return {};
}

// The schedule is kept by a steady clock, whose resolution is already finer than a millisecond.
void BeginTimerPeriod(unsigned) {}
void EndTimerPeriod(unsigned) {}

unsigned SetPeriodicTimer(unsigned delay, unsigned, TimerCallback callback, std::uintptr_t user) {
    if (delay == 0 || callback == nullptr) {
        return 0;
    }
    return CurrentBackend().StartTimer(delay, callback, user);
}

void KillTimer(unsigned id) {
    CurrentBackend().StopTimer(id);
}

#ifdef __EMSCRIPTEN__
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
#else
unsigned Backend::StartTimer(unsigned delay, TimerCallback callback, std::uintptr_t user) {
    std::lock_guard lock(T().lock);
    const unsigned id = T().nextId++;
    auto timer = std::make_unique<Timer>();
    timer->thread = std::jthread(RunTimer, &Clock(), id, delay, callback, user);
    T().running.emplace(id, std::move(timer));
    return id;
}

void Backend::StopTimer(unsigned id) {
    std::unique_ptr<Timer> timer;
    {
        std::lock_guard lock(T().lock);
        auto it = T().running.find(id);
        if (it == T().running.end()) {
            return;
        }
        timer = std::move(it->second);
        T().running.erase(it);
    }
    timer->thread.request_stop();
    timer->thread.join();
}
#endif

TimerClock& Backend::Clock() {
    static SteadyClock steady;
    return steady;
}

std::uint32_t GetTickCount() {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace platform
