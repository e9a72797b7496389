// A controller on SDL's virtual joystick, attached while running. Full deflection crosses the
// player's 280-pixel half in 500 ms (the tilts' motion), the speed growing with the square of the
// deflection past a round dead zone of a fifth (0.6 of the travel: a quarter of full speed).
#include "platform/sdl/controllers.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(Controllers, StickMovesTheCursorForTheTimeReadAndButtonsAreTheGamesInput) {
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    Controllers pad;
    SDL_Joystick* stick = SDL_JoystickOpen(SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0));
    std::vector<WPARAM> seen;  // message and wParam of each input
    const auto pump = [&] {
        for (SDL_Event event; SDL_PollEvent(&event) != 0;) {
            if (const auto input = pad.Take(event)) {
                seen.insert(seen.end(), {input->message, input->wParam});
            }
        }
    };
    const std::tuple<Sint16, Sint16, Point> tilts[] = {
        {32767, 0, {280, 0}}, {-32768, 0, {-280, 0}}, {0, 32767, {0, 280}},
        {19661, 0, {70, 0}},  {0, -19661, {0, -70}},  {6000, 0, {0, 0}}};
    for (const auto& [x, y, moved] : tilts) {
        SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, x);
        SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTY, y);
        pump();
        const Point once = pad.Steer(500ms);
        int often = 0;  // x read fifty times, each with a read at the same instant (pump, frame)
        for (int read = 0; read < 50; ++read) {
            often += pad.Steer(10ms).x + pad.Steer(0ms).x;
        }
        EXPECT_LE(std::abs(once.x - moved.x) + std::abs(once.y - moved.y), 1) << x << "," << y;
        EXPECT_NEAR(often, moved.x, 1) << x << "," << y;
    }
    for (const auto button : {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_BACK,
                              SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_B}) {
        for (const Uint8 state : {SDL_PRESSED, SDL_RELEASED}) {
            SDL_JoystickSetVirtualButton(stick, button, state);
            pump();
        }
    }
    EXPECT_EQ(seen, (std::vector<WPARAM>{WM_LBUTTONDOWN, 0, WM_LBUTTONUP, 0, WM_KEYDOWN, VK_ESCAPE,
                                         WM_COMMAND, 40002}));
    SDL_Quit();
}
