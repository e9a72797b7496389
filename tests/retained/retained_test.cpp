// The 3D layer: frame math, face data, BMP textures, and drawing through real OpenGL (SDL's
// offscreen driver): projection, lighting, culling, depth, textures with decal transparency, the
// shading modes and the mono ramp.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <set>
#include <span>
#include <tuple>
#include <vector>

#include "retained/bmp_reader.h"
#include "retained/offscreen_window.h"
#include "retained/retained.h"

namespace {

using namespace retained;

void ExpectNear(const Vector& v, const Vector& expected) {
    EXPECT_NEAR(v.x, expected.x, 1e-5);
    EXPECT_NEAR(v.y, expected.y, 1e-5);
    EXPECT_NEAR(v.z, expected.z, 1e-5);
}

class Frames : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CreateFactory(&factory_), RM_OK);
        ASSERT_EQ(factory_->CreateFrame(nullptr, &scene_), RM_OK);
    }
    void TearDown() override {
        ReleaseAndClear(scene_);
        factory_->Release();
    }
    // A child placed at (x, y, z) of the scene; the parent holds the only reference.
    Frame* Child(Frame* parent, Value x = 0, Value y = 0, Value z = 0) {
        Frame* frame = nullptr;
        EXPECT_EQ(factory_->CreateFrame(parent, &frame), RM_OK);
        frame->SetPosition(scene_, x, y, z);
        frame->Release();
        return frame;
    }
    // The frame's position, +z, +y and +x (y x z, left-handed) in the reference's coordinates,
    // as far as `expected` goes.
    static void ExpectPose(Frame* frame, Frame* reference, std::initializer_list<Vector> expected) {
        Vector p, z, y;
        frame->GetPosition(reference, &p);
        frame->GetOrientation(reference, &z, &y);
        const Vector x{y.y * z.z - y.z * z.y, y.z * z.x - y.x * z.z, y.x * z.y - y.y * z.x};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ExpectNear(std::array{p, z, y, x}[i], expected.begin()[i]);
        }
    }

    Factory* factory_ = nullptr;
    Frame* scene_ = nullptr;
};

TEST_F(Frames, LookAtPointsZAtTheTargetWithYAsNearUpAsCanBe) {
    // The game's camera, from (0, -250, -500) at the origin: x to the right, the far end up.
    Frame* rig = Child(scene_, 0, -250, -500);
    Frame* camera = Child(rig, 0, -250, -500);
    ASSERT_EQ(camera->LookAt(scene_, rig, CONSTRAIN_Y), RM_OK);
    const auto s = static_cast<Value>(1 / std::sqrt(5.0));
    ExpectPose(camera, scene_, {{0, -250, -500}, {0, s, 2 * s}, {0, 2 * s, -s}, {1, 0, 0}});
    EXPECT_LT(camera->LookAt(rig, scene_, CONSTRAIN_Y), 0);  // at its own origin: no direction
}

