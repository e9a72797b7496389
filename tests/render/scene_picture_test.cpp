// The scene as it is drawn: real OpenGL through SDL's offscreen driver, a 640 by 480 window, the
// render device and the scene as the game makes them at start-up. Every probe point is the
// projection of a scene point, worked out here from the camera alone (see Project).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

#include "refusing_mesh_builder.h"
#include "render/display.h"
#include "render/render.h"
#include "render/scene.h"
#include "retained/offscreen_window.h"

namespace {

using platform::HWND;

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

struct Pixel {
    int r;
    int g;
    int b;
};

struct ScreenPoint {
    double x;
    double y;
};

// Where a scene point lands on the screen. The camera stands at (0, -250, -500) and looks at the
// origin with its +y as near the scene's +y as can be: its axes are x = (1, 0, 0),
// z = (0, 250, 500) / |..| = (0, 1, 2) / sqrt 5, y = z turned up = (0, 2, -1) / sqrt 5. The front
// plane at 1.2 spans +-1.1 across the 640 pixels, so a point at camera depth d and camera x, y
// lands at 320 + x / d * 320 * 1.2 / 1.1 and 240 - y / d * (the same scale).
ScreenPoint Project(double x, double y, double z) {
    const double root5 = std::sqrt(5.0);
    const double dx = x, dy = y + 250, dz = z + 500;
    const double cx = dx;
    const double cy = (2 * dy - dz) / root5;
    const double cz = (dy + 2 * dz) / root5;
    const double scale = 320 * 1.2 / 1.1;
    return {320 + cx / cz * scale, 240 - cy / cz * scale};
}

class ScenePicture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::StartOffscreenBackend()) << "no offscreen OpenGL";
        window_ = testing_support::OpenOffscreenWindow(WIDTH, HEIGHT);
        ASSERT_NE(window_, HWND{});
        ASSERT_EQ(CreateRenderObjects(window_), 1);
        ASSERT_EQ(CreateRenderDevice(window_), 1);
        ASSERT_EQ(renderObjects.device->GetWidth(), WIDTH);
        ASSERT_EQ(renderObjects.device->GetHeight(), HEIGHT);
    }

    void TearDown() override {
        ReleaseRender();
        if (window_ != HWND{}) {
            platform::DestroyWindow(window_);
        }
    }

    // Draws the scene and reads back what was drawn.
    void Draw() {
        image_.assign(static_cast<std::size_t>(WIDTH) * HEIGHT, 0);
        renderObjects.viewport->Clear();
        renderObjects.viewport->Render(renderObjects.sceneFrame);
        ASSERT_EQ(renderObjects.device->ReadImage(image_), retained::RM_OK);
    }

    Pixel At(ScreenPoint p) const {
        const int x = static_cast<int>(std::lround(p.x));
        const int y = static_cast<int>(std::lround(p.y));
        EXPECT_TRUE(x >= 0 && y >= 0 && x < WIDTH && y < HEIGHT);
        const retained::Color c = image_[static_cast<std::size_t>(y) * WIDTH + x];
        return {static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                static_cast<int>(c & 0xFF)};
    }

    // The pixels of a screen rectangle, to compare two pictures in one place.
    std::vector<retained::Color> Region(int left, int top, int right, int bottom) const {
        std::vector<retained::Color> out;
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                out.push_back(image_[static_cast<std::size_t>(y) * WIDTH + x]);
            }
        }
        return out;
    }

    HWND window_{};
    std::vector<retained::Color> image_;
};

// The table's light blue (0, 127, 255) under any light: blue strongest, green about half of it.
bool IsTableBlue(Pixel p) {
    return p.b > 100 && p.r < 30 && p.g > p.b * 35 / 100 && p.g < p.b * 65 / 100;
}
// A mallet's blue (0, 25, 255): nearly no green.
bool IsMalletBlue(Pixel p) {
    return p.b > 100 && p.r < 30 && p.g < p.b * 25 / 100;
}
// The puck keeps the mesh default, white: grey under any light.
bool IsWhite(Pixel p) {
    return p.r > 100 && std::abs(p.r - p.g) < 12 && std::abs(p.g - p.b) < 12;
}

