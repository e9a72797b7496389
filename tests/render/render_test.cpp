// The scene the builder and the display operations leave in the 3D layer (no window: compared as
// text by its digest), and the render device and the scene as drawn on real OpenGL through SDL's
// offscreen driver, with the display's depth and modes played by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <utility>

#include "game/playfield.h"
#include "platform/headless_backend.h"
#include "render/display.h"
#include "render/render.h"
#include "render/scene.h"
#include "retained/allocation_counter.h"
#include "retained/internal.h"
#include "retained/offscreen_window.h"

namespace {

using namespace retained;
using platform::HWND;

template <typename Slots, typename T>
int SlotOf(const Slots& slots, const T* object) {
    const auto* at = std::find(std::begin(slots), std::end(slots), object);
    return at == std::end(slots) ? -1 : static_cast<int>(at - std::begin(slots));
}

// Numbers to a ten-thousandth, and never -0, so that every build writes the same text.
std::ostream& operator<<(std::ostream& out, const Vector& v) {
    for (const double c : {v.x, v.y, v.z}) {
        out << ' ' << std::round(c * 1e4) / 1e4 + 0.0;
    }
    return out << ';';
}

void PutFrame(std::ostream& out, FrameImpl* frame, int depth) {
    Vector p, dir, up;
    frame->GetPosition(renderObjects.sceneFrame, &p);
    frame->GetOrientation(renderObjects.sceneFrame, &dir, &up);
    out << std::string(depth, ' ') << frame->GetSceneBackground() << p << dir << up;
    for (const LightImpl* light : frame->Lights()) {
        out << " light " << light->GetType() << light->GetColor();
    }
    for (const MeshImpl* mesh : frame->Visuals()) {
        out << " mesh " << SlotOf(renderObjects.meshBuilders, mesh);
    }
    out << '\n';
    for (FrameImpl* child : frame->Children()) {
        PutFrame(out, child, depth + 1);
    }
}

// The frame tree, the textures, and the meshes (with everyMesh false only the two that the display
// operations change): every vertex, and every face's colour, texture, corners and coordinates.
void PutScene(std::ostream& out, bool everyMesh) {
    PutFrame(out, static_cast<FrameImpl*>(renderObjects.sceneFrame), 0);
    for (const Texture* t : renderObjects.textures) {
        out << "texture " << (t ? t->GetWidth() + t->GetHeight() * 1000 : 0) << ' '
            << (t && t->GetDecalTransparency()) << '\n';
    }
    for (unsigned i = 0; i < MESH_BUILDER_COUNT; ++i) {
        MeshBuilder* mesh = renderObjects.meshBuilders[i];
        if (mesh == nullptr || (!everyMesh && i != MESH_SCOREBOARD && i != MESH_BANNER)) {
            continue;
        }
        out << "mesh " << i << ' ' << mesh->GetColor();
        Vector v;
        for (unsigned k = 0; mesh->GetVertex(k, &v) == RM_OK; ++k) {
            out << v;
        }
        Face* face = nullptr;
        for (unsigned f = 0; mesh->GetFace(f, &face) == RM_OK; ++f) {
            out << "\n face " << face->GetColor() << ' '
                << SlotOf(renderObjects.textures, face->GetTexture());
            for (unsigned k = 0; face->GetTextureCoordinates(k, &v.x, &v.y) == RM_OK; ++k) {
                out << ' ' << face->GetVertexIndex(k) << Vector{v.x, v.y, 0};
            }
            face->Release();
        }
        out << '\n';
    }
}

// The text goes to scene.txt in the build tree (to diff with the previous version's on a mismatch);
// its digest (FNV-1a) is compared with scene.digest beside this file, which
// PUCKWIND_RECORD_SCENE=1 writes instead.
TEST(Scene, BuildAndDisplayOperationsLeaveTheRecordedScene) {
    std::ostringstream out;
    const auto step = [&out](const auto&... what) {
        ((out << "== ") << ... << what) << '\n';
        PutScene(out, false);
    };
    // Start-up's scene objects (no device) and the build; then the same with the mesh builder of
    // `missing` taken away: the build stops there.
    for (int missing = -1; missing < static_cast<int>(MESH_BUILDER_COUNT); ++missing) {
        ReleaseRender();
        EXPECT_EQ(CreateFactory(&renderObjects.d3drm), RM_OK);
        EXPECT_EQ(CreateSceneObjects(), 1);
        if (missing >= 0) {
            ReleaseAndClear(renderObjects.meshBuilders[missing]);
        }
        out << "== build without " << missing << ": " << BuildScene() << '\n';
        PutScene(out, true);
        if (missing >= 0) {
            ShowBanner(BANNER_TITLE);
            ShowScore(0, 1);
            step("banner and score after a failed build");
            continue;
        }
        for (const auto& [side, value] :
             {std::pair{0, 0}, {0, 5}, {0, 10}, {0, 11}, {0, 15}, {1, 10}, {2, 1}, {-1, 1}}) {
            ShowScore(side, value);
            step("score ", side, ' ', value);
        }
        for (const int row : {BANNER_WIN, BANNER_LOSE, BANNER_TITLE}) {
            ShowBanner(row);
            step("banner ", row);
        }
        for (const int k : {0, 5, 6, 7, INT_MAX, INT_MIN}) {
            step("title ", k, ": ", TitleBannerStep(k));
        }
        for (const int n : {1, 39, 0, -1, 3}) {
            WinBannerStep(n);
            step("win ", n);
            LoseBannerStep(n * 7);
            step("lose ", n * 7);
        }
        WinBannerStep(3);
        HideBanner();
        step("hide after win 3");
        PlaceBodyFrame(BODY_PUCK, 12.5, -30.25, 20);
        PlaceBodyFrame(OBJECT_FRAME_COUNT, 1, 2, 3);
        PlaceBodyFrame(UINT_MAX, 1, 2, 3);
        AttachVisual(OBJECT_FRAME_COUNT, MESH_PUCK);
        AttachVisual(UINT_MAX, MESH_PUCK);
        AttachVisual(FRAME_TABLE, MESH_BUILDER_COUNT);
        LoadTextureSlot(TEXTURE_COUNT, "bmp_num");
        LoadTextureSlot(TEX_DIGITS, "no_such_bitmap");
        step("puck placed, indices out of range");
        LoadTextureSlot(TEX_DIGITS, "BMP_MES");
        step("digits from the banner atlas");
    }
    ReleaseRender();
    std::uint64_t digest = 0xcbf29ce484222325;
    for (const unsigned char c : out.str()) {
        digest = (digest ^ c) * 0x100000001b3;
    }
    std::ostringstream now;
    now << std::hex << digest;
    std::ofstream("scene.txt") << out.str();
    std::string stored;
    std::ifstream(SCENE_DIGEST_FILE) >> stored;
    if (std::getenv("PUCKWIND_RECORD_SCENE") != nullptr) {
        std::ofstream(SCENE_DIGEST_FILE) << now.str() << '\n';
    } else {
        EXPECT_EQ(now.str(), stored)
            << "the scene as text: " << std::filesystem::absolute("scene.txt");
    }
}

// The offscreen SDL backend's windows and OpenGL, the display's depth and modes as a test sets.
class TestDisplay : public platform::HeadlessBackend {
  public:
    explicit TestDisplay(std::unique_ptr<platform::Backend> sdl) : sdl_(std::move(sdl)) {}
    bool OpenWindow(HWND hwnd, std::string_view title, const platform::WindowPlacement& placement,
                    std::string_view icon) override {
        return sdl_->OpenWindow(hwnd, title, placement, icon);
    }
    void CloseWindow(HWND hwnd) override { sdl_->CloseWindow(hwnd); }
    std::unique_ptr<platform::GlSurface> CreateGlSurface(HWND hwnd) override {
        return sdl_->CreateGlSurface(hwnd);
    }
    int BitsPerPixel(HWND hwnd) override { return hwnd != nullptr ? windowDepth : screenDepth; }
    bool SetDisplayMode(HWND, int width, int height, int bitsPerPixel) override {
        requested = {width, height, bitsPerPixel};
        return offered && width == 640 && height == 480;
    }
    void RestoreDisplayMode(HWND) override {
        const RenderObjects& r = renderObjects;
        restores += r.d3drm || r.device || r.sceneFrame || r.viewport || r.clipper ? 100 : 1;
    }

