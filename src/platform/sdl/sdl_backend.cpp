// The SDL2 backend, as the desktop and the browser page run it alike.
//
// Offers: a borderless, optionally always-on-top window (or, asked for, an ordinary resizable
// one) with an icon from an ICON resource (a BMP); SDL events turned into window messages (focus
// and minimise into WM_ACTIVATE, close into WM_CLOSE, exposure into a paint); a blocking wait
// that posting threads end through a user event; the game's 640 x 480 picture as large as fits,
// centred, in whatever the window is; the single-instance endpoint; a GL surface on the window;
// the display's depth and a virtual 640 x 480 display mode (the window fills its screen at the
// screen's own mode); modal dialogs drawn over the window (dialog_imgui.h), which take the input
// while open; the display's refresh rate and vsync, for frames paced at the refresh; game
// controllers (controllers.h) as the cursor, the left button and keys. A finger on a touch
// screen, on the desktop or in a page, works the picture as a touchpad. What differs between the
// desktop and a page (the cursor, the wait, the GL context, Alt+Enter) is in sdl_desktop.cpp and
// sdl_page.cpp, behind sdl_platform.h.
#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "platform/dialog/dialog_imgui.h"
#include "platform/endpoint/endpoint.h"
#include "platform/sdl/controllers.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/window/window.h"

