// The 3D layer: face data, BMP textures, and drawing through real OpenGL (SDL's offscreen
// driver): projection, lighting, culling, depth, textures and decals, shading modes, the mono ramp.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <numeric>
#include <set>
#include <span>
#include <tuple>
#include <vector>

#include "retained/bmp_reader.h"
#include "retained/offscreen_window.h"
#include "retained/retained.h"

namespace {

using namespace retained;

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;
constexpr Color BACKGROUND = 0xFF204060;

// A factory and a scene root, and a camera at the origin looking along +z; front 1, back 100,
// field 0.5: a point (x, y, z) lands at pixel (80 + 160 x / z, 60 - 160 y / z) of a hidden window.
class Layer : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CreateFactory(&factory_), RM_OK);
        ASSERT_EQ(factory_->CreateFrame(nullptr, &scene_), RM_OK);
        ASSERT_TRUE(testing_support::StartOffscreenBackend()) << "no offscreen video";
        window_ = testing_support::OpenOffscreenWindow(w_, h_);
        ASSERT_EQ(CreateClipper(&clipper_), RM_OK);
        ASSERT_EQ(clipper_->SetHWnd(0, window_), RM_OK);
        scene_->SetSceneBackground(BACKGROUND);
        camera_ = Child();
        Use(DRIVER_SOFTWARE_RGB);
        EXPECT_TRUE(device_->GetDither());  // a new device dithers
        glClearColor(1, 0, 1, 1);  // magenta, drawn by no test: whatever shows it was left undrawn
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        viewport_->Release();
        device_->Release();
        clipper_->Release();
        ReleaseAndClear(scene_);
        factory_->Release();
        platform::DestroyWindow(window_);
        EXPECT_TRUE(scale_ == 1 || finer_ > 0)
            << "the picture drawn at the device's size, enlarged";
    }
    // A child of the scene at its origin; the scene holds the only reference.
    Frame* Child() {
        Frame* frame = nullptr;
        EXPECT_EQ(factory_->CreateFrame(scene_, &frame), RM_OK);
        frame->Release();
        return frame;
    }
    // A mesh of the scene (the scene holds it).
    MeshBuilder* Mesh(std::span<const Vector> vertices, std::span<const unsigned> faces,
                      Color color = COLOR_WHITE) {
        MeshBuilder* mesh = nullptr;
        EXPECT_EQ(factory_->CreateMeshBuilder(&mesh), RM_OK);
        EXPECT_EQ(mesh->AddFaces(vertices, faces), RM_OK);
        mesh->SetColor(color);
        scene_->AddVisual(mesh);
        mesh->Release();
        return mesh;
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
        Frame* holder = Child();
        ASSERT_EQ(holder->SetOrientation(scene_, dir.x, dir.y, dir.z, 0, 1, 0), RM_OK);
        for (auto [frame, type, value] : {std::tuple(scene_, LIGHT_AMBIENT, ambient),
                                          std::tuple(holder, LIGHT_DIRECTIONAL, directional)}) {
            retained::Light* light = nullptr;
            ASSERT_EQ(factory_->CreateLightRGB(type, value, value, value, &light), RM_OK);
            frame->AddLight(light);
            light->Release();
        }
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
        EXPECT_EQ(viewport_->Clear() + viewport_->Render(scene_), RM_OK);
        std::vector<Color> image(WIDTH * HEIGHT);
        EXPECT_EQ(device_->ReadImage(image), RM_OK);
        // The whole drawable: bars black, the picture all drawn, in pixels of its own size.
        std::vector<std::uint32_t> all(w_ * h_);  // RGBA bytes, from the bottom row
        glReadPixels(0, 0, w_, h_, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
        int wrong = 0, background = 0;
        for (int at = 0; at < w_ * h_; ++at) {
            const int x = at % w_ - (w_ - WIDTH * scale_) / 2,
                      y = at / w_ - (h_ - HEIGHT * scale_) / 2;
            const bool bar = x < 0 || y < 0 || x >= WIDTH * scale_ || y >= HEIGHT * scale_;
            wrong += bar ? all[at] != 0xFF000000u : all[at] == 0xFFFF00FFu;
            background += !bar && all[at] == 0xFF604020u;  // BACKGROUND's bytes
            finer_ += !bar && all[at] != all[at - x % scale_ - y % scale_ * w_];
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_NEAR(background, std::ranges::count(image, BACKGROUND) * scale_ * scale_,
                    WIDTH * HEIGHT * scale_ * scale_ / 50);
        device_->Update();
        return image;
    }
    // The colours drawn besides the background.
    static std::set<Color> Colors(const std::vector<Color>& image) {
        std::set<Color> colors(image.begin(), image.end());
        colors.erase(BACKGROUND);
        return colors;
    }

    Factory* factory_ = nullptr;
    Frame* scene_ = nullptr;
    platform::HWND window_ = nullptr;
    Clipper* clipper_ = nullptr;
    Frame* camera_ = nullptr;
    Device* device_ = nullptr;
    Viewport* viewport_ = nullptr;
    int scale_ = 1, w_ = WIDTH, h_ = HEIGHT, finer_ = 0;  // the picture's scale, the drawable
    void DrawFaces();
};

TEST_F(Layer, MalformedFaceDataAddsNothing) {
    const Vector square[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    MeshBuilder* mesh = Mesh({}, std::array{0u});
    // No ending 0, an index out of range, two corners, a count past the end, nothing at all.
    const std::vector<unsigned> cases[] = {
        {3, 0, 1, 2}, {3, 0, 1, 2, 3, 0, 1, 4, 0}, {2, 0, 1, 0}, {3, 0, 1, 2, 9, 0, 1, 0}, {}};
    for (const auto& data : cases) {
        EXPECT_EQ(mesh->AddFaces(square, data), RMERR_BADVALUE);
        EXPECT_EQ(mesh->GetFaceCount() + mesh->GetVertexCount(), 0u);
    }
}

TEST_F(Layer, BitmapRowsReadFromTheTopLeftAndHeadersThatPointPastTheBytesAreRefused) {
    Texture* texture = nullptr;
    // A bare info header, top-down, 3 by 2 with padded rows.
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_topdown", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetTexel(0, 0),
                         texture->GetTexel(2, 0), texture->GetTexel(0, 1), texture->GetTexel(2, 1)),
              std::tuple(3, 2, 0xFF010203u, 0xFF070809u, 0xFF0A0B0Cu, 0xFF101112u));
    texture->Release();
    EXPECT_EQ(factory_->LoadTextureFromResource("bmp_truncated", "BITMAP", &texture),
              RMERR_BADFILE);
    const auto file = platform::FindResource("BITMAP", "bmp_quadrants");
    ASSERT_TRUE(file);
    const std::vector<unsigned char> good(file->begin(), file->end());
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    EXPECT_FALSE(DecodeBmp24(std::span(good).first(13), &width, &height, &rgb));
    // Offsets and values: the pixel offset is at 10; the info header's size at 14, width 18,
    // height 22, planes and bits 26, compression 30.
    const std::uint32_t cases[] = {10,         200, 18,         5,  22,         5,  22, 0,  18,
                                   0x7FFFFFFF, 22,  0x80000001, 26, 0x00080001, 30, 1,  14, 12};
    for (std::size_t c = 0; c < std::size(cases); c += 2) {
        auto bytes = good;
        for (std::uint32_t i = 0; i < 4; ++i) {
            bytes[cases[c] + i] = static_cast<unsigned char>(cases[c + 1] >> (8 * i));
        }
        EXPECT_FALSE(DecodeBmp24(bytes, &width, &height, &rgb)) << cases[c] << " " << cases[c + 1];
    }
}

