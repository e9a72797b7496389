// The SDL2 backend.
//
// Offers: a borderless, optionally always-on-top window (or, asked for, an ordinary resizable
// one) with an icon from an ICON resource (a BMP); SDL events turned into window messages (focus
// and minimise into WM_ACTIVATE, close into WM_CLOSE, exposure into a paint); a blocking wait
// that posting threads end through a user event; the game's 640 x 480 picture as large as fits,
// centred, in whatever the window is, with the cursor in that picture's pixels, kept inside it
// while the window is active; the single-instance endpoint; an OpenGL 3.3 core surface on the
// window; the display's depth and a virtual 640 x 480 display mode (the window fills its screen
// at the screen's own mode; Alt+Enter switches between that and a window); modal dialogs drawn
// over the window (dialog_imgui.h), which take the input while open; a quick end when the X
// server goes away underneath the game; the display's refresh rate and vsync, for frames paced at
// the refresh; game controllers (controllers.h) as the cursor, the left button and keys. In a
// browser the canvas is the window and its picture, the pointer is captured (Pointer Lock) while
// the game is active, and the browser's animation frames call for frames. A finger on a touch
// screen, on the desktop or in a page, works the picture as a touchpad.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#if __has_include(<X11/Xlib.h>) && !defined(__EMSCRIPTEN__)
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <unistd.h>
#define PUCKWIND_HAVE_X11 1
#endif

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#include <emscripten/html5.h>
#endif

#include "platform/dialog/dialog_imgui.h"
#include "platform/endpoint/endpoint.h"
#include "platform/sdl/controllers.h"
#include "platform/timer/timer.h"
#include "platform/window/window.h"

namespace platform {

namespace {

constexpr int PICTURE_WIDTH = 640;
constexpr int PICTURE_HEIGHT = 480;
constexpr std::chrono::milliseconds LONGEST_STEER{100};

// The 4:3 picture as large as fits in a width x height area, centred.
Picture FitPicture(int width, int height) {
    if (width * PICTURE_HEIGHT >= height * PICTURE_WIDTH) {
        const int w = height * PICTURE_WIDTH / PICTURE_HEIGHT;
        return {(width - w) / 2, 0, w, height};
    }
    const int h = width * PICTURE_HEIGHT / PICTURE_WIDTH;
    return {0, (height - h) / 2, width, h};
}

// The picture in the window's own coordinates (those of its mouse events), which differ from
// the drawable's pixels on a high-density screen.
Picture PictureInWindow(SDL_Window* window) {
    int w = 0;
    int h = 0;
    int dw = 0;
    int dh = 0;
    SDL_GetWindowSize(window, &w, &h);
    SDL_GL_GetDrawableSize(window, &dw, &dh);
    if (dw <= 0 || dh <= 0) {
        return FitPicture(w, h);
    }
    const Picture p = FitPicture(dw, dh);
    return {p.x * w / dw, p.y * h / dh, p.width * w / dw, p.height * h / dh};
}

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

#ifndef __EMSCRIPTEN__  // a page warps no pointer: its cursor is the game's own
Point ToWindow(SDL_Window* window, Point point) {
    const Picture p = PictureInWindow(window);
    return {p.x - FloorDiv(-point.x * p.width, PICTURE_WIDTH),
            p.y - FloorDiv(-point.y * p.height, PICTURE_HEIGHT)};
}
#endif

#ifdef __EMSCRIPTEN__
// WebGL 2: OpenGL ES 3.0.
constexpr int CONTEXT_MINOR_VERSION = 0;
constexpr int CONTEXT_PROFILE = SDL_GL_CONTEXT_PROFILE_ES;

// The page's one thread makes the timer calls that are due and waits no longer than until the
// next; the wait gives the browser its turn (Asyncify), and a call posts, which wakes it.
bool WaitEvent(SDL_Event* event) {
    while (SDL_WaitEventTimeout(event, RunDueTimers()) == 0) {
    }
    return true;
}

// As WaitEvent, but no longer than `wait` ms.
bool WaitEventFor(SDL_Event* event, int wait) {
    const int timers = RunDueTimers();
    return SDL_WaitEventTimeout(event, timers < 0 ? wait : std::min(wait, timers)) != 0;
}

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
#else
constexpr int CONTEXT_MINOR_VERSION = 3;
constexpr int CONTEXT_PROFILE = SDL_GL_CONTEXT_PROFILE_CORE;

bool WaitEvent(SDL_Event* event) {
    return SDL_WaitEvent(event) != 0;
}

bool WaitEventFor(SDL_Event* event, int wait) {
    return SDL_WaitEventTimeout(event, wait) != 0;
}
#endif

// Each window's surface and its context, for a dialog drawn over that window.
std::map<SDL_Window*, std::pair<const GlSurface*, SDL_GLContext>> surfaceContexts;

class SdlGlSurface : public GlSurface {
  public:
    SdlGlSurface(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {
        surfaceContexts[window_] = {this, context_};
    }
    ~SdlGlSurface() override {
        ReleaseDialogView(window_);  // its GL objects live in this context
        surfaceContexts.erase(window_);
        SDL_GL_DeleteContext(context_);
    }
    void MakeCurrent() override { SDL_GL_MakeCurrent(window_, context_); }
    void Present() override {
        DrawDialogOverlay(window_);  // an open dialog, over the picture
        SDL_GL_SwapWindow(window_);
    }
    int Width() const override {
        int w = 0;
        int h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        return w;
    }
    int Height() const override {
        int w = 0;
        int h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        return h;
    }
    Picture PictureRect() const override { return FitPicture(Width(), Height()); }

  private:
    SDL_Window* window_;
    SDL_GLContext context_;
};

unsigned VirtualKey(const SDL_Keysym& key) {
    switch (key.sym) {
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_SPACE:
            return VK_SPACE;
        default:
            break;
    }
    if (key.sym >= SDLK_a && key.sym <= SDLK_z) {
        return static_cast<unsigned>('A' + (key.sym - SDLK_a));
    }
    if (key.sym >= SDLK_0 && key.sym <= SDLK_9) {
        return static_cast<unsigned>(key.sym);
    }
    return 0x100 + static_cast<unsigned>(key.scancode);  // no game meaning; still a key
}

LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(y) << 16) |
                               (static_cast<std::uint32_t>(x) & 0xFFFF));
}

