// Game controllers as the mouse and the keys the game already takes (controllers.h).
#include "platform/sdl/controllers.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// At full deflection the cursor crosses the player's half, 280 picture pixels wide (one pixel is
// one table unit), in half a second: quick enough to meet a puck, and slow enough that a flick
// does not overshoot it.
constexpr double FULL_SPEED = 560;  // picture pixels a second
// A stick at rest may read up to about a fifth of its travel off centre (worn ones more than new
// ones); inside this the cursor stays still, so a controller put down does not drift it away.
constexpr double DEAD_ZONE = 0.2;
// The speed grows with the square of the deflection past the dead zone: half deflection moves at
// a quarter of full speed, fine enough to line the mallet up with the puck.
constexpr double CURVE = 2;

// The game's "render settings" command: what puckwind-command 40002 sends.
constexpr WPARAM SETTINGS_COMMAND = 40002;

double Axis(SDL_GameController* controller, SDL_GameControllerAxis axis) {
    return std::clamp(SDL_GameControllerGetAxis(controller, axis) / 32767.0, -1.0, 1.0);
}

}  // namespace

Controllers::~Controllers() {
    for (auto& [id, controller] : open_) {
        SDL_GameControllerClose(controller);
    }
}

std::optional<Controllers::Input> Controllers::Take(const SDL_Event& event) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            // The event names a device index; the controller is then known by its instance id.
            if (SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which)) {
                open_.emplace(SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)),
                              controller);
            }
            return std::nullopt;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (auto it = open_.find(event.cdevice.which); it != open_.end()) {
                SDL_GameControllerClose(it->second);
                open_.erase(it);
            }
            return std::nullopt;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            break;
        default:
            return std::nullopt;
    }
    const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
    switch (event.cbutton.button) {
        case SDL_CONTROLLER_BUTTON_A:
            return Input{down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0};
        case SDL_CONTROLLER_BUTTON_BACK:
            return down ? std::optional<Input>(Input{WM_KEYDOWN, VK_ESCAPE}) : std::nullopt;
        case SDL_CONTROLLER_BUTTON_START:
            return down ? std::optional<Input>(Input{WM_COMMAND, SETTINGS_COMMAND}) : std::nullopt;
        default:
            return std::nullopt;
    }
}

Point Controllers::Steer(std::chrono::duration<double> elapsed) {
    double dx = 0;
    double dy = 0;
    bool tilted = false;
    for (auto& [id, controller] : open_) {
        const double x = Axis(controller, SDL_CONTROLLER_AXIS_LEFTX);
        const double y = Axis(controller, SDL_CONTROLLER_AXIS_LEFTY);
        // The dead zone is round, so a diagonal leaves it as soon as a straight push does.
        const double deflection = std::min(std::hypot(x, y), 1.0);
        if (deflection <= DEAD_ZONE) {
            continue;
        }
        tilted = true;
        const double speed =
            FULL_SPEED * std::pow((deflection - DEAD_ZONE) / (1 - DEAD_ZONE), CURVE);
        dx += x / std::hypot(x, y) * speed * elapsed.count();
        dy += y / std::hypot(x, y) * speed * elapsed.count();
    }
    if (!tilted) {
        carryX_ = carryY_ = 0;  // a stick let go leaves no part of a pixel to move later
        return {};
    }
    carryX_ += dx;
    carryY_ += dy;
    const Point step{static_cast<int>(std::trunc(carryX_)), static_cast<int>(std::trunc(carryY_))};
    carryX_ -= step.x;
    carryY_ -= step.y;
    return step;
}

}  // namespace platform