    int windowDepth = 32;
    int screenDepth = 32;
    bool offered = false;
    std::array<int, 3> requested{};
    int restores = 0;  // 100 for each made while a 3D object was still there

  private:
    std::unique_ptr<platform::Backend> sdl_;
};

TestDisplay* display = nullptr;

class RenderDevice : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::StartOffscreenBackend([](auto sdl) {
            auto wrapped = std::make_unique<TestDisplay>(std::move(sdl));
            display = wrapped.get();
            return wrapped;
        }));
        window_ = testing_support::OpenOffscreenWindow(640, 480);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        ReleaseRender();
        SetDriverTable({});
        platform::DestroyWindow(window_);
    }
    std::vector<Color> Paint() {
        RenderPaint(window_);
        std::vector<Color> image(640 * 480);
        EXPECT_EQ(renderObjects.device->ReadImage(image), RM_OK);
        return image;
    }
    HWND window_ = nullptr;
};

TEST_F(RenderDevice, DefaultsFollowTheWindowsDepthAndTheDisplayGivesItsModeBackLast) {
    for (const auto& [depth, shades, textureColors, noDither] : {std::tuple{1, 4u, 0u, 0u},
                                                                 {4, 0u, 0u, 1u},
                                                                 {8, 0u, 0u, 1u},
                                                                 {16, 256u, 256u, 1u},
                                                                 {24, 256u, 256u, 1u},
                                                                 {32, 256u, 256u, 1u}}) {
        display->windowDepth = depth;
        ASSERT_EQ(CreateRenderObjects(window_), 1);
        const DeviceSettings& s = deviceSettings;
        EXPECT_EQ(std::tie(s.shades, s.textureColors, s.noDither),
                  std::tie(shades, textureColors, noDither))
            << depth;
        EXPECT_EQ(std::tuple(s.colorModel, s.quality, s.frontClip, s.backClip, s.field, s.shadows),
                  std::tuple(1u, 0x88u, 1.2f, 1000.0f, 1.1f, 1u));
        ReleaseRender();
    }
    using namespace platform;
    DirectDraw* directDraw = nullptr;
    ASSERT_EQ(DirectDrawCreate(&directDraw), DD_OK);
    EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 32), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(directDraw->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DDERR_INVALIDPARAMS);
    ASSERT_EQ(directDraw->SetCooperativeLevel(window_, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 32), DDERR_UNSUPPORTEDMODE);
    display->offered = true;
    ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 32), DD_OK);
    directDraw->AddRef();
    EXPECT_EQ(std::pair(directDraw->Release(), display->restores), std::pair(1u, 0));
    EXPECT_EQ(std::pair(directDraw->Release(), display->restores), std::pair(0u, 1));
    DestroyWindow(window_);
    EXPECT_EQ(CreateRenderObjects(window_), 0);
    EXPECT_EQ(renderObjects.clipper, nullptr);
}

