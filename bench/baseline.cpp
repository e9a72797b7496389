// The baseline the game's figures are compared with: the least an SDL2 + OpenGL program does to
// show the same window at the same rate. It opens a 640x480 borderless window at (0,0), presents
// one frame cleared to green at once, then waits for a click without any timer (as the game's
// title does); from the click on, a thread of its own wakes the window thread every 24 ms against
// a steady-clock schedule and each wake presents a frame: the green clear and a blue square
// (the game's mallet colour) at the mouse's x, on the row of the player's mallet.
// With --fill it fills the screen as the game does on a screen larger than 640x480: a desktop
// full-screen window, black, with the 640x480 picture centred and as large as fits.
// Usage: baseline [--fill]       run the window until it is closed (or SIGTERM)
//        baseline --ticks N      no window: print the figures of N wakes, as tick_period does
//        baseline --renderer     print the GL renderer and version strings and leave
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "tick_stats.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int PERIOD_MS = 24;
constexpr int SQUARE = 40;
constexpr int SQUARE_CENTRE_Y = 335;  // window pixels from the top: where the player's mallet is

// Wakes the window thread every PERIOD_MS against a fixed schedule: a late wake does not push
// the later ones back.
class Ticker {
  public:
    explicit Ticker(Uint32 event) : event_(event), thread_([this] { Run(); }) {}
    ~Ticker() {
        stop_ = true;
        thread_.join();
    }
    Clock::time_point Start() const { return start_; }

  private:
    void Run() {
        auto next = start_;
        while (!stop_) {
            next += std::chrono::milliseconds(PERIOD_MS);
            std::this_thread::sleep_until(next);
            SDL_Event e{};
            e.type = event_;
            SDL_PushEvent(&e);
        }
    }
    Uint32 event_;
    std::atomic<bool> stop_{false};
    Clock::time_point start_ = Clock::now();
    std::thread thread_;
};

int RunTicks(int count) {
    if (SDL_Init(SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "baseline: %s\n", SDL_GetError());
        return 1;
    }
    const Uint32 tick = SDL_RegisterEvents(1);
    std::vector<Clock::time_point> arrivals;
    arrivals.reserve(static_cast<std::size_t>(count));
    Clock::time_point start;
    {
        Ticker ticker(tick);
        start = ticker.Start();
        SDL_Event e;
        while (static_cast<int>(arrivals.size()) < count && SDL_WaitEvent(&e) != 0) {
            if (e.type == tick) {
                arrivals.push_back(Clock::now());
            }
        }
    }
    PrintTickFigures(arrivals, start, PERIOD_MS);
    SDL_Quit();
    return 0;
}

// Clears the 640x480 picture's rectangle (x, y, width, height, scaled) of the drawable.
void ClearPicture(SDL_Window* window, int x, int y, int width, int height, float r, float g,
                  float b) {
    int w = 0;
    int h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    const double scale = std::min(w / 640.0, h / 480.0);
    const int left = static_cast<int>((w - 640 * scale) / 2);
    const int bottom = static_cast<int>((h - 480 * scale) / 2);
    glScissor(left + static_cast<int>(x * scale), bottom + static_cast<int>(y * scale),
              static_cast<int>(width * scale), static_cast<int>(height * scale));
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void Present(SDL_Window* window, int mouseX, bool square) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    ClearPicture(window, 0, 0, 640, 480, 0.2f, 0.6f, 0.2f);
    if (square) {
        ClearPicture(window, mouseX - SQUARE / 2, 480 - SQUARE_CENTRE_Y - SQUARE / 2, SQUARE,
                     SQUARE, 0.0f, 0.1f, 1.0f);
    }
    SDL_GL_SwapWindow(window);
}

int RunWindow(bool describeOnly, bool fill) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "baseline: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Rect screen{0, 0, 640, 480};
    if (fill) {
        SDL_GetDisplayBounds(0, &screen);
    }
    SDL_Window* window = SDL_CreateWindow(
        "baseline", screen.x, screen.y, screen.w, screen.h,
        SDL_WINDOW_BORDERLESS | SDL_WINDOW_OPENGL | (fill ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "baseline: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    if (describeOnly) {
        std::printf("%s, OpenGL %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                    reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    }
    const Uint32 tick = SDL_RegisterEvents(1);
    Present(window, 0, false);
    bool running = !describeOnly;
    int mouseX = 320;
    {
        std::unique_ptr<Ticker> ticker;
        SDL_Event e;
        while (running && SDL_WaitEvent(&e) != 0) {
            if (e.type == SDL_QUIT) {
                running = false;
            } else if (e.type == SDL_MOUSEMOTION) {
                int w = 0;
                int h = 0;
                SDL_GetWindowSize(window, &w, &h);
                const double scale = std::min(w / 640.0, h / 480.0);
                mouseX = static_cast<int>((e.motion.x - (w - 640 * scale) / 2) / scale);
            } else if (e.type == SDL_MOUSEBUTTONDOWN && !ticker) {
                ticker = std::make_unique<Ticker>(tick);
            } else if (e.type == tick) {
                Present(window, mouseX, true);
            }
        }
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--ticks") == 0) {
        return RunTicks(std::atoi(argv[2]));
    }
    const bool fill = argc > 1 && std::strcmp(argv[1], "--fill") == 0;
    return RunWindow(argc > 1 && std::strcmp(argv[1], "--renderer") == 0, fill);
}
