// The render device: defaults by display depth, the driver search, device creation with its
// software retry, the scene objects, painting, the display mode and the release order.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/render.h"
#include "retained/offscreen_window.h"

namespace {

using namespace retained;

// The offscreen SDL backend, with the display's depth and modes as a test wants them.
class TestDisplay : public platform::Backend {
  public:
    explicit TestDisplay(std::unique_ptr<platform::Backend> inner) : inner_(std::move(inner)) {}

    bool OpenWindow(platform::HWND hwnd, std::string_view title,
                    const platform::WindowPlacement& placement, std::string_view icon) override {
        return inner_->OpenWindow(hwnd, title, placement, icon);
    }
    void ShowWindow(platform::HWND hwnd) override { inner_->ShowWindow(hwnd); }
    void CloseWindow(platform::HWND hwnd) override { inner_->CloseWindow(hwnd); }
    void PumpEvents(bool wait) override { inner_->PumpEvents(wait); }
    void Wake() override { inner_->Wake(); }
    platform::Point CursorPos() override { return inner_->CursorPos(); }
    void SetCursorPos(platform::Point point) override { inner_->SetCursorPos(point); }
    void ShowCursor(bool show) override { inner_->ShowCursor(show); }
    void ConfineCursor(platform::HWND hwnd, bool confine) override {
        inner_->ConfineCursor(hwnd, confine);
    }
    bool PublishClass(std::string_view name) override { return inner_->PublishClass(name); }
    bool ClassPublished(std::string_view name) override { return inner_->ClassPublished(name); }
    std::unique_ptr<platform::GlSurface> CreateGlSurface(platform::HWND hwnd) override {
        return inner_->CreateGlSurface(hwnd);
    }

    int BitsPerPixel(platform::HWND hwnd) override {
        return hwnd != nullptr ? windowDepth : screenDepth;
    }
    bool SetDisplayMode(platform::HWND, int width, int height, int bitsPerPixel) override {
        requested = {width, height, bitsPerPixel};
        return offers640By480 && width == 640 && height == 480;
    }
    void RestoreDisplayMode(platform::HWND) override {
        ++restores;
        restoredAfterEverything3D =
            renderObjects.d3drm == nullptr && renderObjects.device == nullptr &&
            renderObjects.sceneFrame == nullptr && renderObjects.viewport == nullptr;
    }

    void Reset() {
        windowDepth = 32;
        screenDepth = 32;
        offers640By480 = false;
        requested = {};
        restores = 0;
        restoredAfterEverything3D = false;
    }

    int windowDepth = 32;
    int screenDepth = 32;
    bool offers640By480 = false;
    struct Mode {
        int width = 0;
        int height = 0;
        int bitsPerPixel = 0;
    } requested;
    int restores = 0;
    bool restoredAfterEverything3D = false;

  private:
    std::unique_ptr<platform::Backend> inner_;
};

TestDisplay* display = nullptr;

class RenderDeviceTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(
            testing_support::StartOffscreenBackend([](std::unique_ptr<platform::Backend> b) {
                auto wrapped = std::make_unique<TestDisplay>(std::move(b));
                display = wrapped.get();
                return wrapped;
            }));
        display->Reset();
        window_ = testing_support::OpenOffscreenWindow(640, 480);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        ReleaseRender();
        SetDriverTable({});
        platform::DestroyWindow(window_);
    }
    void Depths(int window, int screen) {
        display->windowDepth = window;
        display->screenDepth = screen;
    }
    std::vector<Color> Image() {
        std::vector<Color> image(640 * 480);
        EXPECT_EQ(renderObjects.device->ReadImage(image), RM_OK);
        return image;
    }

    platform::HWND window_ = nullptr;
};

TEST_F(RenderDeviceTest, DefaultsFollowTheWindowsDepth) {
    struct Case {
        int depth;
        unsigned shades, textureColors, noDither;
    };
    for (const Case& c : {Case{1, 4, 0, 0}, Case{4, 0, 0, 1}, Case{8, 0, 0, 1},
                          Case{16, 256, 256, 1}, Case{24, 256, 256, 1}, Case{32, 256, 256, 1}}) {
        Depths(c.depth, 32);
        ASSERT_EQ(CreateRenderObjects(window_), 1);
        EXPECT_EQ(deviceSettings.shades, c.shades) << c.depth;
        EXPECT_EQ(deviceSettings.textureColors, c.textureColors) << c.depth;
        EXPECT_EQ(deviceSettings.noDither, c.noDither) << c.depth;
        EXPECT_EQ(deviceSettings.colorModel, COLOR_MONO);
        EXPECT_EQ(deviceSettings.quality, 0x88u);
        EXPECT_FLOAT_EQ(deviceSettings.frontClip, 1.2f);
        EXPECT_FLOAT_EQ(deviceSettings.backClip, 1000.0f);
        EXPECT_FLOAT_EQ(deviceSettings.field, 1.1f);
        EXPECT_EQ(deviceSettings.shadows, 1u);
        ReleaseRender();
    }
}

