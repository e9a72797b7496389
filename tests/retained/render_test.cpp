// Drawing through real OpenGL (SDL's offscreen driver): clearing, projection, lighting, culling,
// depth, textures with decal transparency, shading modes and the mono ramp.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "retained/offscreen_window.h"
#include "retained/retained.h"

namespace {

using namespace retained;

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;
constexpr Color BACKGROUND = 0xFF204060;

int Red(Color c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
int Green(Color c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
int Blue(Color c) {
    return static_cast<int>(c & 0xFF);
}

void ExpectColorNear(Color actual, int red, int green, int blue, const char* where) {
    EXPECT_NEAR(Red(actual), red, 1) << where;
    EXPECT_NEAR(Green(actual), green, 1) << where;
    EXPECT_NEAR(Blue(actual), blue, 1) << where;
}

// A camera at the scene's origin looking along +z, a viewport of the whole device, front 1,
// back 100, field 0.5: a point (x, y, z) lands at x / z * 2 of the half-width from the centre.
class RenderTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::StartOffscreenBackend()) << "no offscreen video";
        window_ = testing_support::OpenOffscreenWindow(WIDTH, HEIGHT);
        ASSERT_NE(window_, nullptr);
        ASSERT_EQ(CreateFactory(&factory_), RM_OK);
        ASSERT_EQ(CreateClipper(&clipper_), RM_OK);
        ASSERT_EQ(clipper_->SetHWnd(0, window_), RM_OK);
        MakeDevice(DRIVER_SOFTWARE_RGB);
        ASSERT_EQ(factory_->CreateFrame(nullptr, &scene_), RM_OK);
        scene_->SetSceneBackground(BACKGROUND);
        ASSERT_EQ(factory_->CreateFrame(scene_, &camera_), RM_OK);
        MakeViewport();
    }

    void TearDown() override {
        ReleaseAndClear(viewport_);
        ReleaseAndClear(device_);
        ReleaseAndClear(camera_);
        ReleaseAndClear(scene_);
        ReleaseAndClear(clipper_);
        ReleaseAndClear(factory_);
        platform::DestroyWindow(window_);
    }

    void MakeDevice(Guid driver) {
        ReleaseAndClear(viewport_);
        ReleaseAndClear(device_);
        ASSERT_EQ(factory_->CreateDeviceFromClipper(clipper_, &driver, WIDTH, HEIGHT, &device_),
                  RM_OK);
        device_->SetQuality(RENDER_FLAT);
    }

    void MakeViewport() {
        ReleaseAndClear(viewport_);
        ASSERT_EQ(factory_->CreateViewport(device_, camera_, 0, 0, WIDTH, HEIGHT, &viewport_),
                  RM_OK);
        viewport_->SetFront(1);
        viewport_->SetBack(100);
        viewport_->SetField(0.5f);
    }

    // An ambient light and a directional one on a child frame turned to shine along dir.
    void AddLights(Value ambient, Value directional, Vector dir = {0, 0, 1}) {
        Light* light = nullptr;
        ASSERT_EQ(factory_->CreateLightRGB(LIGHT_AMBIENT, ambient, ambient, ambient, &light),
                  RM_OK);
        scene_->AddLight(light);
        light->Release();
        Frame* holder = nullptr;
        ASSERT_EQ(factory_->CreateFrame(scene_, &holder), RM_OK);
        ASSERT_EQ(holder->SetOrientation(scene_, dir.x, dir.y, dir.z, 0, 1, 0), RM_OK);
        ASSERT_EQ(factory_->CreateLightRGB(LIGHT_DIRECTIONAL, directional, directional, directional,
                                           &light),
                  RM_OK);
        holder->AddLight(light);
        light->Release();
        holder->Release();
    }

