// A fresh game for each test: the tables filled, the bodies and the match zero, the slots empty,
// the random source at its start, a headless platform with a window, and no recorded calls.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "calls/calls.h"
#include "game/game.h"
#include "render/display.h"
#include "shell/shell.h"
#include "sound/sound.h"

class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;

    // The calls recorded since the last look, which is cleared: "ShowScore 0 0; HideBanner".
    static std::string TakeCalls();
    // Rounded to a millionth, so that a result off by a rounding error still reads as its value.
    static std::string Num(double v);

    static void PlaceMallet(int mallet, double x, double y);
    static void PlacePuck(double x, double y, int angle, double speed);
};