namespace platform::sdl {

namespace {

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

}  // namespace

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

SdlBackend::SdlBackend(std::uint32_t wakeEvent, bool windowed)
    : wakeEvent_(wakeEvent), windowed_(windowed) {}

SdlBackend::~SdlBackend() {
    Quit();
}

void SdlBackend::Quit() {
    if (std::exchange(quit_, true)) {
        return;
    }
    endpoint_.reset();
    controllers_.reset();  // before SDL_Quit, which frees the controllers it has open
    for (auto& [hwnd, window] : windows_) {
        SDL_DestroyWindow(window);
    }
    SDL_Quit();
}

bool SdlBackend::OpenWindow(HWND hwnd, std::string_view title, const WindowPlacement& placement,
                            std::string_view iconResource) {
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
    AskForGlContext();
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow(std::string(title).c_str(), x, y, width, height, flags);
    if (window == nullptr) {
        return false;
    }
    SetIcon(window, iconResource);
    windows_[hwnd] = window;
    return true;
}

void SdlBackend::ShowWindow(HWND hwnd) {
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

void SdlBackend::CloseWindow(HWND hwnd) {
    auto it = windows_.find(hwnd);
    if (it != windows_.end()) {
        ReleaseDialogView(it->second);
        confined_.erase(it->second);
        fullScreenWaiting_.erase(hwnd);
        SDL_DestroyWindow(it->second);
        windows_.erase(it);
    }
}

void SdlBackend::PumpEvents(bool wait) {
    EnterWaitingFullScreen();
    SDL_Event event;
    if (wait && WaitEvent(&event)) {
        Translate(event);
    }
    while (SDL_PollEvent(&event) != 0) {
        Translate(event);
    }
    SteerCursor();
}

void SdlBackend::PumpEventsUntil(std::chrono::steady_clock::time_point deadline) {
    // Whole milliseconds, rounded up: a wait that ended early would only come round again.
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    SDL_Event event;
    if (wait.count() > 0 && WaitEventFor(&event, static_cast<int>(wait.count()))) {
        Translate(event);
    }
    PumpEvents(false);
}

void SdlBackend::Wake() {
    SDL_Event event{};
    event.type = wakeEvent_;
    SDL_PushEvent(&event);
}

// The events are fetched first, so a picture drawn next shows where the pointer is now.
Point SdlBackend::PointerPos() {
    SDL_PumpEvents();
    SteerCursor();
    return CursorPos();
}

void SdlBackend::ShowCursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool SdlBackend::PublishClass(std::string_view className) {
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

bool SdlBackend::ClassPublished(std::string_view className) {
    return InstanceExists(className);
}

void SdlBackend::WithdrawClass(std::string_view) {
    endpoint_.reset();
}

std::unique_ptr<GlSurface> SdlBackend::CreateGlSurface(HWND hwnd) {
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

std::unique_ptr<DialogView> SdlBackend::OpenDialogView(Dialog& dialog) {
    SDL_Window* window = Find(dialog.Owner());
    const auto surface = surfaceContexts.find(window);
    const bool has = surface != surfaceContexts.end();
    return MakeImGuiDialogView(dialog, window, has ? surface->second.second : nullptr,
                               has ? surface->second.first : nullptr);
}

int SdlBackend::BitsPerPixel(HWND hwnd) {
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
bool SdlBackend::SetDisplayMode(HWND hwnd, int width, int height, int) {
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

void SdlBackend::RestoreDisplayMode(HWND hwnd) {
    if (SDL_Window* window = Find(hwnd)) {
        fullScreenWaiting_.erase(hwnd);
        SDL_SetWindowFullscreen(window, 0);
    }
}

double SdlBackend::RefreshRate(HWND hwnd) {
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
void SdlBackend::SyncToRefresh(HWND hwnd) {
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

// A window manager sizes a full-screen window to its screen; on a bare X server nothing does,
// so the window is put there first. On X11 each move or resize waits for the server to show
// it done: one already there is left alone.
void SdlBackend::CoverScreen(SDL_Window* window) {
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

// The full screen asked for by SetDisplayMode, for the windows shown by now, each activated
// once it is full screen: the ticks that came during the switch find the game inactive, as
// when the switch came before the first frame.
void SdlBackend::EnterWaitingFullScreen() {
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
std::pair<int, int> SdlBackend::WindowedSize(int display) {
    SDL_Rect usable{0, 0, PICTURE_WIDTH, PICTURE_HEIGHT};
    SDL_GetDisplayUsableBounds(display, &usable);
    const int factor = std::max(1, std::min(usable.w / PICTURE_WIDTH, usable.h / PICTURE_HEIGHT));
    return {PICTURE_WIDTH * factor, PICTURE_HEIGHT * factor};
}

// While the window is active the pointer stays on the picture, not on the bars beside it.
void SdlBackend::ConfineToPicture(SDL_Window* window) {
    if (!confined_[window]) {
        SDL_SetWindowMouseRect(window, nullptr);
        return;
    }
    const Picture p = PictureInWindow(window);
    const SDL_Rect rect{p.x, p.y, p.width, p.height};
    SDL_SetWindowMouseRect(window, &rect);
}

SDL_Window* SdlBackend::Find(HWND hwnd) {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : it->second;
}

HWND SdlBackend::Owner(Uint32 windowId) {
    for (auto& [hwnd, window] : windows_) {
        if (SDL_GetWindowID(window) == windowId) {
            return hwnd;
        }
    }
    return MainWindow();
}

void SdlBackend::SetIcon(SDL_Window* window, std::string_view iconResource) {
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

void SdlBackend::Translate(const SDL_Event& event) {
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
            const Point at = MouseMoved(hwnd, event.motion);
            PostMessage(hwnd, WM_MOUSEMOVE, 0, PackPoint(at.x, at.y));
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
            if ((event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) &&
                (event.key.keysym.mod & KMOD_ALT) != 0) {
                AltEnter(event.key);
                break;  // the window's business: the game sees no key
            }
            PostMessage(Owner(event.key.windowID), WM_KEYDOWN, VirtualKey(event.key.keysym), 0);
            break;
        default:
            break;
    }
}

void SdlBackend::TranslateWindowEvent(const SDL_WindowEvent& event) {
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

void SdlBackend::TranslateButton(const SDL_MouseButtonEvent& event) {
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    unsigned message = 0;
    if (event.button == SDL_BUTTON_LEFT) {
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    } else if (event.button == SDL_BUTTON_RIGHT && down) {
        message = WM_RBUTTONDOWN;
    }
    if (message != 0) {
        HWND hwnd = Owner(event.windowID);
        const Point at = MouseAt(hwnd, event.x, event.y);
        PostMessage(hwnd, message, 0, PackPoint(at.x, at.y));
    }
}

// The first finger down moves the cursor by its drag, as far over the picture as the finger
// goes over the screen, and never to where it lands: so lifting it and touching elsewhere
// never makes the mallet jump, and the mallet stays in sight beside the finger. A tap (up
// within TAP_MS, having moved less than TAP_TRAVEL picture pixels) is a left click.
void SdlBackend::TranslateFinger(const SDL_TouchFingerEvent& event) {
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
bool SdlBackend::TakeController(const SDL_Event& event) {
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
void SdlBackend::SteerCursor() {
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
Point SdlBackend::StepCursor(HWND hwnd, Point from, Point step) {
    const Point to{std::clamp(from.x + step.x, 0, PICTURE_WIDTH - 1),
                   std::clamp(from.y + step.y, 0, PICTURE_HEIGHT - 1)};
    if (to.x != from.x || to.y != from.y) {
        SetCursorPos(to);
        PostMessage(hwnd, WM_MOUSEMOVE, 0, PackPoint(to.x, to.y));
    }
    return to;
}

}  // namespace platform::sdl

namespace platform {

std::unique_ptr<Backend> MakeSdlBackend(bool windowed) {
    // The X11 class name, so that window managers and test tools find the game by it.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "PUCKWIND", 0);
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        return nullptr;
    }
    sdl::WatchDisplayConnection();
    // Without controllers the game plays on the mouse and keys: a failure here is no failure.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    const Uint32 wakeEvent = SDL_RegisterEvents(1);
    if (wakeEvent == static_cast<Uint32>(-1)) {
        SDL_Quit();
        return nullptr;
    }
    return sdl::MakePlatformBackend(wakeEvent, windowed);
}

}  // namespace platform
