// The platform layer: the desktop services the game was written against, on SDL2 (the game's
// binary) or on a headless backend (tests and puckwind-sim).
//
// Offers: a window class and one window with a procedure; a message queue (posting from any
// thread, one message at a time on the main thread, WM_PAINT made only when the queue is empty
// and the window is invalid and not minimised, so repaint requests merge); activation messages;
// default handling (WM_CLOSE destroys the window); frames paced at the display's refresh; the
// cursor in screen pixels; the millisecond tick count; a periodic timer on a thread of its own;
// embedded resources; and the per-user endpoint through which a second instance finds the first
// and other programs post commands.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#ifndef __EMSCRIPTEN__
#include <stop_token>
#endif
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
};

// ---- The window and its messages -------------------------------------------------------------

struct WindowClass {
    std::string name;
    WNDPROC proc = nullptr;
    std::string iconResource;  // an ICON resource, or empty
};

struct WindowPlacement {
    bool topmost = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Registers the class; with a publishing backend this also claims the per-user endpoint named
// after the class, so a second registration (in another process) fails.
bool RegisterClass(const WindowClass& windowClass);
// Forgets the class (and gives up its endpoint with the backend that published it).
void UnregisterClass(std::string_view className);
// Whether a window of this class exists, in this process or, through its endpoint, in another.
bool FindWindow(std::string_view className);
// Makes the window and sends it WM_CREATE before returning; null when the class is unknown or
// the native window cannot be made (or WM_CREATE returned -1).
HWND CreateWindowEx(std::string_view className, std::string_view title,
                    const WindowPlacement& placement);
void ShowWindow(HWND hwnd);
void UpdateWindow(HWND hwnd);   // an invalid window is painted now, through its procedure
void DestroyWindow(HWND hwnd);  // sends WM_DESTROY, then closes the native window
bool IsWindow(HWND hwnd);

// Thread-safe; queued for the main thread.
void PostMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT SendMessage(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam);
// Waits for the next message; false for WM_QUIT, whose wParam is the exit code.
bool GetMessage(MSG* msg);
// Takes the next message if there is one, without waiting (WM_QUIT included, as GetMessage).
bool PeekMessage(MSG* msg);
LRESULT DispatchMessage(const MSG& msg);
LRESULT DefWindowProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam);

// Runs the modal dialog made from the DIALOG resource templateName, with proc as its procedure;
// returns what the procedure gave EndDialog, or -1 when the dialog cannot be made.
LRESULT DialogBoxParam(std::string_view templateName, HWND owner, WNDPROC proc, LPARAM param);

// The whole client area is to be repainted; one later WM_PAINT however many requests.
void InvalidateRect(HWND hwnd);
bool IsIconic(HWND hwnd);
// Validate the window for this paint; the backend's native surface is what gets drawn on.
void BeginPaint(HWND hwnd);
void EndPaint(HWND hwnd);

// ---- Frames at the display's refresh ---------------------------------------------------------

// From now on the window is painted at the display's refresh: InvalidateRect (and RequestFrame)
// ask for the next frame instead of a paint as soon as the queue is empty, and frames come no
// faster than the refresh: as the swap waits for it where it does (vsync), else on a steady clock
// at `rate` Hz, or at the display's reported rate when rate is 0 (60 Hz when it reports none).
// In a page, at the browser's animation frames.
void PaceFrames(HWND hwnd, double rate);
// One more frame of a paced window, whose picture is still moving; unlike InvalidateRect, not
// reported to Backend::Invalidated (it is no call of the game's).
void RequestFrame(HWND hwnd);
// While on, each pointer move over a paced window asks for a frame (its picture follows the
// pointer).
void FollowPointer(HWND hwnd, bool follow);
// The pointer's newest position in screen pixels, for the picture; the game reads its cursor
// with GetCursorPos.
Point PointerPosition();
// Now, by the backend's clock (the steady clock; in tests, a clock the test moves).
std::chrono::steady_clock::time_point ClockNow();
// A backend whose display calls for frames (Backend::CallsForFrames) says the call came.
void NotifyFrameCalled(HWND hwnd);

// The backend's view of activation: posts WM_ACTIVATE when active or minimised changed.
void NotifyActivation(HWND hwnd, bool active, bool minimised);
// The backend's window was uncovered: it needs a paint (not reported to Backend::Invalidated).
void NotifyExposed(HWND hwnd);

// ---- Cursor and time ------------------------------------------------------------------------

bool GetCursorPos(Point* point);  // screen pixels
bool SetCursorPos(int x, int y);
void ShowCursor(bool show);
std::uint32_t GetTickCount();  // milliseconds since the system started, wrapping at 2^32

// ---- Periodic timer --------------------------------------------------------------------------

struct TimerCaps {
    unsigned periodMin = 1;  // finest period in milliseconds
    unsigned periodMax = 1000000;
};
using TimerCallback = void (*)(unsigned id, unsigned message, std::uintptr_t user,
                               std::uintptr_t reserved1, std::uintptr_t reserved2);

TimerCaps GetTimerCaps();
void BeginTimerPeriod(unsigned period);
void EndTimerPeriod(unsigned period);
// Calls back every `delay` ms on a thread of its own, against a schedule kept by the backend's
// Clock() (late calls do not push the later ones back). Returns the timer's id, 0 on failure.
unsigned SetPeriodicTimer(unsigned delay, unsigned resolution, TimerCallback callback,
                          std::uintptr_t user);
// When it returns, the callback runs no more. Must not be called from the callback itself.
void KillTimer(unsigned id);
#ifdef __EMSCRIPTEN__
// A page has no threads: the backend's event wait calls this to make the timer calls that are
// due, and waits at most the milliseconds it returns for the next one (-1: there is no timer).
int RunDueTimers();
#endif

// What a timer's thread keeps time by: the steady clock, or a clock a test moves by hand.
class TimerClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~TimerClock() = default;
    virtual TimePoint Now() = 0;
#ifndef __EMSCRIPTEN__
    // Returns true once the clock has reached `when`, false as soon as stop is requested (a
    // timer's thread waits on it; a page has none).
    virtual bool WaitUntil(TimePoint when, std::stop_token stop) = 0;
#endif
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

// What the layer asks of the system under it. The SDL backend serves the game; the headless
// one serves tests and puckwind-sim.
class GlSurface;
class Dialog;
class DialogView;

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
// How many windows the layer holds (a destroyed window is freed at once).
std::size_t WindowCount();

}  // namespace platform
