// When a window's next frame may be drawn, so that frames come at the display's refresh: as
// fast as the swap allows where the swap waits for the refresh (vsync), else on a steady clock at
// the refresh rate. Which of the two holds is measured, not assumed: the first frames drawn back
// to back (each asked for while the one before was drawn) tell whether the swap waited.
#pragma once

#include <array>
#include <chrono>

namespace platform {

class FramePacer {
  public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = Clock::duration;

    enum class Sync {
        Measuring,  // not yet known: frames as soon as asked
        Swap,   // the swap waits for the refresh: frames as soon as asked, at most twice a period
        Clock,  // frames on a steady schedule, one a period
    };

    explicit FramePacer(Duration period);
    void SetPeriod(Duration period);
    Duration Period() const { return period_; }
    Sync Pacing() const { return sync_; }

    // When a frame asked for by `now` may start.
    TimePoint Due(TimePoint now) const;
    // A frame asked for at `asked` started at `start` and was presented by `end`.
    void Drew(TimePoint asked, TimePoint start, TimePoint end);

  private:
    static constexpr int SAMPLES = 8;
    Duration period_;
    Sync sync_ = Sync::Measuring;
    TimePoint next_{};  // the schedule's next point (Sync::Clock)
    TimePoint lastStart_{};
    TimePoint lastEnd_{};
    std::array<Duration, SAMPLES> samples_{};
    int sampleCount_ = 0;
};

}  // namespace platform