    // A square facing the camera (clockwise as seen), or facing away, at depth z.
    MeshBuilder* AddSquare(Value half, Value z, Color color, bool facingCamera = true) {
        MeshBuilder* mesh = nullptr;
        EXPECT_EQ(factory_->CreateMeshBuilder(&mesh), RM_OK);
        const Vector vertices[] = {
            {-half, half, z}, {half, half, z}, {half, -half, z}, {-half, -half, z}};
        const unsigned front[] = {4, 0, 1, 2, 3, 0};
        const unsigned back[] = {4, 3, 2, 1, 0, 0};
        EXPECT_EQ(mesh->AddFaces(vertices, facingCamera ? std::span<const unsigned>(front)
                                                        : std::span<const unsigned>(back)),
                  RM_OK);
        mesh->SetColor(color);
        Attach(mesh);
        return mesh;
    }

    // Half a cylinder along y, bulging toward the camera: 16 faces, each turned a little more.
    MeshBuilder* AddHalfCylinder(Color color) {
        std::vector<Vector> vertices;
        constexpr int SEGMENTS = 16;
        for (int i = 0; i <= SEGMENTS; ++i) {
            const double a = -M_PI / 2 + M_PI * i / SEGMENTS;
            const auto x = static_cast<Value>(3 * std::sin(a));
            const auto z = static_cast<Value>(10 - 3 * std::cos(a));
            vertices.push_back({x, 2, z});
            vertices.push_back({x, -2, z});
        }
        std::vector<unsigned> faces;
        for (unsigned i = 0; i < SEGMENTS; ++i) {
            faces.insert(faces.end(), {4, 2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
        }
        faces.push_back(0);
        MeshBuilder* mesh = nullptr;
        EXPECT_EQ(factory_->CreateMeshBuilder(&mesh), RM_OK);
        EXPECT_EQ(mesh->AddFaces(vertices, faces), RM_OK);
        mesh->SetColor(color);
        Attach(mesh);
        return mesh;
    }

    void Attach(MeshBuilder* mesh) {
        Frame* frame = nullptr;
        ASSERT_EQ(factory_->CreateFrame(scene_, &frame), RM_OK);
        frame->AddVisual(mesh);
        frame->Release();
    }

    std::vector<Color> Draw() {
        EXPECT_EQ(viewport_->Clear(), RM_OK);
        EXPECT_EQ(viewport_->Render(scene_), RM_OK);
        std::vector<Color> image(static_cast<std::size_t>(WIDTH) * HEIGHT);
        EXPECT_EQ(device_->ReadImage(image), RM_OK);
        device_->Update();
        return image;
    }

    static Color At(const std::vector<Color>& image, int x, int y) {
        return image[static_cast<std::size_t>(y) * WIDTH + x];
    }

    static std::set<Color> Colors(const std::vector<Color>& image) {
        std::set<Color> colors(image.begin(), image.end());
        colors.erase(BACKGROUND);
        return colors;
    }

    platform::HWND window_ = nullptr;
    Factory* factory_ = nullptr;
    Clipper* clipper_ = nullptr;
    Device* device_ = nullptr;
    Frame* scene_ = nullptr;
    Frame* camera_ = nullptr;
    Viewport* viewport_ = nullptr;
};

TEST_F(RenderTest, ClearedViewportShowsOnlyTheSceneBackground) {
    const auto image = Draw();
    for (const Color c : image) {
        ASSERT_EQ(c, BACKGROUND);
    }
}

TEST_F(RenderTest, LitSquareAppearsWhereProjectedWithAmbientPlusDirectional) {
    AddLights(0.2f, 0.6f);
    MeshBuilder* square = AddSquare(1, 10, 0xFF80C040);
    // Corners (+-1, +-1, 10): x / z = 0.1 is 2 * 0.1 of the half-width 80 (the larger side)
    // from the centre, and the same 16 pixels vertically.
    Vector corner;
    ASSERT_EQ(viewport_->Transform({1, 1, 10}, &corner), RM_OK);
    EXPECT_FLOAT_EQ(corner.x, 96);
    EXPECT_FLOAT_EQ(corner.y, 44);
    EXPECT_FLOAT_EQ(corner.z, 10);
    ASSERT_EQ(viewport_->Transform({-1, -1, 10}, &corner), RM_OK);
    EXPECT_FLOAT_EQ(corner.x, 64);
    EXPECT_FLOAT_EQ(corner.y, 76);

    const auto image = Draw();
    // The light shines straight onto the face: 0.2 + 0.6 of each channel.
    for (const auto& [x, y] : {std::pair{65, 45}, {95, 45}, {65, 75}, {95, 75}, {80, 60}}) {
        ExpectColorNear(At(image, x, y), 102, 154, 51, "inside");
    }
    for (const auto& [x, y] : {std::pair{62, 60}, {98, 60}, {80, 42}, {80, 78}}) {
        EXPECT_EQ(At(image, x, y), BACKGROUND) << x << "," << y;
    }
    square->Release();
}

TEST_F(RenderTest, LightingIsClampedAndOffMeansTheFaceColour) {
    AddLights(0.7f, 0.9f);
    MeshBuilder* square = AddSquare(1, 10, 0xFF80C040);
    ExpectColorNear(At(Draw(), 80, 60), 0x80, 0xC0, 0x40, "clamped at full light");
    square->SetColor(0xFF405060);
    device_->SetQuality(RENDER_UNLITFLAT);
    ExpectColorNear(At(Draw(), 80, 60), 0x40, 0x50, 0x60, "unlit");
    square->Release();
}

TEST_F(RenderTest, FaceSeenFromBehindIsNotDrawn) {
    AddLights(1, 0);
    MeshBuilder* square = AddSquare(1, 10, 0xFFFFFFFF, false);
    const auto image = Draw();
    EXPECT_TRUE(Colors(image).empty());
    square->Release();
}

TEST_F(RenderTest, NearerFaceHidesFartherWhateverTheOrder) {
    AddLights(1, 0);
    MeshBuilder* near = AddSquare(1, 5, 0xFFFF0000);
    MeshBuilder* far = AddSquare(3, 10, 0xFF00FF00);
    auto image = Draw();
    EXPECT_EQ(At(image, 80, 60), 0xFFFF0000u);
    EXPECT_EQ(At(image, 80 + 40, 60), 0xFF00FF00u);  // x / z = 0.25: far square only
    near->Release();
    far->Release();
}

TEST_F(RenderTest, TextureShowsTopLeftAtZeroAndDecalLetsTheBackgroundThrough) {
    device_->SetQuality(RENDER_UNLITFLAT);
    MeshBuilder* square = AddSquare(2, 10, 0xFFFFFFFF);
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    Face* face = nullptr;
    ASSERT_EQ(square->GetFace(0, &face), RM_OK);
    // Corners run top-left, top-right, bottom-right, bottom-left on the screen.
    face->SetTextureCoordinates(0, 0, 0);
    face->SetTextureCoordinates(1, 1, 0);
    face->SetTextureCoordinates(2, 1, 1);
    face->SetTextureCoordinates(3, 0, 1);
    face->SetTexture(texture);
    face->Release();

    // The square spans x 48..112 and y 28..92; quadrant centres 16 pixels in.
    auto image = Draw();
    EXPECT_EQ(At(image, 64, 44), 0xFFFF0000u);  // top-left: red
    EXPECT_EQ(At(image, 96, 44), 0xFF000000u);  // top-right: black
    EXPECT_EQ(At(image, 64, 76), 0xFF00FF00u);  // bottom-left: green
    EXPECT_EQ(At(image, 96, 76), 0xFF0000FFu);  // bottom-right: blue

    texture->SetDecalTransparency(true);
    image = Draw();
    EXPECT_EQ(At(image, 96, 44), BACKGROUND);
    EXPECT_EQ(At(image, 64, 44), 0xFFFF0000u);
    texture->Release();
    square->Release();
}

TEST_F(RenderTest, TextureIsModulatedByLighting) {
    AddLights(0.5f, 0);
    MeshBuilder* square = AddSquare(2, 10, 0xFF00FF00);
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    Face* face = nullptr;
    ASSERT_EQ(square->GetFace(0, &face), RM_OK);
    face->SetTextureCoordinates(1, 1, 0);
    face->SetTextureCoordinates(2, 1, 1);
    face->SetTextureCoordinates(3, 0, 1);
    face->SetTexture(texture);
    face->Release();
    ExpectColorNear(At(Draw(), 64, 44), 128, 0, 0, "red texel at half light");
    texture->Release();
    square->Release();
}

TEST_F(RenderTest, GouraudBlendsWhereFlatShowsEachFace) {
    AddLights(0.1f, 0.9f, {1, 0, 1});
    MeshBuilder* cylinder = AddHalfCylinder(0xFFFFFFFF);
    const auto flat = Draw();
    device_->SetQuality(RENDER_GOURAUD);
    const auto gouraud = Draw();
    int differing = 0;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        differing += flat[i] != gouraud[i] ? 1 : 0;
    }
    EXPECT_GT(differing, 500);
    // Flat: one shade per face at most (16 faces); gouraud: a smooth run of shades.
    EXPECT_LE(Colors(flat).size(), 16u);
    EXPECT_GT(Colors(gouraud).size(), 32u);
    cylinder->Release();
}

TEST_F(RenderTest, MonoModelPosterisesToTheShadeCount) {
    MakeDevice(DRIVER_SOFTWARE_MONO);
    MakeViewport();
    ASSERT_EQ(device_->GetColorModel(), COLOR_MONO);
    device_->SetQuality(RENDER_GOURAUD);
    AddLights(0.1f, 0.9f, {1, 0, 1});
    MeshBuilder* cylinder = AddHalfCylinder(0xFFFFFFFF);
    device_->SetShades(256);
    EXPECT_GT(Colors(Draw()).size(), 8u);
    device_->SetShades(4);
    const auto levels = Colors(Draw());
    EXPECT_GE(levels.size(), 2u);
    EXPECT_LE(levels.size(), 4u);
    for (const Color c : levels) {
        // Four levels of grey: 0, 1/3, 2/3, 1.
        EXPECT_EQ(Red(c), Green(c));
        EXPECT_TRUE(std::abs(Red(c) * 3 - 255 * ((Red(c) * 3 + 127) / 255)) <= 3) << Red(c);
    }
    cylinder->Release();
}

TEST_F(RenderTest, WireframeLeavesTheInsideOfAFaceEmpty) {
    AddLights(1, 0);
    MeshBuilder* square = AddSquare(2, 10, 0xFFFFFFFF);
    device_->SetQuality(RENDER_WIREFRAME);
    const auto image = Draw();
    EXPECT_EQ(At(image, 80, 60), BACKGROUND);
    EXPECT_FALSE(Colors(image).empty());
    square->Release();
}

TEST_F(RenderTest, OneSceneDrawsOnTwoDevicesInTurn) {
    AddLights(1, 0);
    device_->SetQuality(RENDER_UNLITFLAT);
    MeshBuilder* square = AddSquare(1, 10, 0xFF00FF00);
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    MeshBuilder* textured = nullptr;
    ASSERT_EQ(factory_->CreateMeshBuilder(&textured), RM_OK);
    const Vector corners[] = {{-1, 1, 10}, {1, 1, 10}, {1, -1, 10}, {-1, -1, 10}};
    const unsigned face4[] = {4, 0, 1, 2, 3, 0};
    ASSERT_EQ(textured->AddFaces(corners, face4), RM_OK);
    Frame* right = nullptr;
    ASSERT_EQ(factory_->CreateFrame(scene_, &right), RM_OK);
    right->SetPosition(scene_, 3, 0, 0);
    right->AddVisual(textured);
    Face* face = nullptr;
    ASSERT_EQ(textured->GetFace(0, &face), RM_OK);
    face->SetTexture(texture);  // every corner at (0, 0): the red top-left texel
    face->Release();

    platform::HWND otherWindow = testing_support::OpenOffscreenWindow(WIDTH, HEIGHT);
    ASSERT_NE(otherWindow, nullptr);
    Clipper* otherClipper = nullptr;
    Device* other = nullptr;
    Viewport* otherView = nullptr;
    ASSERT_EQ(CreateClipper(&otherClipper), RM_OK);
    ASSERT_EQ(otherClipper->SetHWnd(0, otherWindow), RM_OK);
    const Guid driver = DRIVER_SOFTWARE_RGB;
    ASSERT_EQ(factory_->CreateDeviceFromClipper(otherClipper, &driver, WIDTH, HEIGHT, &other),
              RM_OK);
    other->SetQuality(RENDER_UNLITFLAT);
    ASSERT_EQ(factory_->CreateViewport(other, camera_, 0, 0, WIDTH, HEIGHT, &otherView), RM_OK);
    otherView->SetFront(1);
    otherView->SetBack(100);
    otherView->SetField(0.5f);
    std::vector<Color> image(static_cast<std::size_t>(WIDTH) * HEIGHT);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(At(Draw(), 80, 60), 0xFF00FF00u) << round;
        otherView->Clear();
        otherView->Render(scene_);
        ASSERT_EQ(other->ReadImage(image), RM_OK);
        EXPECT_EQ(At(image, 80, 60), 0xFF00FF00u) << round;
        EXPECT_EQ(At(image, 80 + 48, 60), 0xFFFF0000u) << round;  // x / z = 0.3
    }
    otherView->Release();
    other->Release();  // the meshes' copies in its context go with it
    otherClipper->Release();
    platform::DestroyWindow(otherWindow);
    EXPECT_EQ(At(Draw(), 80 + 48, 60), 0xFFFF0000u);
    right->Release();
    texture->Release();
    textured->Release();
    square->Release();
}

