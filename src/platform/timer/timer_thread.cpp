// The timers on the desktop: each is a thread that waits on the backend's clock until the next
// point of its schedule and then makes the call. Killing a timer stops and joins its thread, so
// after KillTimer returns the callback runs no more.
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "platform/timer/timer.h"

namespace platform {

namespace {

struct Timer {
    std::jthread thread;
};

struct Timers {
    std::mutex lock;  // the timers' threads are stopped and joined from the main thread
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

}  // namespace platform
