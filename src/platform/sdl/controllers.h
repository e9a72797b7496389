// Game controllers as the mouse and the keys the game already takes.
//
// Offers: the controllers attached, taken up as they come (SDL reports the ones present at start
// as attached too) and let go as they leave; the south button (A) as the left button, Back as
// Escape, Start as the render-settings command; the left stick as the cursor's motion, read for
// the time since the last read. A session played with a controller records the same lines as one
// played with the mouse, so it replays with no new syntax.
#pragma once

#include <SDL.h>

#include <chrono>
#include <map>
#include <optional>

#include "platform/platform.h"

namespace platform {

class Controllers {
  public:
    // A message for the main window: wParam with it, the cursor's place as lParam where the
    // message carries one.
    struct Input {
        unsigned message;
        WPARAM wParam;
    };

    Controllers() = default;
    Controllers(const Controllers&) = delete;
    Controllers& operator=(const Controllers&) = delete;
    ~Controllers();

    // Takes up or lets go of a controller, or turns its button into the game's input; nothing
    // for any other event.
    std::optional<Input> Take(const SDL_Event& event);

    // Whole picture pixels that the left sticks move the cursor in `elapsed`; the fractions are
    // kept for the next read, so a slow stick moves at its speed however often it is read.
    Point Steer(std::chrono::duration<double> elapsed);

  private:
    std::map<SDL_JoystickID, SDL_GameController*> open_;
    double carryX_ = 0;
    double carryY_ = 0;
};

}  // namespace platform