TEST_F(RenderTest, GameCameraPutsTheSceneOriginAtTheCentreOf640By480) {
    // The game's numbers: camera rig at (0, -250, -500) looking at the origin, field 1.1,
    // front 1.2, a 640 by 480 device.
    ReleaseAndClear(viewport_);
    ReleaseAndClear(device_);
    const Guid driver = DRIVER_SOFTWARE_RGB;
    ASSERT_EQ(factory_->CreateDeviceFromClipper(clipper_, &driver, 640, 480, &device_), RM_OK);
    Frame* rig = nullptr;
    ASSERT_EQ(factory_->CreateFrame(scene_, &rig), RM_OK);
    camera_->Release();  // the scene keeps the old camera
    ASSERT_EQ(factory_->CreateFrame(rig, &camera_), RM_OK);
    rig->SetPosition(scene_, 0, -250, -500);
    ASSERT_EQ(camera_->LookAt(scene_, rig, CONSTRAIN_Y), RM_OK);
    ASSERT_EQ(factory_->CreateViewport(device_, camera_, 0, 0, 640, 480, &viewport_), RM_OK);
    viewport_->SetBack(1000);
    viewport_->SetFront(1.2f);
    viewport_->SetField(1.1f);

    Vector screen;
    ASSERT_EQ(viewport_->Transform({0, 0, 0}, &screen), RM_OK);
    EXPECT_FLOAT_EQ(screen.x, 320);
    EXPECT_FLOAT_EQ(screen.y, 240);
    EXPECT_NEAR(screen.z, std::sqrt(250.0 * 250 + 500 * 500), 1e-3);
    // (100, 0, 0) lies 1250 / sqrt(5) ahead and 100 to the right: 320 * (1.2 / 1.1) * 100 / that.
    ASSERT_EQ(viewport_->Transform({100, 0, 0}, &screen), RM_OK);
    EXPECT_NEAR(screen.x, 320 + 320 * (1.2 / 1.1) * 100 / (1250 / std::sqrt(5.0)), 1e-3);
    EXPECT_NEAR(screen.y, 240, 1e-3);
    // The far end of the table (+y) is up the screen, the near end down.
    ASSERT_EQ(viewport_->Transform({0, 160, 0}, &screen), RM_OK);
    EXPECT_LT(screen.y, 240);
    ASSERT_EQ(viewport_->Transform({0, -160, 0}, &screen), RM_OK);
    EXPECT_GT(screen.y, 240);
    // Behind the camera there is no picture.
    EXPECT_LT(viewport_->Transform({0, -500, -1000}, &screen), 0);
    rig->Release();
}

}  // namespace
