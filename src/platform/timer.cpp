// The periodic timer and the millisecond tick count.
//
// Each timer is a thread that sleeps until the next point of a steady-clock schedule
// (start + n * delay), so a late wake-up does not push the later calls back and the rate
// does not drift. Killing a timer stops and joins its thread: after KillTimer returns, the
// callback runs no more.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/platform.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

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

void RunTimer(const std::stop_token& stop, unsigned id, unsigned delay, TimerCallback callback,
              std::uintptr_t user) {
    std::mutex sleepLock;
    std::condition_variable_any sleeper;
    const auto period = std::chrono::milliseconds(delay);
    auto next = Clock::now() + period;
    std::unique_lock lock(sleepLock);
    while (!stop.stop_requested()) {
        if (sleeper.wait_until(lock, stop, next, [] { return false; })) {
            break;
        }
        if (stop.stop_requested()) {
            break;
        }
        callback(id, 0, user, 0, 0);
        next += period;
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
    timer->thread = std::jthread(RunTimer, id, delay, callback, user);
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

std::uint32_t GetTickCount() {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace platform
