// The figures of a run of ticks, printed the same way for the game's timer and the baseline's:
// mean period, worst and 99th-percentile deviation of a period from the nominal one, the
// lateness of the last arrival against the ideal schedule that began at `start`, and the drift:
// how much later the last 100 arrivals are than the first 100 (medians of their lateness), which
// stays near zero for a schedule that does not slip, however late single arrivals are.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

inline void PrintTickFigures(const std::vector<std::chrono::steady_clock::time_point>& arrivals,
                             std::chrono::steady_clock::time_point start, double nominalMs) {
    using Ms = std::chrono::duration<double, std::milli>;
    if (arrivals.size() < 2) {
        std::printf("ticks: %zu (too few for figures)\n", arrivals.size());
        return;
    }
    std::vector<double> deviations;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        deviations.push_back(std::fabs(Ms(arrivals[i] - arrivals[i - 1]).count() - nominalMs));
    }
    const double mean =
        Ms(arrivals.back() - arrivals.front()).count() / static_cast<double>(arrivals.size() - 1);
    std::sort(deviations.begin(), deviations.end());
    const double p99 =
        deviations[static_cast<std::size_t>(0.99 * static_cast<double>(deviations.size() - 1))];
    std::vector<double> lateness;
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        lateness.push_back(Ms(arrivals[i] - start).count() -
                           static_cast<double>(i + 1) * nominalMs);
    }
    const double lastLate = lateness.back();
    const auto span = static_cast<std::ptrdiff_t>(std::min<std::size_t>(100, lateness.size() / 2));
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double drift = median({lateness.end() - span, lateness.end()}) -
                         median({lateness.begin(), lateness.begin() + span});
    std::printf(
        "ticks: %zu  mean period: %.3f ms  worst deviation: %.3f ms  p99 deviation: %.3f ms  last "
        "tick late by: %+.3f ms  drift over the run: %+.3f ms\n",
        arrivals.size(), mean, deviations.back(), p99, lastLate, drift);
}
