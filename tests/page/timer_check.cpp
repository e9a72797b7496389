// The tick timer of a page, under node: run from the event wait against a clock moved by hand, it
// calls at the points of its schedule only, makes the calls a late wait missed at once without
// pushing the schedule back, says how long the wait may last, and a killed timer calls no more.
#include <cstdio>

#include "platform/headless_backend.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

struct HandClock : TimerClock {
    TimePoint now{};
    TimePoint Now() override { return now; }
};

int calls[2];
int failures = 0;

void Count(unsigned, unsigned, std::uintptr_t user, std::uintptr_t, std::uintptr_t) {
    ++calls[user];
}

void Expect(int wait, int a, int b, int line) {
    const int got = RunDueTimers();
    if (got != wait || calls[0] != a || calls[1] != b) {
        std::printf("FAIL at line %d: wait %d, calls %d %d\n", line, got, calls[0], calls[1]);
        ++failures;
    }
}

}  // namespace

int main() {
    HandClock clock;
    SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Real, &clock));
    Expect(-1, 0, 0, __LINE__);  // no timer: the wait has no end
    const unsigned a = SetPeriodicTimer(24, 1, Count, 0);
    clock.now += 10ms;
    const unsigned b = SetPeriodicTimer(10, 1, Count, 1);
    Expect(10, 0, 0, __LINE__);
    clock.now += 13ms;
    Expect(1, 0, 1, __LINE__);  // b at 20; a due at 24
    clock.now += 102ms;         // 125: a at 24 .. 120, b at 30 .. 120
    Expect(5, 5, 11, __LINE__);
    KillTimer(b);
    clock.now = TimerClock::TimePoint{} + 1000ms;  // a at 144 .. 984
    Expect(8, 41, 11, __LINE__);
    KillTimer(a);
    Expect(-1, 41, 11, __LINE__);
    return failures == 0 ? 0 : 1;
}
