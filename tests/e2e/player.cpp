// A scripted player for the end-to-end tests: finds the white puck and the player's blue mallet
// on the X screen and moves the pointer (through xdotool) so that the mallet goes for the puck.
//
// Usage: puckwind-e2e-player puck     prints the puck's screen position "x y" (exit 1: none)
//        puckwind-e2e-player mallet   the same for the player's mallet
//        puckwind-e2e-player play MS  plays for MS milliseconds; prints "frames N puck M moves K"
//
// Screen and table meet through the game's camera: at (0,-250,-500) looking at the origin,
// front plane 1.2 and field 1.1 over 640 pixels; table x to the right, y up the screen, the
// surface at height 0. The mallet follows relative pointer motion, one pixel per table unit.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

namespace {

constexpr double SCALE = 320.0 * 1.2 / 1.1;  // pixels per unit of x/z in camera space
const double FORWARD_Y = 250.0 / std::sqrt(250.0 * 250.0 + 500.0 * 500.0);
const double FORWARD_Z = 500.0 / std::sqrt(250.0 * 250.0 + 500.0 * 500.0);

struct TablePoint {
    double x;
    double y;
};

struct ScreenPoint {
    double x;
    double y;
};

// The point of the table surface under a screen pixel.
TablePoint Unproject(double sx, double sy) {
    const double a = (sx - 320.0) / SCALE;
    const double b = (240.0 - sy) / SCALE;
    // With d = (X, Y + 250, 500): depth = FY (Y + 250) + FZ 500, height = FZ Y ... solved for Y.
    const double y = (FORWARD_Y * 250.0 + FORWARD_Z * 500.0) * b / (FORWARD_Z - FORWARD_Y * b);
    const double depth = FORWARD_Y * (y + 250.0) + FORWARD_Z * 500.0;
    return {a * depth, y};
}

class ScreenView {
  public:
    ScreenView() : display_(XOpenDisplay(nullptr)) {}
    ~ScreenView() {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
    }
    ScreenView(const ScreenView&) = delete;
    ScreenView& operator=(const ScreenView&) = delete;

    bool Open() const { return display_ != nullptr; }

    // Grabs the 640 by 480 pixels at the top left of the screen; false when it cannot.
    bool Grab() {
        if (image_ != nullptr) {
            XDestroyImage(image_);
        }
        image_ =
            XGetImage(display_, DefaultRootWindow(display_), 0, 0, 640, 480, AllPlanes, ZPixmap);
        return image_ != nullptr && image_->bits_per_pixel == 32;
    }

    void Pixel(int x, int y, int* r, int* g, int* b) const {
        unsigned long p = XGetPixel(image_, x, y);
        *r = static_cast<int>((p & image_->red_mask) >> 16);
        *g = static_cast<int>((p & image_->green_mask) >> 8);
        *b = static_cast<int>(p & image_->blue_mask);
    }

    // Centre of the pixels on the table surface (inside the disc centres' reach) that pass
    // `wanted`; nothing when fewer than `least` do.
    template <typename Wanted>
    std::optional<ScreenPoint> Find(Wanted wanted, double maxTableY, int least) const {
        double sumX = 0;
        double sumY = 0;
        int count = 0;
        for (int y = 100; y < 400; ++y) {
            for (int x = 120; x < 520; ++x) {
                int r = 0;
                int g = 0;
                int b = 0;
                Pixel(x, y, &r, &g, &b);
                if (!wanted(r, g, b)) {
                    continue;
                }
                const TablePoint t = Unproject(x, y);
                if (std::fabs(t.x) < 150 && std::fabs(t.y) < 172 && t.y < maxTableY) {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
            }
        }
        if (count < least) {
            return std::nullopt;
        }
        return ScreenPoint{sumX / count, sumY / count};
    }

    std::optional<ScreenPoint> Puck() const {
        return Find([](int r, int g, int b) { return r > 200 && g > 200 && b > 200; }, 1e9, 20);
    }

    // The player's mallet is the deep blue disc on the near half (the field is a lighter blue).
    std::optional<ScreenPoint> Mallet() const {
        return Find([](int r, int g, int b) { return r < 60 && g < 60 && b > 120; }, 0, 40);
    }

    // Through xdotool (synthetic device motion): the game sees it as a real mouse would move
    // the pointer, grab and all, which a warp of the pointer does not reliably give.
    void MovePointer(int dx, int dy) {
        const std::string command =
            "xdotool mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy);
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "puckwind-e2e-player: xdotool failed\n");
        }
    }