// Colours a channel apart at most.
bool Near(Color a, Color b) {
    return std::ranges::all_of(std::array{0, 8, 16}, [a, b](int shift) {
        return std::abs(static_cast<int>((a >> shift & 0xFF) - (b >> shift & 0xFF))) <= 1;
    });
}

// On a drawable wider than 4:3 the picture is twice the device's size, with bars left and right.
class LayerTwiceAsLarge : public Layer {
  protected:
    LayerTwiceAsLarge() { std::tie(scale_, w_, h_) = std::tuple(2, 2 * WIDTH + 80, 2 * HEIGHT); }
};

void Layer::DrawFaces() {
    EXPECT_TRUE(Colors(Draw()).empty());
    Light(0.2f, 0.6f);                                       // 0.8 on faces toward the camera
    MeshBuilder* lit = Square(-3, 1.5f, 10, 1, 0xFF80C040);  // x 16..48, y 20..52
    Square(0, 1.5f, 10, 1, COLOR_WHITE, false);              // seen from behind
    Square(1.5f, 0.75f, 5, 0.5f, 0xFFFF0000);                // x 112..144, y 20..52, in front of
    Square(3, 1.5f, 10, 1.5f, 0xFF00FF00);                   // x 104..152, y 12..60
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("BMP_QUADRANTS", "bitmap", &texture), RM_OK);
    // The whole texture at x 16..64, y 64..112 (corners from the top-left, clockwise), and one
    // cell of it (its red quarter) at x 96..144, where filtering must not reach the black or green.
    for (const auto& [x, s] : {std::pair(-2.5f, 1.0f), {2.5f, 0.5f}}) {
        Face* face = nullptr;
        ASSERT_EQ(Square(x, -1.75f, 10, 1.5f, COLOR_WHITE)->GetFace(0, &face), RM_OK);
        for (const auto& [corner, u, v] : {std::tuple(1u, s, 0.0f), {2u, s, s}, {3u, 0.0f, s}}) {
            face->SetTextureCoordinates(corner, u, v);
        }
        face->SetTexture(texture);
        face->Release();
    }
    texture->Release();
    Vector corner;
    ASSERT_EQ(viewport_->Transform({-4, 2.5f, 10}, &corner), RM_OK);
    EXPECT_NEAR(corner.x, 16, 1e-4);
    EXPECT_NEAR(corner.y, 20, 1e-4);
    EXPECT_NEAR(corner.z, 10, 1e-4);
    EXPECT_LT(viewport_->Transform({0, 0, -1}, &corner), 0);     // behind the camera
    EXPECT_LT(camera_->LookAt(scene_, scene_, CONSTRAIN_Y), 0);  // at its target: no direction
    // Probes: x, y, then the colour lit (0.8 of the face's), unlit, and unlit with black texels
    // transparent.
    const Color G = BACKGROUND;
    const Color probes[] = {
        17,  21,  0xFF669A33, 0xFF80C040, 0xFF80C040, 47,  51,  0xFF669A33, 0xFF80C040, 0xFF80C040,
        14,  36,  G,          G,          G,          50,  36,  G,          G,          G,
        32,  18,  G,          G,          G,          32,  54,  G,          G,          G,
        80,  36,  G,          G,          G,          128, 36,  0xFFCC0000, 0xFFFF0000, 0xFFFF0000,
        148, 36,  0xFF00CC00, 0xFF00FF00, 0xFF00FF00, 28,  76,  0xFFCC0000, 0xFFFF0000, 0xFFFF0000,
        52,  76,  0xFF000000, 0xFF000000, G,          28,  100, 0xFF00CC00, 0xFF00FF00, 0xFF00FF00,
        52,  100, 0xFF0000CC, 0xFF0000FF, 0xFF0000FF};
    const auto litImage = Draw();
    device_->SetQuality(RENDER_UNLITFLAT);
    const auto unlit = Draw();
    texture->SetDecalTransparency(true);
    const auto decal = Draw();
    for (std::size_t i = 0; i < std::size(probes); i += 5) {
        const auto at = probes[i + 1] * WIDTH + probes[i];
        EXPECT_TRUE(Near(litImage[at], probes[i + 2]) && Near(unlit[at], probes[i + 3]) &&
                    Near(decal[at], probes[i + 4]))
            << probes[i] << "," << probes[i + 1] << ": " << std::hex << litImage[at] << " "
            << unlit[at] << " " << decal[at];
    }
    // Filtered: blends where the quarters meet, but no dark fringe round a decal's black, and the
    // one-cell face all red.
    const auto inside = [](const std::vector<Color>& image, int left) {
        std::set<Color> colors;
        for (int y = 64; y < 112; ++y) {
            colors.insert(image.begin() + y * WIDTH + left, image.begin() + y * WIDTH + left + 48);
        }
        return colors;
    };
    EXPECT_GT(inside(unlit, 16).size(), 8u);
    for (const Color c : inside(decal, 16)) {  // blends of full primaries, or the background
        const auto sum = (c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF);
        EXPECT_TRUE(c == G || (sum >= 253 && sum <= 257)) << std::hex << c;
    }
    EXPECT_EQ(inside(unlit, 96), std::set<Color>{0xFFFF0000});
    Light(0.7f, 0.9f);  // more light than full is full
    device_->SetQuality(RENDER_FLAT);
    lit->SetColor(0xFF405060);
    EXPECT_TRUE(Near(Draw()[36 * WIDTH + 32], 0xFF405060));
}

TEST_F(Layer, FacesLandWhereProjectedLitCulledDepthSortedAndTextured) {
    DrawFaces();
}

TEST_F(LayerTwiceAsLarge, FacesLandWhereProjectedLitCulledDepthSortedAndTextured) {
    DrawFaces();
}

TEST_F(Layer, GouraudBlendsFlatShadesEachFaceMonoStepsTheRampAndWireframeIsHollow) {
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
    EXPECT_GT(std::transform_reduce(flat.begin(), flat.end(), gouraud.begin(), 0, std::plus<>(),
                                    std::not_equal_to<>()),
              500);
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