class SdlBackend : public Backend {
  public:
    SdlBackend(std::uint32_t wakeEvent, bool windowed)
        : wakeEvent_(wakeEvent), windowed_(windowed) {
#ifdef __EMSCRIPTEN__
        emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, this, 0,
                                                  LockChanged);
#endif
    }
    ~SdlBackend() override {
        endpoint_.reset();
        controllers_.reset();  // before SDL_Quit, which frees the controllers it has open
        for (auto& [hwnd, window] : windows_) {
            SDL_DestroyWindow(window);
        }
        SDL_Quit();
#ifdef __EMSCRIPTEN__
        emscripten_set_pointerlockchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, 0,
                                                  nullptr);
        emscripten_run_script("if (Module.onGameEnd) Module.onGameEnd()");  // "play again"
#endif
    }

    bool OpenWindow(HWND hwnd, std::string_view title, const WindowPlacement& placement,
                    std::string_view iconResource) override {
        Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
        int x = placement.x;
        int y = placement.y;
        int width = placement.width;
        int height = placement.height;
        if (windowed_) {
            flags |= SDL_WINDOW_RESIZABLE;
            x = y = SDL_WINDOWPOS_CENTERED;
            std::tie(width, height) = WindowedSize(0);
        } else {
            flags |= SDL_WINDOW_BORDERLESS | (placement.topmost ? SDL_WINDOW_ALWAYS_ON_TOP : 0);
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, CONTEXT_MINOR_VERSION);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, CONTEXT_PROFILE);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_Window* window =
            SDL_CreateWindow(std::string(title).c_str(), x, y, width, height, flags);
        if (window == nullptr) {
            return false;
        }
        SetIcon(window, iconResource);
        windows_[hwnd] = window;
        return true;
    }

    void ShowWindow(HWND hwnd) override {
        SDL_Window* window = Find(hwnd);
        if (window == nullptr) {
            return;
        }
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
        SDL_SetWindowInputFocus(window);
        // A window that is shown becomes the active one, as on the desktops the game knows; one
        // that waits to become full screen, once it is.
        if (fullScreenWaiting_.count(hwnd) == 0) {
            NotifyActivation(hwnd, true, false);
        }
    }

    void CloseWindow(HWND hwnd) override {
        auto it = windows_.find(hwnd);
        if (it != windows_.end()) {
            ReleaseDialogView(it->second);
            confined_.erase(it->second);
            fullScreenWaiting_.erase(hwnd);
            SDL_DestroyWindow(it->second);
            windows_.erase(it);
        }
    }

    void PumpEvents(bool wait) override {
        EnterWaitingFullScreen();
        SDL_Event event;
#ifdef __EMSCRIPTEN__
        if (wait && frameWanted_ != nullptr) {
            // A page that wants a frame waits for the next one, ticks that fall due meanwhile
            // included; input comes with that frame.
            if (AwaitAnimationFrame(RunDueTimers()) != 0) {
                NotifyFrameCalled(std::exchange(frameWanted_, nullptr));
            }
            wait = false;
        }
#endif
        if (wait && WaitEvent(&event)) {
            Translate(event);
        }
        while (SDL_PollEvent(&event) != 0) {
            Translate(event);
        }
        SteerCursor();
    }

    void PumpEventsUntil(std::chrono::steady_clock::time_point deadline) override {
        // Whole milliseconds, rounded up: a wait that ended early would only come round again.
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        SDL_Event event;
        if (wait.count() > 0 && WaitEventFor(&event, static_cast<int>(wait.count()))) {
            Translate(event);
        }
        PumpEvents(false);
    }

    void Wake() override {
        SDL_Event event{};
        event.type = wakeEvent_;
        SDL_PushEvent(&event);
    }

    // In the main window's picture pixels, wherever the window is.
    Point CursorPos() override {
#ifdef __EMSCRIPTEN__
        return {static_cast<int>(cursor_.x), static_cast<int>(cursor_.y)};
#else
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
#endif
    }

    // The events are fetched first, so a picture drawn next shows where the pointer is now.
    Point PointerPos() override {
        SDL_PumpEvents();
        SteerCursor();
        return CursorPos();
    }

    void SetCursorPos(Point point) override {
#ifdef __EMSCRIPTEN__
        cursor_ = {std::clamp(point.x, 0, PICTURE_WIDTH - 1) + 0.0,
                   std::clamp(point.y, 0, PICTURE_HEIGHT - 1) + 0.0};
#else
        if (SDL_Window* window = Find(MainWindow())) {
            const Point at = ToWindow(window, point);
            // SDL's warp into a window leaves the pointer where it was on an X server whose
            // pointer is also moved through XTest; the warp in screen pixels moves it.
            int left = 0;
            int top = 0;
            SDL_GetWindowPosition(window, &left, &top);
            SDL_WarpMouseGlobal(left + at.x, top + at.y);
        }
#endif
    }

    void ShowCursor(bool show) override {
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }

    void ConfineCursor(HWND hwnd, bool confine) override {
#ifdef __EMSCRIPTEN__
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
#else
        if (SDL_Window* window = Find(hwnd)) {
            confined_[window] = confine;
            SDL_SetWindowGrab(window, confine ? SDL_TRUE : SDL_FALSE);
            ConfineToPicture(window);
        }
#endif
    }

    bool PublishClass(std::string_view className) override {
        std::string unusable;
        const auto post = [](unsigned message, WPARAM wParam) {
            if (HWND hwnd = MainWindow()) {
                PostMessage(hwnd, message, wParam, 0);
            }
        };
        endpoint_ = InstanceEndpoint::Claim(className, post, &unusable);
        // An endpoint nobody else holds that cannot be had must not keep the player from
        // playing (another user could make its folder first): the game goes on without it.
        if (!endpoint_ && !unusable.empty()) {
            std::fprintf(stderr,
                         "puckwind: playing on without the single-instance endpoint (another "
                         "copy may start, and puckwind-command cannot reach this one): %s\n",
                         unusable.c_str());
        }
        return endpoint_ != nullptr || !unusable.empty();
    }

    bool ClassPublished(std::string_view className) override {
        return InstanceExists(className);
    }

    void WithdrawClass(std::string_view) override {
        endpoint_.reset();
    }

    std::unique_ptr<GlSurface> CreateGlSurface(HWND hwnd) override {
        SDL_Window* window = Find(hwnd);
        if (window == nullptr) {
            return nullptr;
        }
        SDL_GLContext context = SDL_GL_CreateContext(window);
        if (context == nullptr) {
            return nullptr;
        }
        return std::make_unique<SdlGlSurface>(window, context);
    }

    std::unique_ptr<DialogView> OpenDialogView(Dialog& dialog) override {
        SDL_Window* window = Find(dialog.Owner());
        const auto surface = surfaceContexts.find(window);
        const bool has = surface != surfaceContexts.end();
        return MakeImGuiDialogView(dialog, window, has ? surface->second.second : nullptr,
                                   has ? surface->second.first : nullptr);
    }

    int BitsPerPixel(HWND hwnd) override {
        SDL_Window* window = Find(hwnd);
        Uint32 format = SDL_PIXELFORMAT_UNKNOWN;
        if (window != nullptr) {
            format = SDL_GetWindowPixelFormat(window);
        }
        SDL_DisplayMode desktop;
        if (format == SDL_PIXELFORMAT_UNKNOWN && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            format = desktop.format;
        }
        return format == SDL_PIXELFORMAT_UNKNOWN ? 0 : SDL_BITSPERPIXEL(format);
    }

    // The 640 x 480 display is virtual: the window fills its screen at the screen's own mode (the
    // picture scaled into it), so no display is ever switched to a mode it shows badly. Asked for
    // a window, the game keeps it (Alt+Enter still makes it full screen).
    //
    // The window covers the screen at once, so the first frame is drawn at its final size; SDL is
    // asked for full screen once that frame is shown (the next look for events): on X11 it waits
    // up to 100 ms for a window manager to confirm the switch, the whole 100 ms where there is
    // none, and that wait would otherwise come before the first frame.
    bool SetDisplayMode(HWND hwnd, int width, int height, int) override {
        SDL_Window* window = Find(hwnd);
        if (window == nullptr || width != PICTURE_WIDTH || height != PICTURE_HEIGHT) {
            return false;
        }
        if (!windowed_) {
            CoverScreen(window);
            fullScreenWaiting_.insert(hwnd);
        }
        return true;
    }

    void RestoreDisplayMode(HWND hwnd) override {
        if (SDL_Window* window = Find(hwnd)) {
            fullScreenWaiting_.erase(hwnd);
            SDL_SetWindowFullscreen(window, 0);
        }
    }

    double RefreshRate(HWND hwnd) override {
        SDL_Window* window = Find(hwnd);
        SDL_DisplayMode mode;
        if (window == nullptr ||
            SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &mode) != 0) {
            return 0;
        }
        return mode.refresh_rate;
    }

    // Adaptive vsync where the driver offers it (a late frame is shown at once, not a whole
    // refresh later), plain vsync otherwise.
    void SyncToRefresh(HWND hwnd) override {
        SDL_Window* window = Find(hwnd);
        const auto surface = surfaceContexts.find(window);
        if (surface == surfaceContexts.end()) {
            return;
        }
        SDL_GL_MakeCurrent(window, surface->second.second);
        if (SDL_GL_SetSwapInterval(-1) != 0) {
            SDL_GL_SetSwapInterval(1);
        }
    }