TEST_F(RenderDevice, DriverSearchPassesOverHardwareThatCannotDrawAtTheScreensDepth) {
    for (const auto& [screen, model, software, found] :
         {std::tuple{32, COLOR_RGB, 0, DRIVER_HARDWARE_RGB},
          {8, COLOR_RGB, 0, DRIVER_SOFTWARE_RGB},
          {15, COLOR_RGB, 0, DRIVER_SOFTWARE_RGB},
          {32, COLOR_RGB, 1, DRIVER_SOFTWARE_RGB},
          {32, COLOR_MONO, 0, DRIVER_SOFTWARE_MONO},
          {32, ColorModel{7}, 0, DRIVER_HARDWARE_RGB}}) {
        display->screenDepth = screen;
        const Guid* guid = FindDriverGuid(model, software);
        EXPECT_EQ(guid ? guid->data : 0, found.data) << screen << " " << model << " " << software;
    }
    const DriverInfo hardware16[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, platform::DDBD_16}, true}};
    SetDriverTable(hardware16);
    EXPECT_EQ(FindDriverGuid(COLOR_RGB, 0), nullptr);  // and the software search finds nothing
    EXPECT_EQ(FindDriverGuid(COLOR_MONO, 0), nullptr);
    display->screenDepth = 16;
    EXPECT_NE(FindDriverGuid(COLOR_RGB, 0), nullptr);
    using namespace platform;
    for (const auto& [bits, flag] : {std::pair{1, DDBD_1},
                                     {2, DDBD_2},
                                     {4, DDBD_4},
                                     {8, DDBD_8},
                                     {16, DDBD_16},
                                     {24, DDBD_24},
                                     {32, DDBD_32},
                                     {15, 0u}}) {
        EXPECT_EQ(BitDepthFlag(bits), flag) << bits;
    }
}

TEST_F(RenderDevice, RefusedDriverIsRetriedInSoftwareAndPaintNeedsAViewport) {
    RenderPaint(window_);  // nothing made yet: nothing happens
    RenderActivate(platform::WA_ACTIVE);
    DriverInfo drivers[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, platform::DDBD_32}, false},
        {DRIVER_SOFTWARE_RGB, "sw", false, {1, COLOR_RGB, platform::DDBD_32}, true}};
    SetDriverTable(drivers);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    deviceSettings.colorModel = COLOR_RGB;
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    RenderObjects& r = renderObjects;
    EXPECT_EQ(r.device->GetDriverGuid().data, DRIVER_SOFTWARE_RGB.data);
    EXPECT_FALSE(r.directDraw->ModeChanged());  // not offered
    r.sceneFrame->SetSceneBackground(0xFFFF0000);
    r.viewport->Clear();
    Viewport* viewport = std::exchange(r.viewport, nullptr);
    r.sceneFrame->SetSceneBackground(0xFF0000FF);
    EXPECT_EQ(Paint()[240 * 640 + 320], 0xFFFF0000u);  // no viewport: the red stays
    r.viewport = viewport;
    ReleaseRender();
    drivers[1].canCreate = false;
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    deviceSettings.colorModel = COLOR_RGB;
    EXPECT_EQ(CreateRenderDevice(window_), 0);
    EXPECT_EQ(std::pair(r.device, display->restores), (std::pair<Device*, int>(nullptr, 0)));
}