std::ostream& operator<<(std::ostream& out, Pixel p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

TEST_F(ScenePicture, TheTableFillsTheMiddleAndTheBodiesStandWhereProjected) {
    ASSERT_EQ(BuildScene(), 1);
    Draw();
    // Around the centre, clear of the puck (radius 18) and the centre line (y = 0).
    for (double x : {-60.0, 0.0, 60.0}) {
        for (double y : {-90.0, -40.0, 40.0, 90.0}) {
            EXPECT_TRUE(IsTableBlue(At(Project(x, y, 0))))
                << x << ", " << y << " " << At(Project(x, y, 0));
        }
    }
    // The knob tops of the mallets at (0, -160) and (0, 160), the puck's dish at (0, 0).
    EXPECT_TRUE(IsMalletBlue(At(Project(0, -160, -24)))) << At(Project(0, -160, -24));
    EXPECT_TRUE(IsMalletBlue(At(Project(0, 160, -24)))) << At(Project(0, 160, -24));
    EXPECT_TRUE(IsWhite(At(Project(0, 0, -6)))) << At(Project(0, 0, -6));
    // A body follows its frame.
    PlaceBodyFrame(2, 60, -60, 0);
    Draw();
    EXPECT_TRUE(IsWhite(At(Project(60, -60, -6)))) << At(Project(60, -60, -6));
    EXPECT_TRUE(IsTableBlue(At(Project(0, -8, 0)))) << At(Project(0, -8, 0));
}

TEST_F(ScenePicture, APuckBelowTheSurfaceIsHidden) {
    ASSERT_EQ(BuildScene(), 1);
    PlaceBodyFrame(2, 0, 0, 20);
    Draw();
    const std::vector<retained::Color> hidden = image_;
    EXPECT_TRUE(IsTableBlue(At(Project(0, -8, 0)))) << At(Project(0, -8, 0));
    // The same picture as with the puck far behind the camera.
    PlaceBodyFrame(2, 0, -1500, -3000);
    Draw();
    EXPECT_EQ(image_, hidden);
}

TEST_F(ScenePicture, TheTitleScreenReadsThreeToFive) {
    ASSERT_EQ(BuildScene(), 1);
    // The title banner at rest lies over the scoreboard; out of the way, the digits show.
    HideBanner();
    // The digit faces lie at height 24 over x from -199 to -163, y from -38 to -4 (near) and 4 to
    // 38 (far); the rectangles below hold their projections with a pixel to spare.
    const auto box = [](double y0, double y1) {
        std::array<int, 4> b{WIDTH, HEIGHT, 0, 0};
        for (double x : {-199.0, -163.0}) {
            for (double y : {y0, y1}) {
                const ScreenPoint p = Project(x, y, -24);
                b = {std::min(b[0], static_cast<int>(p.x) - 1),
                     std::min(b[1], static_cast<int>(p.y) - 1),
                     std::max(b[2], static_cast<int>(p.x) + 2),
                     std::max(b[3], static_cast<int>(p.y) + 2)};
            }
        }
        return b;
    };
    const std::array<int, 4> nearBox = box(-38, -4), farBox = box(4, 38);
    Draw();
    ASSERT_LT(nearBox[0] + 10, nearBox[2]);
    ASSERT_LT(nearBox[1] + 5, nearBox[3]);
    const std::vector<retained::Color> nearShown =
        Region(nearBox[0], nearBox[1], nearBox[2], nearBox[3]);
    const std::vector<retained::Color> farShown =
        Region(farBox[0], farBox[1], farBox[2], farBox[3]);
    // The near face matches the 3 of the digit atlas and no other value; the far face the 5.
    for (int value = 0; value <= 10; ++value) {
        ShowScore(0, value);
        ShowScore(1, value);
        Draw();
        EXPECT_EQ(Region(nearBox[0], nearBox[1], nearBox[2], nearBox[3]) == nearShown, value == 3)
            << value;
        EXPECT_EQ(Region(farBox[0], farBox[1], farBox[2], farBox[3]) == farShown, value == 5)
            << value;
    }
}

TEST_F(ScenePicture, TheBannerAtRestIsCentred) {
    ASSERT_EQ(BuildScene(), 1);
    HideBanner();
    Draw();
    const std::vector<retained::Color> without = image_;
    ShowBanner(BANNER_WIN);
    Draw();
    int left = WIDTH, right = -1, top = HEIGHT, bottom = -1;
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * WIDTH + x;
            if (image_[i] != without[i]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0) << "the banner is drawn";
    // The quad's corners (+-100, +-25) at rest, 156.5 units from the camera, project to
    // x 97..543 and y 184..296: the lettering lies inside, centred on the screen's centre.
    const ScreenPoint corner =
        Project(100, -180 + 25 * 2 / std::sqrt(5.0), -360 - 25 / std::sqrt(5.0));
    EXPECT_NEAR(corner.x, 543, 1);
    EXPECT_GE(left, 640 - 544);
    EXPECT_LE(right, 544);
    EXPECT_GE(top, 183);
    EXPECT_LE(bottom, 297);
    EXPECT_NEAR((left + right) / 2.0, 320, 6);
    EXPECT_NEAR((top + bottom) / 2.0, 240, 6);
    EXPECT_GT(right - left, 300) << "the lettering is large";
}

TEST_F(ScenePicture, AFailedFirstMeshLeavesOnlyTheBackground) {
    retained::MeshBuilder*& puck = renderObjects.meshBuilders[MESH_PUCK];
    puck->Release();
    puck = new RefusingMeshBuilder;
    EXPECT_EQ(BuildScene(), 0);
    Draw();
    for (retained::Color c : image_) {
        ASSERT_EQ(c, 0xFF000000u);
    }
}

TEST_F(ScenePicture, AFailedBannerLeavesTheRestComplete) {
    ASSERT_EQ(BuildScene(), 1);
    Draw();
    const std::vector<retained::Color> complete = image_;
    ReleaseRender();
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    retained::MeshBuilder*& banner = renderObjects.meshBuilders[MESH_BANNER];
    banner->Release();
    banner = new RefusingMeshBuilder;
    EXPECT_EQ(BuildScene(), 0);
    Draw();
    EXPECT_EQ(image_, complete);
}

}  // namespace
