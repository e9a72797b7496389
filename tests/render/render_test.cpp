// The scene in the 3D layer and the render device on real OpenGL (SDL's offscreen driver), as text
// by digest and, where the rules fix it, checked outright; the settings dialog on the "dlg_render"
// template, with the user's clicks and keys posted to the owner for the modal loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "game/mallets.h"
#include "game/playfield.h"
#include "platform/dialog/dialog.h"
#include "platform/headless_backend.h"
#include "render/display.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/settings.h"
#include "retained/allocation_counter.h"
#include "retained/internal.h"
#include "retained/offscreen_window.h"
#include "shell/shell.h"

namespace {

using namespace retained;
using namespace platform;

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

// A frame's position, direction and up in the scene.
std::string Pose(Frame* frame) {
    Vector p, dir, up;
    frame->GetPosition(renderObjects.sceneFrame, &p);
    frame->GetOrientation(renderObjects.sceneFrame, &dir, &up);
    std::ostringstream out;
    out << p << dir << up;
    return out.str();
}

// Face `index` of a mesh: its texture slot, then corners 0 to 3 as "u,v" in quarters of the image.
std::string Corners(unsigned mesh, unsigned index) {
    Face* face = nullptr;
    Value u, v;
    std::ostringstream out;
    renderObjects.meshBuilders[mesh]->GetFace(index, &face);
    out << SlotOf(renderObjects.textures, face->GetTexture());
    for (unsigned k = 0; face->GetTextureCoordinates(k, &u, &v) == RM_OK; ++k) {
        out << ' ' << u * 4 << ',' << v * 4;
    }
    face->Release();
    return out.str();
}

void PutFrame(std::ostream& out, FrameImpl* frame, int depth) {
    out << std::string(depth, ' ') << frame->GetSceneBackground() << Pose(frame);
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

// The frame tree, the textures, and every mesh: its vertices, and each face's colour, texture,
// corners and texture coordinates.
void PutScene(std::ostream& out) {
    PutFrame(out, static_cast<FrameImpl*>(renderObjects.sceneFrame), 0);
    for (const Texture* t : renderObjects.textures) {
        out << "texture " << (t ? t->GetWidth() + t->GetHeight() * 1000 : 0) << ' '
            << (t && t->GetDecalTransparency()) << '\n';
    }
    for (unsigned i = 0; i < MESH_BUILDER_COUNT; ++i) {
        MeshBuilder* mesh = renderObjects.meshBuilders[i];
        if (mesh == nullptr) {
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

// Compares the digest (FNV-1a) of the text with the one in <name>.digest beside this file, which
// PUCKWIND_RECORD_DIGESTS=1 writes instead, and leaves the text in <name>.txt beside the test
// binary (in the build tree, wherever it runs from), to diff with the previous version's.
void ExpectRecorded(const std::string& name, const std::string& text) {
    std::uint64_t digest = 0xcbf29ce484222325;
    for (const unsigned char c : text) {
        digest = (digest ^ c) * 0x100000001b3;
    }
    std::ofstream(TEXT_DIR "/" + name + ".txt") << text;
    std::stringstream now, stored;
    now << std::hex << digest << '\n';
    if (std::getenv("PUCKWIND_RECORD_DIGESTS") != nullptr) {
        std::ofstream(DIGEST_DIR "/" + name + ".digest") << now.str();
    }
    stored << std::ifstream(DIGEST_DIR "/" + name + ".digest").rdbuf();
    EXPECT_EQ(now.str(), stored.str()) << "the text is in " TEXT_DIR "/" << name << ".txt";
}

// Value n shows the digit atlas's cell at column n mod 4, row n div 4 on its side's face alone,
// corners 0 to 3 at its bottom-left, top-left, top-right, bottom-right (top at the outer edge).
TEST(Scene, BuildStopsAtAMissingMeshAndScoreAndBannerShowTheirAtlasCellsAndPoses) {
    std::ostringstream out;
    const auto step = [&out](const auto&... what) {
        ((out << "== ") << ... << what) << '\n';
        PutScene(out);
    };
    // The build on start-up's scene objects (no device), first without mesh builder `missing`.
    for (unsigned missing = 0; missing <= MESH_BUILDER_COUNT; ++missing) {
        ReleaseRender();
        EXPECT_EQ(CreateFactory(&renderObjects.d3drm), RM_OK);
        EXPECT_EQ(CreateSceneObjects(), 1);
        if (missing < MESH_BUILDER_COUNT) {
            ReleaseAndClear(renderObjects.meshBuilders[missing]);
        }
        step("build without ", missing, ": ", BuildScene());
        if (missing < MESH_BUILDER_COUNT) {
            ShowBanner(BANNER_TITLE);
            ShowScore(0, 1);
            step("banner and score after a failed build");
        }
    }
    // 3 and 5 before the first match; no face for sides 2 and -1; 10 is the last glyph, 11 blank.
    for (const auto& [side, value, shown] :
         {std::tuple{2, 1, "0 3,1 3,0 4,0 4,1 | 0 1,2 1,1 2,1 2,2"},
          {-1, 1, "0 3,1 3,0 4,0 4,1 | 0 1,2 1,1 2,1 2,2"},
          {0, 0, "0 0,1 0,0 1,0 1,1 | 0 1,2 1,1 2,1 2,2"},
          {1, 0, "0 0,1 0,0 1,0 1,1 | 0 0,1 0,0 1,0 1,1"},
          {0, 3, "0 3,1 3,0 4,0 4,1 | 0 0,1 0,0 1,0 1,1"},
          {1, 4, "0 3,1 3,0 4,0 4,1 | 0 0,2 0,1 1,1 1,2"},
          {0, 10, "0 2,3 2,2 3,2 3,3 | 0 0,2 0,1 1,1 1,2"},
          {1, 11, "0 2,3 2,2 3,2 3,3 | 0 3,3 3,2 4,2 4,3"}}) {
        ShowScore(side, value);
        EXPECT_EQ(Corners(MESH_SCOREBOARD, 0) + " | " + Corners(MESH_SCOREBOARD, 1), shown)
            << "ShowScore(" << side << ", " << value << ")";
    }
    for (const auto& [row, corners] : {std::pair{BANNER_TITLE, "1 0,0 4,0 4,1 0,1"},
                                       {BANNER_WIN, "1 0,1 4,1 4,2 0,2"},
                                       {BANNER_LOSE, "1 0,2 4,2 4,3 0,3"}}) {
        ShowBanner(row);
        EXPECT_EQ(Corners(MESH_BANNER, 0), corners) << "banner row " << row;
    }
    // On the line from the scene's origin to the camera rig, +z toward the rig, up toward +y.
    Frame* banner = renderObjects.objectFrames[FRAME_BANNER];
    const std::string facing = " 0 -0.4472 -0.8944; 0 0.8944 -0.4472;",
                      rest = " 0 -180 -360;" + facing;
    const auto pose = [banner](auto step, int n) {
        step(n);
        return Pose(banner);
    };
    EXPECT_EQ(pose(TitleBannerStep, 0), " 0 -240 -480;" + facing) << "22 units before the camera";
    EXPECT_EQ(pose(TitleBannerStep, 5), " 0 -190 -380;" + facing) << "a step on the line of sight";
    EXPECT_EQ(pose(TitleBannerStep, 6), rest);
    EXPECT_EQ(std::tuple(TitleBannerStep(5), TitleBannerStep(6), TitleBannerStep(INT_MAX),
                         TitleBannerStep(INT_MIN)),
              std::tuple(0, 1, 1, 0));
    for (const int n : {0, -1}) {
        EXPECT_EQ(pose(WinBannerStep, n) + pose(LoseBannerStep, n), rest + rest) << n;
    }
    // Win 39: spun 7.8 rad clockwise as seen, 195 farther off; lose 20: 2 rad about its (1, 1, 1).
    EXPECT_EQ(pose(WinBannerStep, 39),
              " 0 -92.7933 -185.587; 0 -0.4472 -0.8944; 0.9985 0.0483 -0.0241;");
    const std::string turned = " -0.997 -0.0723 -0.0263; 0.0529 -0.3959 -0.9168;";
    EXPECT_EQ(pose(LoseBannerStep, 20), " 0 -180 -360;" + turned);
    HideBanner();
    EXPECT_EQ(Pose(banner), " 0 -1500 -3000;" + turned) << "hidden behind the camera, still turned";
    EXPECT_EQ(Corners(MESH_BANNER, 0), "1 0,2 4,2 4,3 0,3") << "the row shown last";
    PlaceBodyFrame(BODY_PUCK, 12.5, -30.25, 20);
    PlaceBodyFrame(OBJECT_FRAME_COUNT, 1, 2, 3);
    AttachVisual(OBJECT_FRAME_COUNT, MESH_PUCK);
    AttachVisual(FRAME_TABLE, MESH_BUILDER_COUNT);
    LoadTextureSlot(TEXTURE_COUNT, "bmp_num");
    LoadTextureSlot(TEX_DIGITS, "no_such_bitmap");
    step("puck placed, indices out of range");
    LoadTextureSlot(TEX_DIGITS, "BMP_MES");
    step("digits from the banner atlas");
    ReleaseRender();
    ExpectRecorded("scene", out.str());
}

// Steps besides the ids of the controls clicked: 0 notes which are checked, then the keys.
constexpr int NOTE = 0, ENTER = -1, ESCAPE = -2, LEFT_OPEN = -3;
std::vector<int> checked;

LRESULT OwnerProc(HWND hwnd, unsigned message, WPARAM wParam, LPARAM lParam) {
    Dialog* dialog = OpenDialog();
    const auto step = static_cast<int>(wParam);
    if (message == WM_USER && dialog != nullptr) {
        for (std::size_t i = 0; i < dialog->Template().controls.size(); ++i) {
            const int id = dialog->Template().controls[i].id;
            if (step == NOTE && dialog->CheckState(i) == BST_CHECKED) {
                checked.push_back(id);
            }
            if (step == id) {
                dialog->Click(i);
            }
        }
        if (step == ENTER) {
            dialog->PressEnter();
        }
        if (step == ESCAPE || step == LEFT_OPEN) {
            EXPECT_NE(step, LEFT_OPEN) << "the steps left the dialog open";
            dialog->Cancel();
        }
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

TEST(SettingsDialog, ShowsTheRecordAndWritesBackWhatIsShownOnOkOrApplyOnly) {
    SetBackend(std::make_unique<HeadlessBackend>(HeadlessBackend::Ticks::Manual));
    ASSERT_TRUE(RegisterClass({"SettingsOwner", OwnerProc, ""}));
    const HWND owner = CreateWindowEx("SettingsOwner", "owner", {.width = 640, .height = 480});
    constexpr unsigned MONO = COLOR_MONO, RGB = COLOR_RGB, FLAT = RENDER_FLAT, PHONG = RENDER_PHONG;
    constexpr unsigned GOURAUD = RENDER_GOURAUD;
    // A 16-bit display's defaults, and what the dialog shows of them.
    const DeviceSettings mono = {MONO, FLAT, 256, 256, 1, 1.2f, 1000, 1.1f, 1};
    const std::vector<int> shown = {IDC_QUALITY_FLAT, IDC_SHADES_256, IDC_SHADOWS};
    const DeviceSettings rgb = {RGB, GOURAUD, 32, 77, 1, 3.5f, 420, 0.7312f, 0};
    // The settings before, what the user does, the boxes shown checked, the settings after.
    const std::tuple<DeviceSettings, std::vector<int>, std::vector<int>, DeviceSettings> cases[] = {
        // clang-format off
        // The dithering box is the inverse of noDither.
        {mono, {IDC_DITHER, IDC_SHADOWS, IDOK}, shown,
         {MONO, FLAT, 256, 256, 0, 1.2f, 1000, 1.1f, 0}},
        {{MONO, PHONG, 4, 0, 0, 1, 2, 3, 0}, {IDC_DITHER, IDC_SHADOWS, IDOK},
         {IDC_SHADES_4, IDC_DITHER}, {MONO, PHONG, 4, 0, 1, 1, 2, 3, 1}},
        {rgb, {ENTER}, {IDC_QUALITY_GOURAUD, IDC_SHADES_32}, rgb},
        // Shade count 0 checks no button and is kept; any colour model but mono reads as RGB, any
        // quality but flat and gouraud as phong.
        {{7, RENDER_WIREFRAME, 0, 0, 1, 1, 2, 3, 0}, {IDOK}, {}, {RGB, PHONG, 0, 0, 1, 1, 2, 3, 0}},
        {mono, {IDC_QUALITY_GOURAUD, IDC_APPLY, IDC_SHADES_4, IDCANCEL}, shown,
         {MONO, GOURAUD, 256, 256, 1, 1.2f, 1000, 1.1f, 1}},
        {mono, {IDC_QUALITY_GOURAUD, IDC_SHADES_64, IDC_DITHER, IDC_SHADOWS, ESCAPE}, shown, mono},
        {mono, {IDC_QUALITY_GOURAUD, IDC_SHADES_16, IDOK}, shown,
         {MONO, GOURAUD, 16, 256, 1, 1.2f, 1000, 1.1f, 1}},
        // clang-format on
    };
    for (const auto& [before, steps, checks, after] : cases) {
        deviceSettings = before;
        checked.clear();
        PostMessage(owner, WM_USER, NOTE, 0);
        for (int step : steps) {
            PostMessage(owner, WM_USER, static_cast<WPARAM>(step), 0);
        }
        PostMessage(owner, WM_USER, static_cast<WPARAM>(LEFT_OPEN), 0);
        EXPECT_EQ(DialogBoxParam("dlg_render", owner, RenderSettingsDialogProc, 0), 1);
        for (MSG left; PeekMessage(&left);) {  // the steps after the one that ended it
        }
        EXPECT_EQ(checked, checks) << testing::PrintToString(steps);
        EXPECT_EQ(std::memcmp(&deviceSettings, &after, sizeof after), 0)
            << testing::PrintToString(steps);
    }
    SetRenderSettings({.qualityIndex = 3});
    EXPECT_EQ(deviceSettings.quality, RENDER_GOURAUD) << "a quality outside the table is ignored";
}

class HandClock : public TimerClock {
  public:
    TimePoint Now() override { return now; }
    bool WaitUntil(TimePoint, std::stop_token) override { return false; }
    TimePoint now = TimePoint{} + std::chrono::hours(1);
};

// The offscreen SDL backend's windows and OpenGL, with the display's depths and modes set here,
// on a clock the test moves.
class TestDisplay : public HeadlessBackend {
  public:
    explicit TestDisplay(std::unique_ptr<Backend> sdl)
        : HeadlessBackend(Ticks::Manual, &clock), sdl(std::move(sdl)) {}
    bool OpenWindow(HWND hwnd, std::string_view title, const WindowPlacement& placement,
                    std::string_view icon) override {
        return sdl->OpenWindow(hwnd, title, placement, icon);
    }
    std::unique_ptr<GlSurface> CreateGlSurface(HWND hwnd) override {
        return sdl->CreateGlSurface(hwnd);
    }
    int BitsPerPixel(HWND hwnd) override { return hwnd != nullptr ? windowDepth : screenDepth; }
    bool SetDisplayMode(HWND, int width, int height, int) override {
        return offered && width == 640 && height == 480;
    }
    void RestoreDisplayMode(HWND) override {
        const RenderObjects& r = renderObjects;
        restores += r.d3drm || r.device || r.sceneFrame || r.viewport || r.clipper ? 100 : 1;
    }

    int windowDepth = 32, screenDepth = 32, restores = 0;  // 100 each while 3D objects remained
    bool offered = false;
    HandClock clock;
    std::unique_ptr<Backend> sdl;
};

// The offscreen backend, started once for the tests that draw; null when there is none.
TestDisplay* StartDisplay() {
    static TestDisplay* display = nullptr;
    testing_support::StartOffscreenBackend([](auto sdl) {
        auto wrapped = std::make_unique<TestDisplay>(std::move(sdl));
        display = wrapped.get();
        return wrapped;
    });
    return display;
}

// The camera model: from (0, -250, -500) toward the origin the camera's axes are x = (1, 0, 0),
// z = (0, 1, 2) / sqrt 5 and y = (0, 2, -1) / sqrt 5; the front plane at 1.2 spans +-1.1 across
// 640 pixels, so camera (x, y) at depth d lands at 320 + x / d * s, 240 - y / d * s.
Color At(const std::vector<Color>& image, double x, double y, double z) {
    const double dy = y + 250, dz = z + 500, d = (dy + 2 * dz) / std::sqrt(5.0),
                 s = 320 * 1.2 / 1.1;
    const long row = std::lround(240 - (2 * dy - dz) / std::sqrt(5.0) / d * s);
    return image.at(static_cast<std::size_t>(row * 640 + std::lround(320 + x / d * s)));
}

// The settings for each window depth, the driver for each screen depth and colour model, a refused
// driver, the display object, the game's device (which takes the dialog's settings on OK, none on
// Cancel), its picture and what releasing it gives back.
TEST(RenderDevice, StartsUpAsRecordedAndDrawsTheSceneWhereTheCameraModelPutsIt) {
    TestDisplay* display = StartDisplay();
    ASSERT_NE(display, nullptr);
    HWND window = testing_support::OpenOffscreenWindow(640, 480);
    RenderActivate(WA_ACTIVE);  // nothing made yet: nothing happens
    std::ostringstream out;
    RenderObjects& r = renderObjects;
    const DeviceSettings& s = deviceSettings;
    for (const int depth : {1, 2, 4, 8, 15, 16, 24, 32}) {
        display->windowDepth = depth;
        out << "depth " << depth << ": " << BitDepthFlag(depth) << ' '
            << CreateRenderObjects(window) << ' ' << s.colorModel << ' ' << s.quality << ' '
            << s.shades << ' ' << s.textureColors << ' ' << s.noDither << ' ' << s.frontClip << ' '
            << s.backClip << ' ' << s.field << ' ' << s.shadows << '\n';
        ReleaseRender();
    }
    const DriverInfo hardware16[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, DDBD_16}, true}};
    for (int i = 0; i < 48; ++i) {  // by driver table, screen depth, colour model, software only
        SetDriverTable(i < 24 ? DefaultDrivers() : std::span<const DriverInfo>(hardware16));
        display->screenDepth = std::array{8, 15, 16, 32}[i / 6 % 4];
        const Guid* guid = FindDriverGuid(std::array{1u, 2u, 7u}[i / 2 % 3], i % 2);
        out << "driver " << i << ": " << (guid != nullptr ? guid->data : 0) << '\n';
    }
    DriverInfo refusing[] = {{DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, DDBD_32}, false},
                             {DRIVER_SOFTWARE_RGB, "sw", false, {1, COLOR_RGB, DDBD_32}, true}};
    SetDriverTable(refusing);
    for (const bool softwareToo : {false, true}) {
        refusing[1].canCreate = !softwareToo;
        CreateRenderObjects(window);
        deviceSettings.colorModel = COLOR_RGB;
        out << "refused: " << CreateRenderDevice(window) << ' '
            << (r.device ? r.device->GetDriverGuid().data : 0) << '\n';
        ReleaseRender();
    }
    SetDriverTable({});
    DirectDraw* dd = nullptr;
    DirectDrawCreate(&dd);
    out << "display: " << dd->SetDisplayMode(640, 480, 32)
        << dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL)
        << dd->SetCooperativeLevel(window, DDSCL_NORMAL) << dd->SetDisplayMode(640, 480, 32)
        << dd->ModeChanged();
    display->offered = true;
    out << dd->SetDisplayMode(640, 480, 32) << dd->ModeChanged() << dd->AddRef() << dd->Release()
        << display->restores << dd->Release() << display->restores << '\n';

    // The game's device: the window's 32 bits choose the settings, the screen's 16 the mode.
    display->screenDepth = 16;
    ASSERT_EQ(CreateRenderObjects(window), 1);
    ASSERT_EQ(CreateRenderDevice(window), 1);
    ASSERT_EQ(BuildScene(), 1);
    const Device* d = r.device;
    out << "device: " << d->GetDriverGuid().data << ' ' << d->GetWidth() << ' ' << d->GetHeight()
        << ' ' << d->GetQuality() << ' ' << d->GetShades() << ' ' << d->GetDither() << ' '
        << r.viewport->GetFront() << ' ' << r.viewport->GetBack() << ' ' << r.viewport->GetField()
        << ' ' << r.directDraw->ModeChanged();
    for (const Texture* texture : r.textures) {
        out << ' ' << texture->GetShades() << ' ' << texture->GetColors();
    }
    // The dialog's owner (its class is there already when the dialog test ran first).
    RegisterClass({"SettingsOwner", OwnerProc, ""});
    const HWND owner = CreateWindowEx("SettingsOwner", "owner", {.width = 640, .height = 480});
    // OK hands the quality, shade count and dithering to the running device; Cancel, nothing.
    for (const int step : {IDC_QUALITY_GOURAUD, IDC_SHADES_4, IDC_DITHER, IDOK, IDC_QUALITY_FLAT,
                           IDC_SHADES_16, IDC_DITHER, IDCANCEL, LEFT_OPEN}) {
        PostMessage(owner, WM_USER, static_cast<WPARAM>(step), 0);
    }
    for (const char* const after : {"OK", "Cancel"}) {
        DialogBoxParam("dlg_render", owner, RenderSettingsDialogProc, 0);
        const auto device = std::tuple(d->GetQuality(), d->GetShades(), d->GetDither());
        EXPECT_EQ(device, std::tuple(RENDER_GOURAUD, 4u, true)) << "after " << after;
    }
    // What faces up shows its full colour (ambient 0.4 + sun 0.9 x 3 / sqrt 11 > 1): the surface
    // light blue, the knobs blue, the puck's dish white, the far goal's roof red, the rail white.
    RenderPaint(window);
    std::vector<Color> image(640 * 480);
    EXPECT_EQ(r.device->ReadImage(image), RM_OK);
    for (const double x : {-60.0, 0.0, 60.0}) {
        for (const double y : {-90.0, -40.0, 40.0, 90.0}) {
            EXPECT_EQ(At(image, x, y, 0), 0xFF007FFFu) << "the surface at " << x << ", " << y;
        }
    }
    EXPECT_EQ((std::array{At(image, 0, -160, -24), At(image, 0, 160, -24), At(image, 0, 0, -6),
                          At(image, 0, 188, -28), At(image, -168, 120, -20)}),
              (std::array<Color, 5>{0xFF0019FF, 0xFF0019FF, 0xFFFFFFFF, 0xFFFF0000, 0xFFFFFFFF}));
    // The title's frames: the banner flies in, the puck moves; the meshes are on the GPU already.
    const std::size_t allocations = testing_support::AllocationCount();
    for (int k = 0; k < 8; ++k) {
        TitleBannerStep(k);
        PlaceBodyFrame(BODY_PUCK, k, -k, 0);
        RenderPaint(window);
    }
    EXPECT_EQ(testing_support::AllocationCount(), allocations);
    out << " the same device: " << (r.device == d);
    ReleaseRender();
    ReleaseRender();
    out << " released: " << display->restores << '\n';
    DestroyWindow(window);
    out << "dead window: " << CreateRenderObjects(window) << (r.clipper != nullptr);
    ReleaseRender();
    ExpectRecorded("device", out.str());
}

// Between two ticks the puck stands where the time since the last tick puts it, never between the
// two sides of a jump; the player's mallet stands where the next tick will put it; the banner's
// animations go step to step, while a banner shown is there at once. A frame is asked for while
// something is on its way, none once all stands.
TEST(Motion, BodiesAndBannerAreBlendedBetweenTicksButNeverAcrossAJump) {
    TestDisplay* display = StartDisplay();
    ASSERT_NE(display, nullptr);
    HWND window = testing_support::OpenOffscreenWindow(640, 480);
    RenderObjects& r = renderObjects;
    ASSERT_EQ(CreateRenderObjects(window) + CreateRenderDevice(window) + BuildScene(), 3);
    RenderActivate(WA_ACTIVE);
    MSG msg;
    const auto paintAfter = [&](int ms) {
        display->clock.now += std::chrono::milliseconds(ms);
        RenderPaint(window);
        std::vector<Color> image(640 * 480);
        EXPECT_EQ(r.device->ReadImage(image), RM_OK);
        return image;
    };
    const auto frameAsked = [&] {
        bool painted = false;
        while (PeekMessage(&msg)) {
            painted = painted || msg.message == WM_PAINT;
        }
        return painted;
    };
    frameAsked();  // what the window's start-up left
    const auto puckAt = [](const auto& image, double x, double y) {
        return (At(image, x, y, -6) >> 16 & 0xFF) > 100;  // the table has no red
    };
    const auto tick = [](double x, double y, bool continuous) {
        PlaceBodyFrame(BODY_PUCK, x, y, 0);
        RenderTickHandled(continuous, 24);
    };
    tick(-40, -60, true);
    display->clock.now += std::chrono::milliseconds(24);
    tick(40, -60, true);
    auto image = paintAfter(12);
    EXPECT_TRUE(puckAt(image, 0, -60) && !puckAt(image, -40, -60) && !puckAt(image, 40, -60));
    EXPECT_TRUE(frameAsked()) << "on its way";
    image = paintAfter(12);
    EXPECT_TRUE(puckAt(image, 40, -60) && !puckAt(image, 0, -60)) << "at the tick's place";
    EXPECT_FALSE(frameAsked()) << "all stands";
    tick(40, 60, false);
    image = paintAfter(12);
    EXPECT_TRUE(puckAt(image, 40, 60) && !puckAt(image, 40, 0)) << "a jump is shown at once";

    // The player's mallet, following the mouse: the cursor moved by (30, -60) from where the game
    // last read it puts the mallet's knob at (30, -100) before any tick.
    const auto malletAt = [](const auto& image, double x, double y) {
        return (At(image, x, y, -24) >> 8 & 0xFF) < 70;  // deep blue, where the table is lighter
    };
    handlers.onMouseMove = PlayerMouseMove;
    std::tie(playerTargetX, playerTargetY, lastCursorX, lastCursorY) =
        std::tuple(0, -160, 320, 360);
    SetCursorPos(350, 300);
    image = paintAfter(1);
    EXPECT_TRUE(malletAt(image, 30, -100) && !malletAt(image, 0, -160));
    handlers.onMouseMove = nullptr;
    image = paintAfter(1);
    EXPECT_TRUE(!malletAt(image, 30, -100) && malletAt(image, 0, -160)) << "where it was placed";

    // The title's banner flies 20 units of height a step: half a tick after step 3, halfway from
    // step 2's (0, -220, -440); a banner shown and spun at once is not blended from its rest.
    auto* banner = static_cast<FrameImpl*>(r.objectFrames[FRAME_BANNER]);
    TitleBannerStep(2);
    display->clock.now += std::chrono::milliseconds(24);
    TitleBannerStep(3);
    paintAfter(12);
    const Vector drawn = Row(banner->DrawnTransform(), 3);
    EXPECT_EQ(std::tuple(drawn.x, drawn.y, drawn.z), std::tuple(0.0f, -215.0f, -430.0f));
    ShowBanner(BANNER_WIN);
    WinBannerStep(39);
    paintAfter(12);
    EXPECT_EQ(banner->DrawnTransform(), banner->Transform());
    ReleaseRender();
    DestroyWindow(window);
}

}  // namespace