TEST_F(RenderDeviceTest, ObjectsNeedALiveWindow) {
    platform::DestroyWindow(window_);
    EXPECT_EQ(CreateRenderObjects(window_), 0);
    EXPECT_NE(renderObjects.d3drm, nullptr);  // left for ReleaseRender
    EXPECT_EQ(renderObjects.clipper, nullptr);
}

TEST_F(RenderDeviceTest, BitDepthFlags) {
    EXPECT_EQ(BitDepthFlag(1), platform::DDBD_1);
    EXPECT_EQ(BitDepthFlag(2), platform::DDBD_2);
    EXPECT_EQ(BitDepthFlag(4), platform::DDBD_4);
    EXPECT_EQ(BitDepthFlag(8), platform::DDBD_8);
    EXPECT_EQ(BitDepthFlag(16), platform::DDBD_16);
    EXPECT_EQ(BitDepthFlag(24), platform::DDBD_24);
    EXPECT_EQ(BitDepthFlag(32), platform::DDBD_32);
    EXPECT_EQ(BitDepthFlag(15), 0u);
    EXPECT_EQ(BitDepthFlag(0), 0u);
}

TEST_F(RenderDeviceTest, HardwareDriverIsPassedOverWhenItCannotDrawAtTheScreensDepth) {
    Depths(32, 32);
    const Guid* guid = FindDriverGuid(COLOR_RGB, 0);
    ASSERT_NE(guid, nullptr);
    EXPECT_EQ(*guid, DRIVER_HARDWARE_RGB);
    Depths(32, 8);  // the hardware driver draws at 16, 24 and 32 bits only
    guid = FindDriverGuid(COLOR_RGB, 0);
    ASSERT_NE(guid, nullptr);
    EXPECT_EQ(*guid, DRIVER_SOFTWARE_RGB);
    Depths(32, 15);  // a depth with no flag: never hardware
    EXPECT_EQ(*FindDriverGuid(COLOR_RGB, 0), DRIVER_SOFTWARE_RGB);
    Depths(32, 32);
    EXPECT_EQ(*FindDriverGuid(COLOR_RGB, 1), DRIVER_SOFTWARE_RGB);
    EXPECT_EQ(*FindDriverGuid(COLOR_MONO, 0), DRIVER_SOFTWARE_MONO);
    EXPECT_EQ(*FindDriverGuid(7, 0), DRIVER_HARDWARE_RGB);  // anything but mono asks for RGB
}

TEST_F(RenderDeviceTest, FailedSearchGivesNoGuid) {
    const DriverInfo hardwareOnly[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, platform::DDBD_16}, true}};
    SetDriverTable(hardwareOnly);
    Depths(32, 32);
    // Found, but unusable at 32 bits; the software search that follows finds nothing.
    EXPECT_EQ(FindDriverGuid(COLOR_RGB, 0), nullptr);
    EXPECT_EQ(FindDriverGuid(COLOR_MONO, 0), nullptr);
    Depths(32, 16);
    EXPECT_NE(FindDriverGuid(COLOR_RGB, 0), nullptr);
}

