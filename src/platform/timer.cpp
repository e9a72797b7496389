// The periodic timer and the millisecond tick count.
//
// Each timer is a thread that waits on its backend's clock until the next point of the schedule
// start + n * delay, so a late wake-up does not push the later calls back and the rate does not
// drift: the calls missed meanwhile are made at once, one after another. Killing a timer stops
// and joins its thread: after KillTimer returns, the callback runs no more.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace platform {

namespace {

using Steady = std::chrono::steady_clock;

struct Timer {
    std::jthread thread;
};

struct Timers {
    std::mutex lock;
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
    bool WaitUntil(TimePoint when, std::stop_token stop) override {
        std::mutex sleepLock;
        std::condition_variable_any sleeper;
        std::unique_lock lock(sleepLock);
        // Nothing notifies but a stop request: the predicate turns true only by the time.
        return !sleeper.wait_until(lock, stop, when, [] { return false; }) &&
               !stop.stop_requested();
    }
};

void RunTimer(const std::stop_token& stop, TimerClock* clock, unsigned id, unsigned delay,
              TimerCallback callback, std::uintptr_t user) {
    const auto period = std::chrono::milliseconds(delay);
    for (auto next = clock->Now() + period; clock->WaitUntil(next, stop); next += period) {
        callback(id, 0, user, 0, 0);
    }
}

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