// The table's (0, 127, 255), a mallet's (0, 25, 255) and the puck's white, under any light.
enum Look { TABLE, MALLET, PUCK };
bool Looks(Color c, Look look) {
    const int r = static_cast<int>(c >> 16 & 0xFF), g = static_cast<int>(c >> 8 & 0xFF),
              b = static_cast<int>(c & 0xFF);
    if (look == PUCK) {
        return r > 100 && std::abs(r - g) < 12 && std::abs(g - b) < 12;
    }
    return b > 100 && r < 30 && (look == TABLE ? g > b * 35 / 100 && g < b * 65 / 100 : g < b / 4);
}

// The camera model: from (0, -250, -500) toward the origin the camera's axes are x = (1, 0, 0),
// z = (0, 1, 2) / sqrt 5 and y = (0, 2, -1) / sqrt 5; the front plane at 1.2 spans +-1.1 across
// 640 pixels, so camera (x, y) at depth d lands at 320 + x / d * s, 240 - y / d * s.
Color At(const std::vector<Color>& image, double x, double y, double z) {
    const double dy = y + 250, dz = z + 500, d = (dy + 2 * dz) / std::sqrt(5.0);
    const double s = 320 * 1.2 / 1.1;
    const long column = std::lround(320 + x / d * s);
    const long row = std::lround(240 - (2 * dy - dz) / std::sqrt(5.0) / d * s);
    return image.at(static_cast<std::size_t>(row * 640 + column));
}

TEST_F(RenderDevice, DrawsTheSceneWhereTheCameraModelPutsItWithoutAllocating) {
    display->screenDepth = 16;  // the window's 32 bits choose the settings, the screen's the mode
    display->offered = true;
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    ASSERT_EQ(BuildScene(), 1);
    const RenderObjects& r = renderObjects;
    EXPECT_EQ(
        std::tuple(r.device->GetDriverGuid().data, r.device->GetWidth(), r.device->GetHeight(),
                   r.device->GetQuality(), r.device->GetShades(), r.device->GetDither()),
        std::tuple(DRIVER_SOFTWARE_MONO.data, 640, 480, RENDER_FLAT, 256u, false));
    EXPECT_EQ(std::tuple(r.viewport->GetFront(), r.viewport->GetBack(), r.viewport->GetField()),
              std::tuple(1.2f, 1000.0f, 1.1f));
    for (const Texture* texture : r.textures) {
        EXPECT_EQ(std::pair(texture->GetShades(), texture->GetColors()), std::pair(256u, 256u));
    }
    EXPECT_EQ(display->requested, (std::array{640, 480, 16}));
    EXPECT_TRUE(r.directDraw->ModeChanged());

    auto image = Paint();
    for (const double x : {-60.0, 0.0, 60.0}) {
        for (const double y : {-90.0, -40.0, 40.0, 90.0}) {
            EXPECT_TRUE(Looks(At(image, x, y, 0), TABLE)) << x << ", " << y;
        }
    }
    EXPECT_TRUE(Looks(At(image, 0, -160, -24), MALLET));  // the knob tops
    EXPECT_TRUE(Looks(At(image, 0, 160, -24), MALLET));
    EXPECT_TRUE(Looks(At(image, 0, 0, -6), PUCK));  // the dish
    PlaceBodyFrame(BODY_PUCK, 60, -60, 0);
    image = Paint();
    EXPECT_TRUE(Looks(At(image, 60, -60, -6), PUCK));
    EXPECT_TRUE(Looks(At(image, 0, -8, 0), TABLE));
    PlaceBodyFrame(BODY_PUCK, 0, 0, 20);  // under the table
    image = Paint();
    PlaceBodyFrame(BODY_PUCK, 0, -1500, -3000);  // behind the camera
    EXPECT_EQ(Paint(), image);
    // The title's frames: the banner flies in, the puck moves; the meshes are on the GPU already.
    const std::size_t allocations = testing_support::AllocationCount();
    for (int k = 0; k < 8; ++k) {
        TitleBannerStep(k);
        PlaceBodyFrame(BODY_PUCK, k, -k, 0);
        RenderPaint(window_);
    }
    EXPECT_EQ(testing_support::AllocationCount(), allocations);
    ReleaseRender();
    ReleaseRender();
    EXPECT_EQ(display->restores, 1);
}

}  // namespace
