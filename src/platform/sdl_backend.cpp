// The SDL2 backend.
//
// Offers: a borderless, optionally always-on-top window with an icon from an ICON resource (a
// BMP); SDL events turned into window messages (focus and minimise into WM_ACTIVATE, close into
// WM_CLOSE, exposure into a paint); a blocking wait that posting threads end through a user
// event; the cursor in screen pixels, kept inside the window while it is active; the
// single-instance endpoint; an OpenGL 3.3 core surface on the window; the display's depth and
// a full-screen display mode that is granted only when it is really what the display shows;
// and modal dialogs drawn over the window (dialog_imgui.h), which take the input while open;
// a quick end when the X server goes away underneath the game.
#include "platform/sdl_backend.h"

#include <SDL.h>

#include <cstring>
#include <map>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <unistd.h>
#define PUCKWIND_HAVE_X11 1
#endif

#include "platform/dialog_imgui.h"
#include "platform/instance.h"

namespace platform {

namespace {

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
    explicit SdlBackend(std::uint32_t wakeEvent) : wakeEvent_(wakeEvent) {}
    ~SdlBackend() override {
        endpoint_.reset();
        for (auto& [hwnd, window] : windows_) {
            SDL_DestroyWindow(window);
        }
        SDL_Quit();
    }

    bool OpenWindow(HWND hwnd, std::string_view title, const WindowPlacement& placement,
                    std::string_view iconResource) override {
        Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_OPENGL;
        if (placement.topmost) {
            flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_Window* window = SDL_CreateWindow(std::string(title).c_str(), placement.x, placement.y,
                                              placement.width, placement.height, flags);
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
        // A mode asked for while the window was hidden takes effect now: keep it only if granted.
        if (auto pending = pendingModes_.find(hwnd); pending != pendingModes_.end()) {
            if (!ModeGranted(window, pending->second)) {
                SDL_SetWindowFullscreen(window, 0);
            }
            pendingModes_.erase(pending);
        }
        SDL_RaiseWindow(window);
        SDL_SetWindowInputFocus(window);
        // A window that is shown becomes the active one, as on the desktops the game knows.
        NotifyActivation(hwnd, true, false);
    }

    void CloseWindow(HWND hwnd) override {
        auto it = windows_.find(hwnd);
        if (it != windows_.end()) {
            ReleaseDialogView(it->second);
            SDL_DestroyWindow(it->second);
            windows_.erase(it);
        }
    }

    void PumpEvents(bool wait) override {
        SDL_Event event;
        if (wait && SDL_WaitEvent(&event) != 0) {
            Translate(event);
        }
        while (SDL_PollEvent(&event) != 0) {
            Translate(event);
        }
    }

    void Wake() override {
        SDL_Event event{};
        event.type = wakeEvent_;
        SDL_PushEvent(&event);
    }

    Point CursorPos() override {
        Point point;
        // Over our window, the position the last pointer event brought: SDL's global query may
        // answer from a cache that moves made by other X clients (XTest) never refresh.
        if (SDL_Window* focus = SDL_GetMouseFocus()) {
            int left = 0;
            int top = 0;
            SDL_GetWindowPosition(focus, &left, &top);
            SDL_GetMouseState(&point.x, &point.y);
            return {left + point.x, top + point.y};
        }
        SDL_GetGlobalMouseState(&point.x, &point.y);
        return point;
    }

    void SetCursorPos(Point point) override { SDL_WarpMouseGlobal(point.x, point.y); }

    void ShowCursor(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

    void ConfineCursor(HWND hwnd, bool confine) override {
        if (SDL_Window* window = Find(hwnd)) {
            SDL_SetWindowGrab(window, confine ? SDL_TRUE : SDL_FALSE);
        }
    }

    bool PublishClass(std::string_view className) override {
        endpoint_ = InstanceEndpoint::Claim(className, [](unsigned message, WPARAM wParam) {
            if (HWND hwnd = MainWindow()) {
                PostMessage(hwnd, message, wParam, 0);
            }
        });
        return endpoint_ != nullptr;
    }

    bool ClassPublished(std::string_view className) override { return InstanceExists(className); }

    void WithdrawClass(std::string_view) override { endpoint_.reset(); }

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

    bool SetDisplayMode(HWND hwnd, int width, int height, int bitsPerPixel) override {
        SDL_Window* window = Find(hwnd);
        const int display = window != nullptr ? SDL_GetWindowDisplayIndex(window) : -1;
        if (display < 0) {
            return false;
        }
        SDL_DisplayMode wanted{};
        bool offered = false;
        for (int i = 0; i < SDL_GetNumDisplayModes(display) && !offered; ++i) {
            offered = SDL_GetDisplayMode(display, i, &wanted) == 0 && wanted.w == width &&
                      wanted.h == height &&
                      static_cast<int>(SDL_BITSPERPIXEL(wanted.format)) == bitsPerPixel;
        }
        if (!offered || SDL_SetWindowDisplayMode(window, &wanted) != 0 ||
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
            return false;
        }
        // SDL switches the mode of a hidden window only when it is shown; ShowWindow checks it.
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) == 0) {
            pendingModes_[hwnd] = wanted;
            return true;
        }
        if (!ModeGranted(window, wanted)) {
            SDL_SetWindowFullscreen(window, 0);
            return false;
        }
        return true;
    }

    void RestoreDisplayMode(HWND hwnd) override {
        pendingModes_.erase(hwnd);
        if (SDL_Window* window = Find(hwnd)) {
            SDL_SetWindowFullscreen(window, 0);
        }
    }

  private:
    // Some drivers grant full screen at the desktop's size: only the mode asked for counts.
    static bool ModeGranted(SDL_Window* window, const SDL_DisplayMode& wanted) {
        SDL_DisplayMode got{};
        return SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &got) == 0 &&
               got.w == wanted.w && got.h == wanted.h;
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
        switch (event.type) {
            case SDL_QUIT:
                if (HWND hwnd = MainWindow()) {
                    PostMessage(hwnd, WM_CLOSE, 0, 0);
                }
                break;
            case SDL_WINDOWEVENT:
                TranslateWindowEvent(event.window);
                break;
            case SDL_MOUSEMOTION:
                PostMessage(Owner(event.motion.windowID), WM_MOUSEMOVE, 0,
                            PackPoint(event.motion.x, event.motion.y));
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                TranslateButton(event.button);
                break;
            case SDL_KEYDOWN:
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
            PostMessage(Owner(event.windowID), message, 0, PackPoint(event.x, event.y));
        }
    }

    std::uint32_t wakeEvent_;
    std::map<HWND, SDL_Window*> windows_;
    std::map<HWND, SDL_DisplayMode> pendingModes_;
    std::unique_ptr<InstanceEndpoint> endpoint_;
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

std::unique_ptr<Backend> MakeSdlBackend() {
    // The X11 class name, so that window managers and test tools find the game by it.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "PUCKWIND", 0);
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        return nullptr;
    }
    WatchDisplayConnection();
    const Uint32 wakeEvent = SDL_RegisterEvents(1);
    if (wakeEvent == static_cast<Uint32>(-1)) {
        SDL_Quit();
        return nullptr;
    }
    return std::make_unique<SdlBackend>(wakeEvent);
}

}  // namespace platform