TEST(Meshes, MalformedFaceDataAddsNothing) {
    const Vector square[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    Factory* factory = nullptr;
    MeshBuilder* mesh = nullptr;
    ASSERT_EQ(CreateFactory(&factory), RM_OK);
    ASSERT_EQ(factory->CreateMeshBuilder(&mesh), RM_OK);
    factory->Release();
    const unsigned noEnd[] = {3, 0, 1, 2};
    const unsigned outOfRange[] = {3, 0, 1, 2, 3, 0, 1, 4, 0};
    const unsigned twoCorners[] = {2, 0, 1, 0};
    const unsigned pastTheEnd[] = {3, 0, 1, 2, 9, 0, 1, 0};
    for (const auto data : {std::span<const unsigned>(noEnd), std::span<const unsigned>(outOfRange),
                            std::span<const unsigned>(twoCorners),
                            std::span<const unsigned>(pastTheEnd), std::span<const unsigned>()}) {
        EXPECT_EQ(mesh->AddFaces(square, data), RMERR_BADVALUE);
        EXPECT_EQ(mesh->GetFaceCount() + mesh->GetVertexCount(), 0u);
    }
    mesh->Release();
}

TEST(Bitmaps, RowsReadFromTheTopLeftAndHeadersThatPointPastTheBytesAreRefused) {
    Factory* factory = nullptr;
    ASSERT_EQ(CreateFactory(&factory), RM_OK);
    Texture* texture = nullptr;
    // A bare info header, top-down, 3 by 2 with padded rows.
    ASSERT_EQ(factory->LoadTextureFromResource("bmp_topdown", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetTexel(0, 0),
                         texture->GetTexel(2, 0), texture->GetTexel(0, 1), texture->GetTexel(2, 1)),
              std::tuple(3, 2, 0xFF010203u, 0xFF070809u, 0xFF0A0B0Cu, 0xFF101112u));
    texture->Release();
    EXPECT_EQ(factory->LoadTextureFromResource("bmp_truncated", "BITMAP", &texture), RMERR_BADFILE);
    factory->Release();
    const auto file = platform::FindResource("BITMAP", "bmp_quadrants");
    ASSERT_TRUE(file);
    const std::vector<unsigned char> good(file->begin(), file->end());
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    EXPECT_FALSE(DecodeBmp24(std::span(good).first(13), &width, &height, &rgb));
    // The pixel offset is at 10; the info header's size at 14, width 18, height 22, planes and
    // bits 26, compression 30.
    for (const auto& [offset, value] : {std::pair{10, 200u},
                                        {18, 5u},
                                        {22, 5u},
                                        {18, 0x7FFFFFFFu},
                                        {22, 0x80000001u},
                                        {22, 0u},
                                        {26, 0x00080001u},
                                        {30, 1u},
                                        {14, 12u}}) {
        auto bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
        }
        EXPECT_FALSE(DecodeBmp24(bytes, &width, &height, &rgb)) << offset << " " << value;
    }
}

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;
constexpr Color BACKGROUND = 0xFF204060;

// A camera at the origin looking along +z; front 1, back 100, field 0.5: a point (x, y, z) lands
// at pixel (80 + 160 x / z, 60 - 160 y / z).
class Drawing : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing_support::StartOffscreenBackend()) << "no offscreen video";
        window_ = testing_support::OpenOffscreenWindow(WIDTH, HEIGHT);
        ASSERT_EQ(CreateFactory(&factory_), RM_OK);
        ASSERT_EQ(CreateClipper(&clipper_), RM_OK);
        ASSERT_EQ(clipper_->SetHWnd(0, window_), RM_OK);
        ASSERT_EQ(factory_->CreateFrame(nullptr, &scene_), RM_OK);
        scene_->SetSceneBackground(BACKGROUND);
        ASSERT_EQ(factory_->CreateFrame(scene_, &camera_), RM_OK);
        camera_->Release();  // the scene holds it
        Use(DRIVER_SOFTWARE_RGB);
    }
    void TearDown() override {
        for (Object* o : std::initializer_list<Object*>{viewport_, device_, scene_, clipper_}) {
            o->Release();
        }
        factory_->Release();
        platform::DestroyWindow(window_);
    }
    // A device of the driver, flat shaded, and its viewport.
    void Use(Guid driver) {
        ReleaseAndClear(viewport_);
        ReleaseAndClear(device_);
        ASSERT_EQ(factory_->CreateDeviceFromClipper(clipper_, &driver, WIDTH, HEIGHT, &device_),
                  RM_OK);
        ASSERT_EQ(factory_->CreateViewport(device_, camera_, 0, 0, WIDTH, HEIGHT, &viewport_),
                  RM_OK);
        viewport_->SetFront(1);
        viewport_->SetBack(100);
        viewport_->SetField(0.5f);
    }
    // An ambient light and a directional one shining along dir.
    void Light(Value ambient, Value directional, Vector dir = {0, 0, 1}) {
        Frame* holder = nullptr;
        ASSERT_EQ(factory_->CreateFrame(scene_, &holder), RM_OK);
        ASSERT_EQ(holder->SetOrientation(scene_, dir.x, dir.y, dir.z, 0, 1, 0), RM_OK);
        for (auto [frame, type, value] : {std::tuple(scene_, LIGHT_AMBIENT, ambient),
                                          std::tuple(holder, LIGHT_DIRECTIONAL, directional)}) {
            retained::Light* light = nullptr;
            ASSERT_EQ(factory_->CreateLightRGB(type, value, value, value, &light), RM_OK);
            frame->AddLight(light);
            light->Release();
        }
        holder->Release();
    }
    // A mesh of the scene; the scene holds it.
    MeshBuilder* Mesh(std::span<const Vector> vertices, std::span<const unsigned> faces,
                      Color color) {
        MeshBuilder* mesh = nullptr;
        EXPECT_EQ(factory_->CreateMeshBuilder(&mesh), RM_OK);
        EXPECT_EQ(mesh->AddFaces(vertices, faces), RM_OK);
        mesh->SetColor(color);
        scene_->AddVisual(mesh);
        mesh->Release();
        return mesh;
    }
    // A square around (x, y) at depth z, facing the camera (clockwise as seen) or away from it.
    MeshBuilder* Square(Value x, Value y, Value z, Value half, Color color, bool facing = true) {
        const Vector v[] = {{x - half, y + half, z},
                            {x + half, y + half, z},
                            {x + half, y - half, z},
                            {x - half, y - half, z}};
        const unsigned front[] = {4, 0, 1, 2, 3, 0}, back[] = {4, 3, 2, 1, 0, 0};
        return Mesh(v, std::span<const unsigned>(facing ? front : back, 6), color);
    }
    std::vector<Color> Draw() {
        EXPECT_EQ(viewport_->Clear(), RM_OK);
        EXPECT_EQ(viewport_->Render(scene_), RM_OK);
        std::vector<Color> image(WIDTH * HEIGHT);
        EXPECT_EQ(device_->ReadImage(image), RM_OK);
        device_->Update();
        return image;
    }
    // The colours drawn besides the background.
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

