// Measures a windowed program from outside, through the X server it draws on (Xvfb, with a
// black root): it starts the program and times its first presented frame (the first non-black
// pixel on the screen), then reads the program's CPU time from /proc while it waits for a click
// and, after a click at the centre, while it plays; then it moves the pointer between two points
// with XTest and times each move until the blue marker on the player's row (the game's mallet,
// the baseline's square) is seen on the new side; last, its peak resident memory (VmHWM).
// Prints one "key value" line per figure.
// With --title it compares two programs launched in turn, each launch timed to its first frame
// and left to stand two seconds: the peak resident memory then, and the CPU time from the launch
// to then (all threads, those that ended too, read from the kernel's account of the program once
// it is killed).
// Usage: frame_probe -- PROGRAM [ARGS...]
//        frame_probe --title PROGRAM [ARGS...] --versus BASELINE [ARGS...]
//   PROBE_STARTS (default 5): launches timed to their first frame; the last one goes on.
//   PROBE_IDLE_S (default 10), PROBE_PLAY_S (default 5): the two CPU windows (the clock of
//   /proc counts in 10 ms steps); PROBE_MOVES (default 200); PROBE_VERBOSE: each move's time, each
//   launch's figures with --title; PROBE_FRAME_RATE (default 41.67, a frame a tick): the frames a
//   second the program draws in play, for the CPU time a frame. PROBE_TITLE_RUNS (default 9):
//   launches of each program with --title.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;
constexpr double TICK_MS = 24;
constexpr double TITLE_MS = 2000;  // how long each launch of --title stands after its first frame
// The band of the player's row, and the two pointer positions the moves go between: 300 pixels
// apart, more than the mallet's whole range, so each move takes it from one side to the other.
constexpr int BAND_TOP = 305;
constexpr int BAND_HEIGHT = 60;
constexpr int LEFT_X = 170;
constexpr int RIGHT_X = 470;
constexpr int POINTER_Y = 360;  // where the game puts the cursor at a match's start

double EnvNumber(const char* name, double fallback) {
    const char* text = std::getenv(name);
    return text != nullptr ? std::atof(text) : fallback;
}

void Sleep(double ms) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

// The time the program's threads have run, in seconds, as the scheduler counts it, to the
// nanosecond (utime and stime come in whole 10 ms ticks, each charged to whoever runs when it
// falls, which for a program that wakes briefly 100 times a second is a coarse guess).
double CpuSeconds(pid_t pid) {
    double seconds = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        unsigned long long ns = 0;
        if (in >> ns) {
            seconds += static_cast<double>(ns) / 1e9;
        }
    }
    return seconds;
}

long PeakResidentKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

struct Pixel {
    unsigned r, g, b;
};

Pixel At(XImage* image, int x, int y) {
    const unsigned long p = XGetPixel(image, x, y);
    return {static_cast<unsigned>((p & image->red_mask) >> 16),
            static_cast<unsigned>((p & image->green_mask) >> 8),
            static_cast<unsigned>(p & image->blue_mask)};
}

bool AnyNonBlack(Display* display) {
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), 0, 0, WIDTH, HEIGHT, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool found = false;
    for (int y = 0; y < HEIGHT && !found; y += 4) {
        for (int x = 0; x < WIDTH && !found; x += 4) {
            const Pixel p = At(image, x, y);
            found = p.r + p.g + p.b > 24;
        }
    }
    XDestroyImage(image);
    return found;
}

// The mean x of the marker's pixels (deep blue: the table's blue has far more green) in the
// band, or -1 when too few are seen.
double MarkerX(Display* display) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, BAND_TOP, WIDTH, BAND_HEIGHT,
                              AllPlanes, ZPixmap);
    if (image == nullptr) {
        return -1;
    }
    double sum = 0;
    int count = 0;
    for (int y = 0; y < BAND_HEIGHT; y += 2) {
        for (int x = 0; x < WIDTH; x += 2) {
            const Pixel p = At(image, x, y);
            if (p.b > 150 && p.g < 70 && p.r < 70) {
                sum += x;
                ++count;
            }
        }
    }
    XDestroyImage(image);
    return count >= 20 ? sum / count : -1;
}

double Percentile(std::vector<double> values, double q) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