TEST_F(RenderDeviceTest, DeviceAt32BitsHasTheSceneCameraLightsAndEmptyTables) {
    Depths(32, 32);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    const RenderObjects& r = renderObjects;
    ASSERT_NE(r.device, nullptr);
    EXPECT_EQ(r.device->GetDriverGuid(), DRIVER_SOFTWARE_MONO);
    EXPECT_EQ(r.device->GetWidth(), 640);
    EXPECT_EQ(r.device->GetHeight(), 480);
    EXPECT_EQ(r.device->GetQuality(), RENDER_FLAT);
    EXPECT_EQ(r.device->GetShades(), 256u);
    EXPECT_FALSE(r.device->GetDither());
    ASSERT_NE(r.viewport, nullptr);
    EXPECT_FLOAT_EQ(r.viewport->GetFront(), 1.2f);
    EXPECT_FLOAT_EQ(r.viewport->GetBack(), 1000.0f);
    EXPECT_FLOAT_EQ(r.viewport->GetField(), 1.1f);
    Vector p;
    r.viewport->Transform({0, 0, 0}, &p);
    EXPECT_FLOAT_EQ(p.x, 320);
    EXPECT_FLOAT_EQ(p.y, 240);

    EXPECT_EQ(r.sceneFrame->GetSceneBackground(), 0xFF000000u);
    EXPECT_EQ(r.sceneFrame->GetLightCount(), 1u);   // the ambient light
    EXPECT_EQ(r.sceneFrame->GetChildCount(), 10u);  // rig, light frame, 8 object frames
    EXPECT_EQ(r.cameraRigFrame->GetParent(), r.sceneFrame);
    EXPECT_EQ(r.cameraFrame->GetParent(), r.cameraRigFrame);
    r.cameraRigFrame->GetPosition(r.sceneFrame, &p);
    EXPECT_FLOAT_EQ(p.y, -250);
    EXPECT_FLOAT_EQ(p.z, -500);
    Vector dir;
    Vector up;
    r.cameraFrame->GetOrientation(r.sceneFrame, &dir, &up);
    EXPECT_NEAR(dir.y, 1 / std::sqrt(5.0), 1e-6);
    EXPECT_NEAR(dir.z, 2 / std::sqrt(5.0), 1e-6);
    ASSERT_NE(r.sunLight, nullptr);
    EXPECT_EQ(r.sunLight->GetType(), LIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(r.sunLight->GetColor().x, 0.9f);
    for (const auto* mesh : r.meshBuilders) {
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->GetFaceCount(), 0u);
    }
    for (const auto* frame : r.objectFrames) {
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->GetParent(), r.sceneFrame);
        EXPECT_EQ(frame->GetVisualCount(), 0u);
    }
    for (const auto* texture : r.textures) {
        EXPECT_EQ(texture, nullptr);
    }
    // Textures loaded from now on get the device's shades and colours.
    Texture* texture = nullptr;
    ASSERT_EQ(r.d3drm->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(texture->GetShades(), 256u);
    EXPECT_EQ(texture->GetColors(), 256u);
    texture->Release();
    // The display was asked for 640 by 480 at the screen's depth.
    EXPECT_EQ(display->requested.width, 640);
    EXPECT_EQ(display->requested.height, 480);
    EXPECT_EQ(display->requested.bitsPerPixel, 32);
}

TEST_F(RenderDeviceTest, OneBitDisplayKeepsDitherAndGetsFourShades) {
    Depths(1, 1);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    EXPECT_EQ(renderObjects.device->GetShades(), 4u);
    EXPECT_TRUE(renderObjects.device->GetDither());
    Texture* texture = nullptr;
    ASSERT_EQ(renderObjects.d3drm->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture),
              RM_OK);
    EXPECT_EQ(texture->GetShades(), 4u);
    EXPECT_EQ(texture->GetColors(), 0u);
    texture->Release();
}

TEST_F(RenderDeviceTest, EightBitDisplayMakesNoShadeCallsAndSwitchesDitherOff) {
    Depths(8, 8);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    EXPECT_EQ(renderObjects.device->GetShades(), DEFAULT_DEVICE_SHADES);
    EXPECT_FALSE(renderObjects.device->GetDither());
    Texture* texture = nullptr;
    ASSERT_EQ(renderObjects.d3drm->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture),
              RM_OK);
    EXPECT_EQ(texture->GetShades(), DEFAULT_TEXTURE_SHADES);
    EXPECT_EQ(texture->GetColors(), DEFAULT_TEXTURE_COLORS);
    texture->Release();
}

TEST_F(RenderDeviceTest, RefusedDeviceIsRetriedWithASoftwareDriver) {
    const DriverInfo brokenHardware[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, platform::DDBD_32}, false},
        {DRIVER_SOFTWARE_RGB, "sw", false, {1, COLOR_RGB, platform::DDBD_32}, true}};
    SetDriverTable(brokenHardware);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    deviceSettings.colorModel = COLOR_RGB;
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    EXPECT_EQ(renderObjects.device->GetDriverGuid(), DRIVER_SOFTWARE_RGB);
    EXPECT_EQ(renderObjects.device->GetColorModel(), COLOR_RGB);
}