// Colours a channel apart at most.
bool Near(Color a, Color b) {
    const auto channels = [](Color c) {
        return Vector{Value(c >> 16 & 0xFF), Value(c >> 8 & 0xFF), Value(c & 0xFF)};
    };
    const Vector d{channels(a).x - channels(b).x, channels(a).y - channels(b).y,
                   channels(a).z - channels(b).z};
    return std::abs(d.x) <= 1 && std::abs(d.y) <= 1 && std::abs(d.z) <= 1;
}

TEST_F(Drawing, FacesLandWhereProjectedLitCulledDepthSortedAndTextured) {
    EXPECT_TRUE(Colors(Draw()).empty());
    Light(0.2f, 0.6f);                                       // 0.8 on faces toward the camera
    MeshBuilder* lit = Square(-3, 1.5f, 10, 1, 0xFF80C040);  // x 16..48, y 20..52
    Square(0, 1.5f, 10, 1, COLOR_WHITE, false);              // seen from behind
    Square(1.5f, 0.75f, 5, 0.5f, 0xFFFF0000);                // x 112..144, y 20..52, in front of
    Square(3, 1.5f, 10, 1.5f, 0xFF00FF00);                   // x 104..152, y 12..60
    Face* face = nullptr;
    ASSERT_EQ(Square(-2.5f, -1.75f, 10, 1.5f, COLOR_WHITE)->GetFace(0, &face), RM_OK);
    Texture* texture = nullptr;  // x 16..64, y 64..112; corners from the top-left, clockwise
    ASSERT_EQ(factory_->LoadTextureFromResource("BMP_QUADRANTS", "bitmap", &texture), RM_OK);
    face->SetTextureCoordinates(1, 1, 0);
    face->SetTextureCoordinates(2, 1, 1);
    face->SetTextureCoordinates(3, 0, 1);
    face->SetTexture(texture);
    face->Release();
    texture->Release();
    Vector corner;
    ASSERT_EQ(viewport_->Transform({-4, 2.5f, 10}, &corner), RM_OK);
    ExpectNear(corner, {16, 20, 10});
    EXPECT_LT(viewport_->Transform({0, 0, -1}, &corner), 0);  // behind the camera
    struct Probe {
        int x, y;
        Color lit, unlit, decal;
    };
    const Color G = BACKGROUND;
    const Probe probes[] = {{17, 21, 0xFF669A33, 0xFF80C040, 0xFF80C040},
                            {47, 51, 0xFF669A33, 0xFF80C040, 0xFF80C040},
                            {14, 36, G, G, G},
                            {50, 36, G, G, G},
                            {32, 18, G, G, G},
                            {32, 54, G, G, G},
                            {80, 36, G, G, G},
                            {128, 36, 0xFFCC0000, 0xFFFF0000, 0xFFFF0000},
                            {148, 36, 0xFF00CC00, 0xFF00FF00, 0xFF00FF00},
                            {28, 76, 0xFFCC0000, 0xFFFF0000, 0xFFFF0000},
                            {52, 76, 0xFF000000, 0xFF000000, G},
                            {28, 100, 0xFF00CC00, 0xFF00FF00, 0xFF00FF00},
                            {52, 100, 0xFF0000CC, 0xFF0000FF, 0xFF0000FF}};
    const auto litImage = Draw();
    device_->SetQuality(RENDER_UNLITFLAT);
    const auto unlit = Draw();
    texture->SetDecalTransparency(true);
    const auto decal = Draw();
    for (const Probe& p : probes) {
        const int at = p.y * WIDTH + p.x;
        EXPECT_TRUE(Near(litImage[at], p.lit) && Near(unlit[at], p.unlit) &&
                    Near(decal[at], p.decal))
            << p.x << "," << p.y << ": " << std::hex << litImage[at] << " " << unlit[at] << " "
            << decal[at];
    }
    Light(0.7f, 0.9f);  // more light than full is full
    device_->SetQuality(RENDER_FLAT);
    lit->SetColor(0xFF405060);
    EXPECT_TRUE(Near(Draw()[36 * WIDTH + 32], 0xFF405060));
}

