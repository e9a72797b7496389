// The SDL2 backend in a browser page (Emscripten).
//
// Offers: a WebGL 2 (OpenGL ES 3.0) context on the canvas, which is the window and its picture,
// sized by its page and never full screen; the game's own cursor in picture pixels, moved by the
// pointer's motion, with the pointer captured (Pointer Lock) while the game is active and a lost
// lock taken as Escape; the timer's calls made from the event wait on the page's one thread; the
// browser's animation frames calling for frames; the page told when the game ends.
#include <SDL.h>

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "platform/sdl/sdl_platform.h"
#include "platform/timer/timer.h"
#include "platform/window/window.h"

namespace platform::sdl {

namespace {

// Waits for the browser's next animation frame, or `wait` ms if that is sooner (-1: no limit);
// 1 when the frame came. The game goes on in the frame's own turn, so what it draws then is
// shown in that frame.
// clang-format off
EM_ASYNC_JS(int, AwaitAnimationFrame, (int wait), {
    return await new Promise((resolve) => {
        let timer = 0;
        const frame = requestAnimationFrame(() => { clearTimeout(timer); resolve(1); });
        if (wait >= 0) timer = setTimeout(() => { cancelAnimationFrame(frame); resolve(0); }, wait);
    });
});
// clang-format on

class SdlPage final : public SdlBackend {
  public:
    explicit SdlPage(std::uint32_t wakeEvent)
        : SdlBackend(wakeEvent, true) {  // the canvas, sized by its page: never full screen
        emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, 0,
                                                  LockChanged);
    }
    ~SdlPage() override {
        Quit();
        emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, 0,
                                                  nullptr);
        emscripten_run_script("if (Module.onGameEnd) Module.onGameEnd()");  // "play again"
    }

    // The game's own cursor (see MoveCursor).
    Point CursorPos() override {
        return {static_cast<int>(cursor_.x), static_cast<int>(cursor_.y)};
    }

    void SetCursorPos(Point point) override {
        cursor_ = {std::clamp(point.x, 0, PICTURE_WIDTH - 1) + 0.0,
                   std::clamp(point.y, 0, PICTURE_HEIGHT - 1) + 0.0};
    }

    void ConfineCursor(HWND hwnd, bool confine) override {
        // The browser grants the lock only in answer to the player's input: asked for now, it
        // is taken at the next click or key. A touch screen's finger has no pointer to capture
        // (the browser refuses it, noisily, at each touch), so there it is never asked for.
        if (Find(hwnd) != nullptr) {
            lockWanted_ = confine;
            if (confine &&
                emscripten_run_script_int("matchMedia('(pointer: coarse)').matches ? 1 : 0") == 0) {
                emscripten_request_pointerlock("#canvas", 1);
            } else {
                emscripten_exit_pointerlock();
            }
        }
    }

    // The page's frames are the browser's animation frames: the next wait is for one.
    bool CallsForFrames() override { return true; }
    void AskForFrame(HWND hwnd) override { frameWanted_ = hwnd; }

  protected:
    // A page that wants a frame waits for the next one, ticks that fall due meanwhile included;
    // input comes with that frame. Otherwise the page's one thread makes the timer calls that
    // are due and waits no longer than until the next; the wait gives the browser its turn
    // (Asyncify), and a call posts, which wakes it.
    bool WaitEvent(SDL_Event* event) override {
        if (frameWanted_ != nullptr) {
            if (AwaitAnimationFrame(RunDueTimers()) != 0) {
                NotifyFrameCalled(std::exchange(frameWanted_, nullptr));
            }
            return false;
        }
        while (SDL_WaitEventTimeout(event, RunDueTimers()) == 0) {
        }
        return true;
    }

    bool WaitEventFor(SDL_Event* event, int wait) override {
        const int timers = RunDueTimers();
        return SDL_WaitEventTimeout(event, timers < 0 ? wait : std::min(wait, timers)) != 0;
    }

    Point MouseMoved(HWND hwnd, const SDL_MouseMotionEvent& motion) override {
        MoveCursor(Find(hwnd), motion.xrel, motion.yrel);
        return CursorPos();
    }

    // A button is pressed where the game's cursor is.
    Point MouseAt(HWND, int, int) override { return CursorPos(); }

    // The browser's own full screen serves a page.
    void AltEnter(const SDL_KeyboardEvent&) override {}

  private:
    // The cursor is the game's own, in picture pixels: the pointer's motion moves it (locked,
    // the motion is all the browser tells; where the lock is refused, the moves between
    // positions), SetCursorPos sets it, and it stays on the picture.
    void MoveCursor(SDL_Window* window, int dx, int dy) {
        const Picture p = window != nullptr ? PictureInWindow(window) : Picture{};
        if (p.width > 0 && p.height > 0) {
            cursor_.x = std::clamp(cursor_.x + dx * double{PICTURE_WIDTH} / p.width, 0.0,
                                   PICTURE_WIDTH - 1.0);
            cursor_.y = std::clamp(cursor_.y + dy * double{PICTURE_HEIGHT} / p.height, 0.0,
                                   PICTURE_HEIGHT - 1.0);
        }
    }

    // The browser ends the lock itself on Escape, and the page never sees that key: while the
    // game holds the lock and the page keeps the focus, a lost lock is the player's Escape.
    static EM_BOOL LockChanged(int, const EmscriptenPointerlockChangeEvent* event, void* user) {
        const auto* self = static_cast<const SdlPage*>(user);
        if (!event->isActive && self->lockWanted_ &&
            emscripten_run_script_int("document.hasFocus() ? 1 : 0") != 0) {
            if (HWND hwnd = MainWindow()) {
                PostMessage(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
            }
        }
        return EM_FALSE;
    }

    struct {
        double x = PICTURE_WIDTH / 2.0;
        double y = PICTURE_HEIGHT / 2.0;
    } cursor_;
    bool lockWanted_ = false;
    HWND frameWanted_ = nullptr;  // the window whose next frame the next wait is for
};

}  // namespace

// WebGL 2: OpenGL ES 3.0.
void AskForGlContext() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
}

void WatchDisplayConnection() {}  // the canvas stays as long as the page

std::unique_ptr<SdlBackend> MakePlatformBackend(std::uint32_t wakeEvent, bool) {
    return std::make_unique<SdlPage>(wakeEvent);
}

}  // namespace platform::sdl
