// The SDL2 backend on the desktop (Linux and Windows).
//
// Offers: an OpenGL 3.3 core context; the cursor in the main window's picture pixels, wherever
// the window is, set by warping the pointer, and kept inside the picture while the window is
// active; Alt+Enter switching the window between full screen (at the screen's own mode) and an
// ordinary window; a quick end when the X server goes away underneath the game.
#include <SDL.h>

#include <cstring>
#include <memory>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <unistd.h>
#define PUCKWIND_HAVE_X11 1
#endif

#include "platform/sdl/sdl_platform.h"
#include "platform/window/window.h"

namespace platform::sdl {

namespace {

int FloorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// A point of the window in picture pixels, and back: ToWindow rounds up, so that a picture
// pixel sent to the window reads back as itself at any scale of 1 or more.
Point ToPicture(SDL_Window* window, int x, int y) {
    const Picture p = PictureInWindow(window);
    if (p.width <= 0 || p.height <= 0) {
        return {x, y};
    }
    return {FloorDiv((x - p.x) * PICTURE_WIDTH, p.width),
            FloorDiv((y - p.y) * PICTURE_HEIGHT, p.height)};
}

Point ToWindow(SDL_Window* window, Point point) {
    const Picture p = PictureInWindow(window);
    return {p.x - FloorDiv(-point.x * p.width, PICTURE_WIDTH),
            p.y - FloorDiv(-point.y * p.height, PICTURE_HEIGHT)};
}

class SdlDesktop final : public SdlBackend {
  public:
    using SdlBackend::SdlBackend;

    // In the main window's picture pixels, wherever the window is.
    Point CursorPos() override {
        Point point;
        SDL_Window* window = Find(MainWindow());
        // Over our window, the position the last pointer event brought: SDL's global query may
        // answer from a cache that moves made by other X clients (XTest) never refresh.
        if (window != nullptr && SDL_GetMouseFocus() == window) {
            SDL_GetMouseState(&point.x, &point.y);
            return ToPicture(window, point.x, point.y);
        }
        SDL_GetGlobalMouseState(&point.x, &point.y);
        if (window == nullptr) {
            return point;
        }
        int left = 0;
        int top = 0;
        SDL_GetWindowPosition(window, &left, &top);
        return ToPicture(window, point.x - left, point.y - top);
    }

    void SetCursorPos(Point point) override {
        if (SDL_Window* window = Find(MainWindow())) {
            const Point at = ToWindow(window, point);
            // SDL's warp into a window leaves the pointer where it was on an X server whose
            // pointer is also moved through XTest; the warp in screen pixels moves it.
            int left = 0;
            int top = 0;
            SDL_GetWindowPosition(window, &left, &top);
            SDL_WarpMouseGlobal(left + at.x, top + at.y);
        }
    }

    void ConfineCursor(HWND hwnd, bool confine) override {
        if (SDL_Window* window = Find(hwnd)) {
            confined_[window] = confine;
            SDL_SetWindowGrab(window, confine ? SDL_TRUE : SDL_FALSE);
            ConfineToPicture(window);
        }
    }

  protected:
    bool WaitEvent(SDL_Event* event) override { return SDL_WaitEvent(event) != 0; }

    bool WaitEventFor(SDL_Event* event, int wait) override {
        return SDL_WaitEventTimeout(event, wait) != 0;
    }

    Point MouseMoved(HWND hwnd, const SDL_MouseMotionEvent& motion) override {
        return MouseAt(hwnd, motion.x, motion.y);
    }

    Point MouseAt(HWND hwnd, int x, int y) override {
        SDL_Window* window = Find(hwnd);
        return window != nullptr ? ToPicture(window, x, y) : Point{x, y};
    }

    void AltEnter(const SDL_KeyboardEvent& key) override {
        if (SDL_Window* window = Find(Owner(key.windowID)); window != nullptr && key.repeat == 0) {
            ToggleFullScreen(window);
        }
    }

  private:
    // Full screen at the screen's own mode.
    static void FillScreen(SDL_Window* window) {
        CoverScreen(window);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }

    // Full screen becomes an ordinary window (decorated, resizable, not on top), and back.
    static void ToggleFullScreen(SDL_Window* window) {
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
            FillScreen(window);
            return;
        }
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowAlwaysOnTop(window, SDL_FALSE);
        SDL_SetWindowBordered(window, SDL_TRUE);
        SDL_SetWindowResizable(window, SDL_TRUE);
        const auto [width, height] = WindowedSize(SDL_GetWindowDisplayIndex(window));
        SDL_SetWindowSize(window, width, height);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
};

#if PUCKWIND_HAVE_X11
// Xlib calls this when the connection to the X server breaks, and exits when it returns; that
// exit would run the backend's teardown, whose window destruction then waits forever for an
// answer from the dead server (spinning, deaf to SIGTERM). Nothing on screen can be closed
// any more, so the game ends at once.
int EndOnLostDisplay(Display*) {
    static constexpr char line[] = "puckwind: the connection to the display was lost\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
    _exit(1);
}
#endif

}  // namespace

// OpenGL 3.3 core.
void AskForGlContext() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
}

// The handler goes into the Xlib that SDL's X11 driver loaded, looked up there rather than
// linked: the game then loads and unloads the X libraries exactly as SDL does.
void WatchDisplayConnection() {
#if PUCKWIND_HAVE_X11
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) {
        return;
    }
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (xlib == nullptr) {
        return;
    }
    using SetHandler = XIOErrorHandler (*)(XIOErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetIOErrorHandler"))) {
        set(EndOnLostDisplay);
    }
    dlclose(xlib);  // only drops the reference dlopen took; SDL's keeps it loaded
#endif
}

std::unique_ptr<SdlBackend> MakePlatformBackend(std::uint32_t wakeEvent, bool windowed) {
    return std::make_unique<SdlDesktop>(wakeEvent, windowed);
}

}  // namespace platform::sdl
