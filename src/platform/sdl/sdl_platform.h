// The SDL backend inside: what the desktop and the browser page share, and what each adds.
//
// Offers: SdlBackend (sdl_backend.cpp), the backend both platforms run, which leaves to each
// platform's final class where the cursor is and how it is kept (CursorPos, SetCursorPos,
// ConfineCursor), how the event wait waits, where a mouse event puts the cursor, and Alt+Enter;
// and three functions that each platform's file (sdl_desktop.cpp, sdl_page.cpp) defines: the GL
// context it asks for, the watch over its display, and its backend.
#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "platform/endpoint/endpoint.h"
#include "platform/platform.h"
#include "platform/sdl/controllers.h"

namespace platform::sdl {

constexpr int PICTURE_WIDTH = 640;
constexpr int PICTURE_HEIGHT = 480;

// The picture in the window's own coordinates (those of its mouse events), which differ from
// the drawable's pixels on a high-density screen.
Picture PictureInWindow(SDL_Window* window);

class SdlBackend : public Backend {
  public:
    SdlBackend(std::uint32_t wakeEvent, bool windowed);
    ~SdlBackend() override;

    bool OpenWindow(HWND hwnd, std::string_view title, const WindowPlacement& placement,
                    std::string_view iconResource) override;
    void ShowWindow(HWND hwnd) override;
    void CloseWindow(HWND hwnd) override;
    void PumpEvents(bool wait) override;
    void PumpEventsUntil(std::chrono::steady_clock::time_point deadline) override;
    void Wake() override;
    Point PointerPos() override;
    void ShowCursor(bool show) override;
    bool PublishClass(std::string_view className) override;
    bool ClassPublished(std::string_view className) override;
    void WithdrawClass(std::string_view) override;
    std::unique_ptr<GlSurface> CreateGlSurface(HWND hwnd) override;
    std::unique_ptr<DialogView> OpenDialogView(Dialog& dialog) override;
    int BitsPerPixel(HWND hwnd) override;
    bool SetDisplayMode(HWND hwnd, int width, int height, int) override;
    void RestoreDisplayMode(HWND hwnd) override;
    double RefreshRate(HWND hwnd) override;
    void SyncToRefresh(HWND hwnd) override;

  protected:
    // Waits for an event: true with one in `event`, false when the wait ended without one.
    virtual bool WaitEvent(SDL_Event* event) = 0;
    // As WaitEvent, but no longer than `wait` ms.
    virtual bool WaitEventFor(SDL_Event* event, int wait) = 0;
    // Where the cursor is, in picture pixels, after the mouse's motion over the window...
    virtual Point MouseMoved(HWND hwnd, const SDL_MouseMotionEvent& motion) = 0;
    // ... and at a mouse event at (x, y) of the window.
    virtual Point MouseAt(HWND hwnd, int x, int y) = 0;
    // Alt+Enter, which the game never sees as a key.
    virtual void AltEnter(const SDL_KeyboardEvent& key) = 0;

    // The backend's end: the endpoint, the controllers, the windows, then SDL; once. The
    // destructor calls it, or first a platform's own destructor with more to do after SDL's end.
    void Quit();

    SDL_Window* Find(HWND hwnd);
    HWND Owner(Uint32 windowId);
    static void CoverScreen(SDL_Window* window);
    static std::pair<int, int> WindowedSize(int display);
    // While the window is confined the pointer stays on the picture, not on the bars beside it.
    void ConfineToPicture(SDL_Window* window);

    std::map<SDL_Window*, bool> confined_;

  private:
    void EnterWaitingFullScreen();
    static void SetIcon(SDL_Window* window, std::string_view iconResource);
    void Translate(const SDL_Event& event);
    void TranslateWindowEvent(const SDL_WindowEvent& event);
    void TranslateButton(const SDL_MouseButtonEvent& event);
    void TranslateFinger(const SDL_TouchFingerEvent& event);
    bool TakeController(const SDL_Event& event);
    void SteerCursor();
    Point StepCursor(HWND hwnd, Point from, Point step);

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
    bool quit_ = false;
    std::map<HWND, SDL_Window*> windows_;
    std::set<HWND> fullScreenWaiting_;
    std::unique_ptr<InstanceEndpoint> endpoint_;
    std::unique_ptr<Controllers> controllers_ = std::make_unique<Controllers>();
    std::chrono::steady_clock::time_point steered_;  // the last read of the sticks
    std::optional<Point> stickAt_;                   // where the stick last put the cursor
};

// ---- Defined by each platform ------------------------------------------------------------------

// Asks SDL for the platform's GL context (before the window is made).
void AskForGlContext();
// Once SDL's video is up: an end for the game should its display go away.
void WatchDisplayConnection();
std::unique_ptr<SdlBackend> MakePlatformBackend(std::uint32_t wakeEvent, bool windowed);

}  // namespace platform::sdl
