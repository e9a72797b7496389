// The platform layer: the desktop services the game was written against, on SDL2 (the game's
// binary) or on a headless backend (tests and puckwind-sim). Each service has a folder of its
// own: window/ (the window, its message queue, frames and cursor), timer/, endpoint/ (how a
// second instance finds the first), dialog/ (modal dialogs from templates) and sound/ (the
// sound-buffer device); sdl/ is the SDL2 backend, headless_backend.h the one for tests.
//
// This header holds what they share: the message types, the backend each service calls on, the
// OpenGL surface a backend makes, and the embedded resources (icons, dialog templates, sounds).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "platform/messages.h"

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
};

// ---- Embedded resources -----------------------------------------------------------------------

struct EmbeddedResource {
    const char* type;
    const char* name;
    const unsigned char* data;
    std::size_t size;
};
// The table linked into the program (see cmake/EmbedResources.cmake).
std::span<const EmbeddedResource> EmbeddedResources();
// The bytes of a resource, type and name compared without regard to case.
std::optional<std::span<const unsigned char>> FindResource(std::string_view type,
                                                           std::string_view name);

// ---- Backends --------------------------------------------------------------------------------

struct WindowPlacement;
class TimerClock;
class GlSurface;
class Dialog;
class DialogView;

using TimerCallback = void (*)(unsigned id, unsigned message, std::uintptr_t user,
                               std::uintptr_t reserved1, std::uintptr_t reserved2);

// What the layer asks of the system under it. The SDL backend serves the game; the headless
// one serves tests and puckwind-sim.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual bool OpenWindow(HWND hwnd, std::string_view title, const WindowPlacement& placement,
                            std::string_view iconResource) = 0;
    virtual void ShowWindow(HWND hwnd) = 0;
    virtual void CloseWindow(HWND hwnd) = 0;
    // Turns pending native events into messages; with wait, blocks until one comes or Wake().
    virtual void PumpEvents(bool wait) = 0;
    // As PumpEvents(true), but waits no longer than until `deadline` by Clock().
    virtual void PumpEventsUntil(std::chrono::steady_clock::time_point deadline) = 0;
    virtual void Wake() = 0;  // any thread
    virtual Point CursorPos() = 0;
    // The pointer's newest position for the picture (PointerPosition); no call of the game's.
    virtual Point PointerPos() { return CursorPos(); }
    virtual void SetCursorPos(Point point) = 0;
    virtual void ShowCursor(bool show) = 0;
    virtual void ConfineCursor(HWND hwnd, bool confine) = 0;
    // The single-instance endpoint: claim it for a class, or look for another process's.
    virtual bool PublishClass(std::string_view className) = 0;
    virtual bool ClassPublished(std::string_view className) = 0;
    virtual void WithdrawClass(std::string_view) {}
    // Told of every InvalidateRect the program makes (the sim traces them).
    virtual void Invalidated(HWND) {}
    // An OpenGL 3.3 core context drawing into the window; null where there is none.
    virtual std::unique_ptr<GlSurface> CreateGlSurface(HWND hwnd);
    // Bits per pixel of the window's surface, or of the screen for a null window.
    virtual int BitsPerPixel(HWND) { return 32; }
    // Switches the display to width x height at bitsPerPixel, the window filling it; false, with
    // nothing changed, when the display does not offer that mode. (See display_mode.h.)
    virtual bool SetDisplayMode(HWND, int, int, int) { return false; }
    virtual void RestoreDisplayMode(HWND) {}
    // The refresh rate of the display the window is on, in Hz; 0 when it reports none.
    virtual double RefreshRate(HWND) { return 0; }
    // The window's presents wait for the display's refresh from now on (vsync, adaptive where the
    // driver offers it).
    virtual void SyncToRefresh(HWND) {}
    // A display that calls for frames itself (a page's animation frames): AskForFrame asks for
    // the next call, which the backend reports through NotifyFrameCalled.
    virtual bool CallsForFrames() { return false; }
    virtual void AskForFrame(HWND) {}
    // The periodic timer behind SetPeriodicTimer/KillTimer; by default a thread of its own
    // waiting on Clock().
    virtual unsigned StartTimer(unsigned delay, TimerCallback callback, std::uintptr_t user);
    virtual void StopTimer(unsigned id);
    virtual TimerClock& Clock();  // the steady clock
    // Shows an open modal dialog over its owner and gives it the user's input; null where
    // nothing is shown (the dialog then runs on what its caller does to it).
    virtual std::unique_ptr<DialogView> OpenDialogView(Dialog& dialog);
};

// Where the game's 640 x 480 picture lies in a drawable, in the drawable's pixels.
struct Picture {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// What the 3D layer draws into: an OpenGL 3.3 core context bound to a window.
class GlSurface {
  public:
    virtual ~GlSurface() = default;
    virtual void MakeCurrent() = 0;
    virtual void Present() = 0;     // shows what was drawn
    virtual int Width() const = 0;  // the drawable's size in pixels
    virtual int Height() const = 0;
    // The picture's place in the drawable: all of it unless the surface says otherwise.
    virtual Picture PictureRect() const { return {0, 0, Width(), Height()}; }
};

void SetBackend(std::unique_ptr<Backend> backend);
Backend& CurrentBackend();
// The window of the first class registered, if it exists: where outside commands go.
HWND MainWindow();

}  // namespace platform