#ifdef __EMSCRIPTEN__
    // The page's frames are the browser's animation frames: the next wait is for one.
    bool CallsForFrames() override {
        return true;
    }
    void AskForFrame(HWND hwnd) override {
        frameWanted_ = hwnd;
    }
#endif

  private:
    // A window manager sizes a full-screen window to its screen; on a bare X server nothing does,
    // so the window is put there first. On X11 each move or resize waits for the server to show
    // it done: one already there is left alone.
    static void CoverScreen(SDL_Window* window) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) != 0) {
            return;
        }
        SDL_Rect now;
        SDL_GetWindowPosition(window, &now.x, &now.y);
        SDL_GetWindowSize(window, &now.w, &now.h);
        if (now.x != bounds.x || now.y != bounds.y) {
            SDL_SetWindowPosition(window, bounds.x, bounds.y);
        }
        if (now.w != bounds.w || now.h != bounds.h) {
            SDL_SetWindowSize(window, bounds.w, bounds.h);
        }
    }

    // Full screen at the screen's own mode.
    static void FillScreen(SDL_Window* window) {
        CoverScreen(window);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }

    // The full screen asked for by SetDisplayMode, for the windows shown by now, each activated
    // once it is full screen: the ticks that came during the switch find the game inactive, as
    // when the switch came before the first frame.
    void EnterWaitingFullScreen() {
        for (auto it = fullScreenWaiting_.begin(); it != fullScreenWaiting_.end();) {
            SDL_Window* window = Find(*it);
            if (window == nullptr || (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) == 0) {
                ++it;
                continue;
            }
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
            NotifyActivation(*it, true, false);
            it = fullScreenWaiting_.erase(it);
        }
    }

    // 640 x 480 times the largest whole factor that fits the usable desktop.
    static std::pair<int, int> WindowedSize(int display) {
        SDL_Rect usable{0, 0, PICTURE_WIDTH, PICTURE_HEIGHT};
        SDL_GetDisplayUsableBounds(display, &usable);
        const int factor =
            std::max(1, std::min(usable.w / PICTURE_WIDTH, usable.h / PICTURE_HEIGHT));
        return {PICTURE_WIDTH * factor, PICTURE_HEIGHT * factor};
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

    // While the window is active the pointer stays on the picture, not on the bars beside it.
    void ConfineToPicture(SDL_Window* window) {
        if (!confined_[window]) {
            SDL_SetWindowMouseRect(window, nullptr);
            return;
        }
        const Picture p = PictureInWindow(window);
        const SDL_Rect rect{p.x, p.y, p.width, p.height};
        SDL_SetWindowMouseRect(window, &rect);
    }

    SDL_Window* Find(HWND hwnd) {
        auto it = windows_.find(hwnd);
        return it == windows_.end() ? nullptr : it->second;
    }

    HWND Owner(Uint32 windowId) {
        for (auto& [hwnd, window] : windows_) {
            if (SDL_GetWindowID(window) == windowId) {
                return hwnd;
            }
        }
        return MainWindow();
    }

    static void SetIcon(SDL_Window* window, std::string_view iconResource) {
        if (iconResource.empty()) {
            return;
        }
        const auto bytes = FindResource("ICON", iconResource);
        if (!bytes) {
            return;
        }
        SDL_RWops* stream = SDL_RWFromConstMem(bytes->data(), static_cast<int>(bytes->size()));
        if (SDL_Surface* icon = SDL_LoadBMP_RW(stream, 1)) {
            SDL_SetWindowIcon(window, icon);
            SDL_FreeSurface(icon);
        }
    }

    void Translate(const SDL_Event& event) {
        if (DialogTakesEvent(event)) {
            return;  // input for a modal dialog; its owner gets none
        }
        if (TakeController(event)) {
            return;
        }
        switch (event.type) {
            case SDL_QUIT:
                if (HWND hwnd = MainWindow()) {
                    PostMessage(hwnd, WM_CLOSE, 0, 0);
                }
                break;
            case SDL_WINDOWEVENT:
                TranslateWindowEvent(event.window);
                break;
            case SDL_MOUSEMOTION: {
                if (event.motion.which == SDL_TOUCH_MOUSEID) {
                    break;  // SDL's mouse made from a finger, which TranslateFinger serves
                }
                HWND hwnd = Owner(event.motion.windowID);
#ifdef __EMSCRIPTEN__
                MoveCursor(Find(hwnd), event.motion.xrel, event.motion.yrel);
                PostMessage(hwnd, WM_MOUSEMOVE, 0,
                            PackPoint(static_cast<int>(cursor_.x), static_cast<int>(cursor_.y)));
#else
                PostMessage(hwnd, WM_MOUSEMOVE, 0,
                            PictureLParam(hwnd, event.motion.x, event.motion.y));
#endif
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (event.button.which != SDL_TOUCH_MOUSEID) {
                    TranslateButton(event.button);
                }
                break;
            case SDL_FINGERDOWN:
            case SDL_FINGERMOTION:
            case SDL_FINGERUP:
                TranslateFinger(event.tfinger);
                break;
            case SDL_KEYDOWN:
                if ((event.key.keysym.sym == SDLK_RETURN ||
                     event.key.keysym.sym == SDLK_KP_ENTER) &&
                    (event.key.keysym.mod & KMOD_ALT) != 0) {
#ifndef __EMSCRIPTEN__  // the browser's own full screen serves a page
                    if (SDL_Window* window = Find(Owner(event.key.windowID));
                        window != nullptr && event.key.repeat == 0) {
                        ToggleFullScreen(window);
                    }
#endif
                    break;  // the window's business: the game sees no key
                }
                PostMessage(Owner(event.key.windowID), WM_KEYDOWN, VirtualKey(event.key.keysym), 0);
                break;
            default:
                break;
        }
    }

    void TranslateWindowEvent(const SDL_WindowEvent& event) {
        HWND hwnd = Owner(event.windowID);
        SDL_Window* window = Find(hwnd);
        const bool minimised =
            window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) != 0;
        switch (event.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                NotifyActivation(hwnd, true, minimised);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                NotifyActivation(hwnd, false, minimised);
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                NotifyActivation(hwnd, false, true);
                break;
            case SDL_WINDOWEVENT_RESTORED:
                NotifyActivation(hwnd, true, false);
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                NotifyExposed(hwnd);
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                if (window != nullptr) {
                    ConfineToPicture(window);  // the picture moved with the window's size
                }
                NotifyExposed(hwnd);
                break;
            case SDL_WINDOWEVENT_CLOSE:
                PostMessage(hwnd, WM_CLOSE, 0, 0);
                break;
            default:
                break;
        }
    }

    void TranslateButton(const SDL_MouseButtonEvent& event) {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        unsigned message = 0;
        if (event.button == SDL_BUTTON_LEFT) {
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        } else if (event.button == SDL_BUTTON_RIGHT && down) {
            message = WM_RBUTTONDOWN;
        }
        if (message != 0) {
            HWND hwnd = Owner(event.windowID);
#ifdef __EMSCRIPTEN__
            const Point at = CursorPos();
            PostMessage(hwnd, message, 0, PackPoint(at.x, at.y));
#else
            PostMessage(hwnd, message, 0, PictureLParam(hwnd, event.x, event.y));
#endif
        }
    }

    // The first finger down moves the cursor by its drag, as far over the picture as the finger
    // goes over the screen, and never to where it lands: so lifting it and touching elsewhere
    // never makes the mallet jump, and the mallet stays in sight beside the finger. A tap (up
    // within TAP_MS, having moved less than TAP_TRAVEL picture pixels) is a left click.
    void TranslateFinger(const SDL_TouchFingerEvent& event) {
        static constexpr Uint32 TAP_MS = 300;
        static constexpr double TAP_TRAVEL = 8;
        HWND hwnd = Owner(event.windowID);
        SDL_Window* window = Find(hwnd);
        if (window == nullptr || (event.type == SDL_FINGERDOWN) == finger_.has_value() ||
            (finger_ && finger_->id != event.fingerId)) {
            return;
        }
        if (event.type == SDL_FINGERDOWN) {
            finger_ = Finger{.id = event.fingerId, .down = event.timestamp, .rest = {}};
            return;
        }
        int w = 0;
        int h = 0;
        SDL_GetWindowSize(window, &w, &h);
        const Picture p = PictureInWindow(window);
        const double dx = event.dx * w * PICTURE_WIDTH / std::max(p.width, 1);
        const double dy = event.dy * h * PICTURE_HEIGHT / std::max(p.height, 1);
        finger_->travel += std::abs(dx) + std::abs(dy);
        finger_->rest = {finger_->rest.x + dx, finger_->rest.y + dy};
        const Point step{static_cast<int>(finger_->rest.x), static_cast<int>(finger_->rest.y)};
        finger_->rest = {finger_->rest.x - step.x, finger_->rest.y - step.y};
        const Point to = StepCursor(hwnd, CursorPos(), step);
        if (event.type == SDL_FINGERUP) {
            if (event.timestamp - finger_->down < TAP_MS && finger_->travel < TAP_TRAVEL) {
                PostMessage(hwnd, WM_LBUTTONDOWN, 0, PackPoint(to.x, to.y));
                PostMessage(hwnd, WM_LBUTTONUP, 0, PackPoint(to.x, to.y));
            }
            finger_.reset();
        }
    }

    // A controller's button as the game's input, at the cursor.
    bool TakeController(const SDL_Event& event) {
        if (event.type == SDL_MOUSEMOTION) {
            stickAt_.reset();  // the mouse moved the cursor: the stick goes on from there
            return false;
        }
        const auto input = controllers_->Take(event);
        if (input && MainWindow() != nullptr) {
            const Point at = CursorPos();
            PostMessage(MainWindow(), input->message, input->wParam, PackPoint(at.x, at.y));
        }
        return input.has_value();
    }

    // The sticks are read at every look for input, each pump and each frame's pointer read, for
    // the time since the last: the cursor moves with the picture at any frame rate, and between
    // frames the ticks move it. Only for the window with the keyboard (a stick must never move
    // the desktop's pointer), and no more than a tenth of a second at once (a long wait is no
    // motion to make up). The cursor goes on from where the stick put it, which a desktop's
    // pointer may not show yet.
    void SteerCursor() {
        const auto now = ClockNow();
        const auto elapsed = std::min<std::chrono::duration<double>>(now - steered_, LONGEST_STEER);
        steered_ = now;
        SDL_Window* window = Find(MainWindow());
        if (window == nullptr || SDL_GetKeyboardFocus() != window) {
            return;
        }
        const Point step = controllers_->Steer(elapsed);
        if (step.x == 0 && step.y == 0) {
            return;
        }
        const Point from = stickAt_.value_or(CursorPos());
        const Point to = StepCursor(MainWindow(), from, step);
        if (to.x != from.x || to.y != from.y) {
            stickAt_ = to;  // not when held against an edge
        }
    }

    // The touchpad and the sticks move the cursor as a mouse would: by whole picture pixels from
    // `from`, kept on the picture, the window told of a move (none when held against an edge).
    // Returns where the cursor is.
    Point StepCursor(HWND hwnd, Point from, Point step) {
        const Point to{std::clamp(from.x + step.x, 0, PICTURE_WIDTH - 1),
                       std::clamp(from.y + step.y, 0, PICTURE_HEIGHT - 1)};
        if (to.x != from.x || to.y != from.y) {
            SetCursorPos(to);
            PostMessage(hwnd, WM_MOUSEMOVE, 0, PackPoint(to.x, to.y));
        }
        return to;
    }

    LPARAM PictureLParam(HWND hwnd, int x, int y) {
        SDL_Window* window = Find(hwnd);
        const Point point = window != nullptr ? ToPicture(window, x, y) : Point{x, y};
        return PackPoint(point.x, point.y);
    }

#ifdef __EMSCRIPTEN__
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
        const auto* self = static_cast<const SdlBackend*>(user);
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
#endif
    struct Finger {
        SDL_FingerID id;
        Uint32 down;  // SDL's milliseconds
        struct {
            double x = 0;  // the drag not yet moved, less than a picture pixel
            double y = 0;
        } rest;
        double travel = 0;  // picture pixels, along both axes
    };
    std::optional<Finger> finger_;
    std::uint32_t wakeEvent_;
    bool windowed_;
    std::map<HWND, SDL_Window*> windows_;
    std::map<SDL_Window*, bool> confined_;
    std::set<HWND> fullScreenWaiting_;
    std::unique_ptr<InstanceEndpoint> endpoint_;
    std::unique_ptr<Controllers> controllers_ = std::make_unique<Controllers>();
    std::chrono::steady_clock::time_point steered_;  // the last read of the sticks
    std::optional<Point> stickAt_;                   // where the stick last put the cursor
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

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend(bool windowed) {
#ifdef __EMSCRIPTEN__
    windowed = true;  // the canvas, sized by its page: never full screen
#endif
    // The X11 class name, so that window managers and test tools find the game by it.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "PUCKWIND", 0);
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        return nullptr;
    }
    WatchDisplayConnection();
    // Without controllers the game plays on the mouse and keys: a failure here is no failure.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    const Uint32 wakeEvent = SDL_RegisterEvents(1);
    if (wakeEvent == static_cast<Uint32>(-1)) {
        SDL_Quit();
        return nullptr;
    }
    return std::make_unique<SdlBackend>(wakeEvent, windowed);
}

}  // namespace platform