TEST_F(RenderDeviceTest, TwoRefusedDevicesEndStartUpAndReleaseFindsWhatWasMade) {
    const DriverInfo broken[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, platform::DDBD_32}, false},
        {DRIVER_SOFTWARE_RGB, "sw", false, {1, COLOR_RGB, platform::DDBD_32}, false}};
    SetDriverTable(broken);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    deviceSettings.colorModel = COLOR_RGB;
    EXPECT_EQ(CreateRenderDevice(window_), 0);
    EXPECT_EQ(renderObjects.device, nullptr);
    EXPECT_NE(renderObjects.d3drm, nullptr);
    ReleaseRender();
    ReleaseRender();
    EXPECT_EQ(renderObjects.d3drm, nullptr);
    EXPECT_EQ(renderObjects.clipper, nullptr);
}

TEST_F(RenderDeviceTest, PaintWithoutDeviceOrViewportDrawsNothing) {
    RenderPaint(window_);  // nothing exists: nothing happens
    RenderActivate(platform::WA_ACTIVE);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    RenderObjects& r = renderObjects;
    // Red on the device, then a paint with the viewport taken away.
    r.sceneFrame->SetSceneBackground(0xFFFF0000);
    r.viewport->Clear();
    Viewport* viewport = r.viewport;
    r.viewport = nullptr;
    r.sceneFrame->SetSceneBackground(0xFF0000FF);
    RenderPaint(window_);
    EXPECT_EQ(Image()[240 * 640 + 320], 0xFFFF0000u);
    r.viewport = viewport;
}

TEST_F(RenderDeviceTest, PaintClearsToTheBackgroundAndDrawsTheScene) {
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    RenderObjects& r = renderObjects;
    // A white square flat on the table at the origin, facing up (clockwise seen from above).
    const Vector square[] = {{-20, 20, 0}, {20, 20, 0}, {20, -20, 0}, {-20, -20, 0}};
    const unsigned faces[] = {4, 0, 1, 2, 3, 0};
    ASSERT_EQ(r.meshBuilders[0]->AddFaces(square, faces), RM_OK);
    r.objectFrames[0]->AddVisual(r.meshBuilders[0]);
    RenderActivate(platform::WA_ACTIVE);
    RenderPaint(window_);
    const auto image = Image();
    EXPECT_EQ(image[0], 0xFF000000u);  // the black background
    // Lit by ambient 0.4 and the sun at (1, 1, 3): 0.4 + 0.9 * 3 / sqrt(11), clamped to 1.
    EXPECT_EQ(image[240 * 640 + 320], 0xFFFFFFFFu);
}

TEST_F(RenderDeviceTest, OfferedModeIsSetAndGivenBackAfterEverything3DIsGone) {
    display->offers640By480 = true;
    Depths(16, 16);
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    EXPECT_TRUE(renderObjects.directDraw->ModeChanged());
    EXPECT_EQ(display->requested.bitsPerPixel, 16);
    ReleaseRender();
    EXPECT_EQ(display->restores, 1);
    EXPECT_TRUE(display->restoredAfterEverything3D);
    ReleaseRender();
    EXPECT_EQ(display->restores, 1);
}

TEST_F(RenderDeviceTest, RefusedModeIsIgnored) {
    display->offers640By480 = false;
    ASSERT_EQ(CreateRenderObjects(window_), 1);
    ASSERT_EQ(CreateRenderDevice(window_), 1);
    ASSERT_NE(renderObjects.directDraw, nullptr);
    EXPECT_FALSE(renderObjects.directDraw->ModeChanged());
    ReleaseRender();
    EXPECT_EQ(display->restores, 0);
}

TEST_F(RenderDeviceTest, DisplayObjectGivesTheModeBackOnItsLastRelease) {
    platform::DirectDraw* directDraw = nullptr;
    ASSERT_EQ(platform::DirectDrawCreate(&directDraw), platform::DD_OK);
    EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 32), platform::DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(directDraw->SetCooperativeLevel(nullptr, platform::DDSCL_NORMAL),
              platform::DDERR_INVALIDPARAMS);
    ASSERT_EQ(directDraw->SetCooperativeLevel(window_, platform::DDSCL_NORMAL), platform::DD_OK);
    EXPECT_EQ(directDraw->SetDisplayMode(640, 480, 32), platform::DDERR_UNSUPPORTEDMODE);
    EXPECT_FALSE(directDraw->ModeChanged());
    display->offers640By480 = true;
    ASSERT_EQ(directDraw->SetDisplayMode(640, 480, 32), platform::DD_OK);
    EXPECT_TRUE(directDraw->ModeChanged());
    directDraw->AddRef();
    EXPECT_EQ(directDraw->Release(), 1u);
    EXPECT_EQ(display->restores, 0);
    EXPECT_EQ(directDraw->Release(), 0u);
    EXPECT_EQ(display->restores, 1);
}

}  // namespace
