// The window and its message queue: a window class and one window with a procedure; a message
// queue (posting from any thread, one message at a time on the main thread, WM_PAINT made only
// when the queue is empty and the window is invalid and not minimised, so repaint requests
// merge); activation messages; default handling (WM_CLOSE destroys the window); frames paced at
// the display's refresh; the cursor in the picture's pixels.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

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

// ---- Cursor -------------------------------------------------------------------------------

bool GetCursorPos(Point* point);  // screen pixels
bool SetCursorPos(int x, int y);
void ShowCursor(bool show);

// How many windows the layer holds (a destroyed window is freed at once).
std::size_t WindowCount();

// For the dialog host: a window of no class and no native window whose messages go to proc.
HWND CreateDialogWindow(WNDPROC proc);
// A disabled window is never the active one: disabling sends it WA_INACTIVE, enabling sends the
// activation the backend last reported (WA_ACTIVE when the window has the focus).
void EnableWindow(HWND hwnd, bool enable);

}  // namespace platform
