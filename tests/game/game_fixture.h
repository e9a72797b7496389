// A fresh game for each test: the tables filled, the bodies and the match zero, the slots empty,
// the random source at its start, a headless platform with a window, and no recorded calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/game.h"
#include "render/display.h"
#include "shell/shell.h"
#include "sound/sound.h"
#include "tools/sim/recorder.h"

class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;

    // The names of the calls recorded since the last look, which is cleared.
    static std::vector<std::string> TakeCallNames();
    // The recorded calls of one name.
    static std::vector<sim::Call> CallsNamed(const char* name);

    static void PlaceMallet(int mallet, double x, double y);
    static void PlacePuck(double x, double y, int angle, double speed);
};