TEST_F(Drawing, GouraudBlendsFlatShadesEachFaceMonoStepsTheRampAndWireframeIsHollow) {
    // Half a cylinder along y, bulging toward the camera: 16 faces, each turned a little more.
    std::vector<Vector> v;
    std::vector<unsigned> faces;
    for (unsigned i = 0; i <= 16; ++i) {
        const double a = M_PI * (i / 16.0 - 0.5);
        const auto x = static_cast<Value>(3 * std::sin(a)),
                   z = static_cast<Value>(10 - 3 * std::cos(a));
        v.insert(v.end(), {{x, 2, z}, {x, -2, z}});
        if (i < 16) {
            faces.insert(faces.end(), {4, 2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
        }
    }
    faces.push_back(0);
    Mesh(v, faces, COLOR_WHITE);
    Light(0.1f, 0.9f, {1, 0, 1});
    const auto flat = Draw();
    device_->SetQuality(RENDER_GOURAUD);
    const auto gouraud = Draw();
    EXPECT_LE(Colors(flat).size(), 16u);  // one shade a face at most
    EXPECT_GT(Colors(gouraud).size(), 32u);
    int differing = 0;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        differing += flat[i] != gouraud[i] ? 1 : 0;
    }
    EXPECT_GT(differing, 500);
    device_->SetQuality(RENDER_WIREFRAME);
    const auto wire = Draw();
    EXPECT_EQ(wire[60 * WIDTH + 86], BACKGROUND);  // inside the face between x 80 and 93
    EXPECT_FALSE(Colors(wire).empty());

    Use(DRIVER_SOFTWARE_MONO);
    ASSERT_EQ(device_->GetColorModel(), COLOR_MONO);
    device_->SetQuality(RENDER_GOURAUD);
    device_->SetShades(256);
    EXPECT_GT(Colors(Draw()).size(), 8u);
    device_->SetShades(4);
    const auto levels = Colors(Draw());
    EXPECT_GE(levels.size(), 2u);
    EXPECT_LE(levels.size(), 4u);
    for (const Color c : levels) {  // grey at 0, 1/3, 2/3 or 1
        const int grey = static_cast<int>(c & 0xFF);
        EXPECT_EQ(c, 0xFF000000u | grey * 0x010101u);
        EXPECT_LE(std::abs(grey * 3 - 255 * ((grey * 3 + 127) / 255)), 3) << grey;
    }
}

}  // namespace
