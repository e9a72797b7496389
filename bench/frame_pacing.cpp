// The puck's drawn step from one frame to the next while it glides straight, at 60, 144 and 240
// frames a second against 41.7 ticks a second, on a clock the benchmark moves by hand: frames
// blended between ticks, and one picture a tick (--tick-paint) beside them. The real scene and
// the real presentation code, on a headless window: only the drawing itself is left out.
// Prints, for each rate and mode, the smallest, median and largest step (table units) and the
// share of frames that repeat the one before.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "game/playfield.h"
#include "platform/headless_backend.h"
#include "render/motion.h"
#include "render/render.h"
#include "render/scene.h"
#include "retained/internal.h"

namespace {

using namespace std::chrono;

class HandClock : public platform::TimerClock {
  public:
    TimePoint Now() override { return now; }
    bool WaitUntil(TimePoint, std::stop_token) override { return false; }
    TimePoint now{};
};

constexpr auto TICK = milliseconds(24);
// Units a tick, losing the puck's 0.02 a tick to friction: over the second measured the true step
// shrinks by 7%.
constexpr double GLIDE_SPEED = 12;
constexpr double FRICTION = 0.02;

struct Steps {
    double min, median, max, repeated;
};

// The steps of the puck's drawn x from frame to frame over a second of glide, from the third
// tick on (before it, nothing has moved from one tick to the next).
Steps Glide(HandClock& clock, platform::HWND window, double rate, bool tickPaint) {
    SetPresentation({.tickPaint = tickPaint});
    StartPresentation(window);
    const auto frame = duration_cast<nanoseconds>(duration<double>(1 / rate));
    auto* puck = static_cast<retained::FrameImpl*>(renderObjects.objectFrames[BODY_PUCK]);
    double x = -120;
    double speed = GLIDE_SPEED;
    auto nextTick = clock.now;
    auto nextFrame = clock.now;
    const auto start = clock.now + 2 * TICK;
    const auto end = start + seconds(1);
    std::vector<double> drawn;
    while (nextFrame < end) {
        if (nextTick <= nextFrame) {  // a tick and a frame at once: the tick first
            clock.now = nextTick;
            PlaceBodyFrame(BODY_PUCK, x, 0, 0);
            RenderTickHandled(true, static_cast<unsigned>(TICK.count()));
            x += speed;
            speed -= FRICTION;
            nextTick += TICK;
        } else {
            clock.now = nextFrame;
            PoseForPicture(window);
            if (clock.now >= start) {
                drawn.push_back(puck->DrawnTransform().m[3][0]);
            }
            nextFrame += frame;
        }
    }
    std::vector<double> steps;
    for (std::size_t i = 1; i < drawn.size(); ++i) {
        steps.push_back(drawn[i] - drawn[i - 1]);
    }
    std::sort(steps.begin(), steps.end());
    const auto repeated = std::count(steps.begin(), steps.end(), 0.0);
    return {steps.front(), steps[steps.size() / 2], steps.back(),
            static_cast<double>(repeated) / static_cast<double>(steps.size())};
}

}  // namespace

int main() {
    auto owned = std::make_unique<HandClock>();
    HandClock& clock = *owned;
    platform::SetBackend(std::make_unique<platform::HeadlessBackend>(
        platform::HeadlessBackend::Ticks::Manual, &clock));
    platform::RegisterClass({"pacing", platform::DefWindowProc, ""});
    const platform::HWND window = platform::CreateWindowEx("pacing", "pacing", {});
    retained::CreateFactory(&renderObjects.d3drm);
    CreateSceneObjects();
    BuildScene();
    std::printf("%-5s %-12s %8s %8s %8s %9s\n", "Hz", "mode", "min", "median", "max", "repeated");
    for (const double rate : {60.0, 144.0, 240.0}) {
        for (const bool tickPaint : {false, true}) {
            const Steps s = Glide(clock, window, rate, tickPaint);
            std::printf("%-5.0f %-12s %8.3f %8.3f %8.3f %8.1f%%\n", rate,
                        tickPaint ? "tick-paint" : "blended", s.min, s.median, s.max,
                        100 * s.repeated);
        }
    }
    ReleaseRender();
    platform::DestroyWindow(window);
    platform::SetBackend(nullptr);
    return 0;
}