  private:
    Display* display_;
    XImage* image_ = nullptr;
};

int Print(const std::optional<ScreenPoint>& point) {
    if (!point) {
        return 1;
    }
    std::printf("%.0f %.0f\n", point->x, point->y);
    return 0;
}

// One step towards the puck: from behind it (the player's side) the mallet drives through it
// up the table; from anywhere else it first goes round to behind it. Steps are capped so that
// the pointer stays well inside the window.
void Step(ScreenView& screen, int* seen, int* moves) {
    const auto puck = screen.Puck();
    const auto mallet = screen.Mallet();
    if (!puck || !mallet) {
        return;
    }
    ++*seen;
    const TablePoint p = Unproject(puck->x, puck->y);
    const TablePoint m = Unproject(mallet->x, mallet->y);
    TablePoint target{p.x, p.y + 20};
    const double apart = std::hypot(p.x - m.x, p.y - m.y);
    const bool byAWall = std::fabs(p.x) > 105 || p.y < -120;
    if (byAWall && apart < 50) {
        // Pressing a puck into a wall or a corner only wedges it: back off towards the middle
        // of the near half, then strike it from there at full speed.
        const double toX = -p.x;
        const double toY = -80 - p.y;
        const double length = std::max(1.0, std::hypot(toX, toY));
        target = {p.x + toX / length * 80, p.y + toY / length * 80};
    } else if (byAWall) {
        target = {p.x + (p.x - m.x) / apart * 30, p.y + (p.y - m.y) / apart * 30};
    } else if (m.y > p.y - 25) {
        target = {p.x + (m.x > p.x ? 45.0 : -45.0), p.y - 40};
    }
    // Only where the mallet can go (a little inside, for what the colours put off its centre):
    // a pointer pushed further would end on the window's edge and stop moving the mallet.
    target.x = std::clamp(target.x, -125.0, 125.0);
    target.y = std::clamp(target.y, -145.0, -10.0);
    const double dx = std::clamp(target.x - m.x, -60.0, 60.0);
    const double dy = std::clamp(target.y - m.y, -60.0, 60.0);
    if (std::fabs(dx) < 1 && std::fabs(dy) < 1) {
        return;
    }
    screen.MovePointer(static_cast<int>(std::lround(dx)), static_cast<int>(-std::lround(dy)));
    ++*moves;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc >= 2 ? argv[1] : "";
    ScreenView screen;
    if (!screen.Open()) {
        std::fprintf(stderr, "puckwind-e2e-player: no X display\n");
        return 2;
    }
    if (argc == 2 && (command == "puck" || command == "mallet")) {
        if (!screen.Grab()) {
            return 2;
        }
        return Print(command == "puck" ? screen.Puck() : screen.Mallet());
    }
    if (argc == 3 && command == "play") {
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::atoi(argv[2]));
        int frames = 0;
        int seen = 0;
        int moves = 0;
        while (std::chrono::steady_clock::now() < end) {
            if (!screen.Grab()) {
                return 2;
            }
            ++frames;
            Step(screen, &seen, &moves);
            std::this_thread::sleep_for(std::chrono::milliseconds(12));
        }
        std::printf("frames %d puck %d moves %d\n", frames, seen, moves);
        return 0;
    }
    std::fprintf(stderr, "usage: puckwind-e2e-player puck|mallet|play MS\n");
    return 2;
}