void MovePointer(Display* display, int x) {
    XTestFakeMotionEvent(display, -1, x, POINTER_Y, 0);
    XSync(display, False);
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 40 && waitpid(pid, nullptr, WNOHANG) != pid; ++i) {
        Sleep(50);
    }
    if (kill(pid, 0) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// Starts the program and waits for its first frame: its process id and the time to that frame,
// or -1 when it showed none within 20 s (it is then stopped).
pid_t Launch(Display* display, char** command, double* startupMs) {
    for (int i = 0; i < 500 && AnyNonBlack(display); ++i) {
        Sleep(10);
    }
    const auto launched = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    while (Ms(Clock::now() - launched).count() < 20000) {
        if (AnyNonBlack(display)) {
            *startupMs = Ms(Clock::now() - launched).count();
            return pid;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return -1;
        }
    }
    Stop(pid);
    return -1;
}

struct TitleFigures {
    std::vector<double> startupMs;
    std::vector<double> peakKb;
    std::vector<double> cpuMs;
};

// One launch of --title: its first frame, two seconds standing, its peak memory, then killed
// (a teardown's CPU would not count) and its whole CPU time taken from wait4.
bool StandTitle(Display* display, char** command, TitleFigures* figures) {
    double startupMs = -1;
    const pid_t pid = Launch(display, command, &startupMs);
    if (pid < 0) {
        return false;
    }
    Sleep(TITLE_MS);
    const long peakKb = PeakResidentKb(pid);
    kill(pid, SIGKILL);
    rusage usage{};
    if (wait4(pid, nullptr, 0, &usage) != pid) {
        return false;
    }
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    figures->startupMs.push_back(startupMs);
    figures->peakKb.push_back(static_cast<double>(peakKb));
    figures->cpuMs.push_back(ms(usage.ru_utime) + ms(usage.ru_stime));
    if (std::getenv("PROBE_VERBOSE") != nullptr) {
        std::fprintf(stderr, "%s: %.1f ms to the first frame, peak %ld kB, CPU %.1f ms\n",
                     command[0], startupMs, peakKb, figures->cpuMs.back());
    }
    Sleep(300);  // the screen is black again once the window is gone
    return true;
}

void PrintTitleFigures(const char* who, const TitleFigures& figures) {
    std::printf("%s_startup_ms %.1f\n", who, Percentile(figures.startupMs, 0.5));
    std::printf("%s_title_peak_rss_kb %.0f\n", who, Percentile(figures.peakKb, 0.5));
    std::printf("%s_title_cpu_ms %.1f\n", who, Percentile(figures.cpuMs, 0.5));
}

// The two programs in turn, so that a change in the machine's load falls on both alike.
int CompareTitles(Display* display, char** game, char** baseline) {
    const int runs = std::max(1, static_cast<int>(EnvNumber("PROBE_TITLE_RUNS", 9)));
    TitleFigures gameFigures;
    TitleFigures baselineFigures;
    for (int i = 0; i < runs; ++i) {
        if (!StandTitle(display, game, &gameFigures) ||
            !StandTitle(display, baseline, &baselineFigures)) {
            std::fprintf(stderr, "frame_probe: a program showed no frame\n");
            return 1;
        }
    }
    std::printf("title_runs %d\n", runs);
    PrintTitleFigures("game", gameFigures);
    PrintTitleFigures("baseline", baselineFigures);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    const bool title = first < argc && std::strcmp(argv[first], "--title") == 0;
    if (first < argc && (title || std::strcmp(argv[first], "--") == 0)) {
        ++first;
    }
    int versus = argc;
    for (int i = first; title && i < argc; ++i) {
        if (std::strcmp(argv[i], "--versus") == 0) {
            versus = i;
        }
    }
    if (first >= versus || (title && versus + 1 >= argc)) {
        std::fprintf(stderr,
                     "usage: frame_probe -- PROGRAM [ARGS...]\n"
                     "       frame_probe --title PROGRAM [ARGS...] --versus BASELINE [ARGS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "frame_probe: no X display\n");
        return 1;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "frame_probe: the X server has no XTEST\n");
        return 1;
    }
    if (AnyNonBlack(display)) {
        std::fprintf(stderr,
                     "frame_probe: the screen is not black before the start (run Xvfb with -br)\n");
        return 1;
    }
    if (title) {
        argv[versus] = nullptr;  // ends the game's command
        const int code = CompareTitles(display, argv + first, argv + versus + 1);
        XCloseDisplay(display);
        return code;
    }

    // Start-up is taken over several launches: the median is the figure, the fastest is shown.
    const int starts = std::max(1, static_cast<int>(EnvNumber("PROBE_STARTS", 5)));
    std::vector<double> startups;
    pid_t pid = 0;
    for (int i = 0; i < starts; ++i) {
        if (pid != 0) {
            Stop(pid);
            Sleep(300);  // the screen is black again once the window is gone
        }
        double startupMs = -1;
        pid = Launch(display, argv + first, &startupMs);
        if (pid < 0) {
            std::fprintf(stderr, "frame_probe: %s showed no frame\n", argv[first]);
            return 1;
        }
        startups.push_back(startupMs);
    }
    std::printf("startup_ms %.1f\nstartup_min_ms %.1f\nstartup_runs %d\n",
                Percentile(startups, 0.5), Percentile(startups, 0.0), starts);
    std::fflush(stdout);

    // Past the title's opening: from here on nothing is drawn until the click.
    Sleep(1500);
    const double idleS = EnvNumber("PROBE_IDLE_S", 10);
    double before = CpuSeconds(pid);
    auto t0 = Clock::now();
    Sleep(idleS * 1000);
    double cpu = CpuSeconds(pid) - before;
    std::printf("idle_cpu_percent %.2f\n", 100 * cpu / (Ms(Clock::now() - t0).count() / 1000));
    std::fflush(stdout);

    MovePointer(display, WIDTH / 2);
    XTestFakeButtonEvent(display, 1, True, 0);
    XTestFakeButtonEvent(display, 1, False, 0);
    XSync(display, False);
    Sleep(500);
    const double playS = EnvNumber("PROBE_PLAY_S", 5);
    before = CpuSeconds(pid);
    t0 = Clock::now();
    Sleep(playS * 1000);
    cpu = CpuSeconds(pid) - before;
    const double playMs = Ms(Clock::now() - t0).count();
    const double frames = playMs / 1000 * EnvNumber("PROBE_FRAME_RATE", 1000 / TICK_MS);
    std::printf("play_cpu_percent %.2f\n", 100 * cpu / (playMs / 1000));
    std::printf("cpu_ms_per_frame %.3f\n", cpu * 1000 / frames);
    std::fflush(stdout);

    const int moves = static_cast<int>(EnvNumber("PROBE_MOVES", 200));
    std::vector<double> latencies;
    int missed = 0;
    std::mt19937 random(8);
    std::uniform_real_distribution<double> pause(40, 40 + TICK_MS);
    for (int i = 0; i < moves + 4; ++i) {
        const bool right = i % 2 == 0;
        Sleep(pause(random));
        const auto moved = Clock::now();
        MovePointer(display, right ? RIGHT_X : LEFT_X);
        double latency = -1;
        while (Ms(Clock::now() - moved).count() < 500) {
            const double x = MarkerX(display);
            if (x >= 0 && (right ? x > WIDTH / 2 : x < WIDTH / 2)) {
                latency = Ms(Clock::now() - moved).count();
                break;
            }
        }
        if (i < 4) {
            continue;  // the first moves bring the marker to the two sides
        }
        if (std::getenv("PROBE_VERBOSE") != nullptr) {
            std::fprintf(stderr, "move %d: %.2f ms\n", i, latency);
        }
        if (latency < 0) {
            ++missed;
        } else {
            latencies.push_back(latency);
        }
    }
    double sum = 0;
    for (double l : latencies) {
        sum += l;
    }
    std::printf("latency_moves %zu\nlatency_missed %d\n", latencies.size(), missed);
    std::printf("latency_mean_ms %.2f\n", latencies.empty() ? -1 : sum / latencies.size());
    std::printf("latency_p50_ms %.2f\n", Percentile(latencies, 0.5));
    std::printf("latency_p99_ms %.2f\n", Percentile(latencies, 0.99));
    std::printf("latency_max_ms %.2f\n", Percentile(latencies, 1.0));

    std::printf("peak_rss_kb %ld\n", PeakResidentKb(pid));
    std::fflush(stdout);
    Stop(pid);
    XCloseDisplay(display);
    return 0;
}
