// Mesh builders and faces, textures from BMP resources, the driver search and the clipper.
#include <gtest/gtest.h>

#include "platform/display_mode.h"
#include "platform/headless_backend.h"
#include "retained/internal.h"
#include "retained/retained.h"

namespace {

using namespace retained;

class MeshTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CreateFactory(&factory_), RM_OK);
        ASSERT_EQ(factory_->CreateMeshBuilder(&mesh_), RM_OK);
    }
    void TearDown() override {
        ReleaseAndClear(mesh_);
        ReleaseAndClear(factory_);
    }
    Factory* factory_ = nullptr;
    MeshBuilder* mesh_ = nullptr;
};

const Vector SQUARE[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 2}};

TEST_F(MeshTest, FaceDataIsCountThenIndicesEndedByZero) {
    const unsigned data[] = {3, 0, 1, 2, 4, 3, 2, 1, 0, 0};
    ASSERT_EQ(mesh_->AddFaces(SQUARE, data), RM_OK);
    EXPECT_EQ(mesh_->GetVertexCount(), 5u);
    ASSERT_EQ(mesh_->GetFaceCount(), 2u);
    Face* face = nullptr;
    ASSERT_EQ(mesh_->GetFace(1, &face), RM_OK);
    EXPECT_EQ(face->GetVertexCount(), 4u);
    EXPECT_EQ(face->GetVertexIndex(0), 3u);
    EXPECT_EQ(face->GetVertexIndex(3), 0u);
    face->Release();
    // A second call's indices count from its own first vertex.
    const unsigned again[] = {3, 4, 0, 1, 0};
    ASSERT_EQ(mesh_->AddFaces(SQUARE, again), RM_OK);
    ASSERT_EQ(mesh_->GetFace(2, &face), RM_OK);
    EXPECT_EQ(face->GetVertexIndex(0), 9u);
    EXPECT_EQ(face->GetVertexIndex(1), 5u);
    Vector v;
    ASSERT_EQ(mesh_->GetVertex(9, &v), RM_OK);
    EXPECT_EQ(v.z, 2);
    EXPECT_LT(mesh_->GetVertex(10, &v), 0);
    face->Release();
    EXPECT_EQ(mesh_->GetFace(3, &face), RMERR_NOTFOUND);
    EXPECT_EQ(face, nullptr);
}

TEST_F(MeshTest, MalformedFaceDataAddsNothing) {
    const unsigned noEnd[] = {3, 0, 1, 2};
    const unsigned outOfRange[] = {3, 0, 1, 2, 3, 0, 1, 5, 0};
    const unsigned tooFewCorners[] = {2, 0, 1, 0};
    const unsigned countPastTheEnd[] = {3, 0, 1, 2, 9, 0, 1, 0};
    const unsigned empty[] = {0};
    for (const auto data :
         {std::span<const unsigned>(noEnd), std::span<const unsigned>(outOfRange),
          std::span<const unsigned>(tooFewCorners), std::span<const unsigned>(countPastTheEnd)}) {
        EXPECT_EQ(mesh_->AddFaces(SQUARE, data), RMERR_BADVALUE);
        EXPECT_EQ(mesh_->GetFaceCount(), 0u);
        EXPECT_EQ(mesh_->GetVertexCount(), 0u);
    }
    EXPECT_EQ(mesh_->AddFaces(SQUARE, std::span<const unsigned>()), RMERR_BADVALUE);
    EXPECT_EQ(mesh_->AddFaces(SQUARE, empty), RM_OK);  // vertices only
    EXPECT_EQ(mesh_->GetFaceCount(), 0u);
}

TEST_F(MeshTest, ColourIsWhiteUntilSetAndCoversEveryFace) {
    const unsigned data[] = {3, 0, 1, 2, 3, 2, 3, 0, 0};
    ASSERT_EQ(mesh_->AddFaces(SQUARE, data), RM_OK);
    EXPECT_EQ(mesh_->GetColor(), COLOR_WHITE);
    ASSERT_EQ(mesh_->SetColor(0xFF0019FF), RM_OK);
    ASSERT_EQ(mesh_->AddFaces(SQUARE, data), RM_OK);
    for (unsigned i = 0; i < 4; ++i) {
        Face* face = nullptr;
        ASSERT_EQ(mesh_->GetFace(i, &face), RM_OK);
        EXPECT_EQ(face->GetColor(), 0xFF0019FFu) << i;
        face->Release();
    }
}

TEST_F(MeshTest, FaceKeepsItsCornersTextureAndMesh) {
    const unsigned data[] = {4, 0, 1, 2, 3, 0};
    ASSERT_EQ(mesh_->AddFaces(SQUARE, data), RM_OK);
    Face* face = nullptr;
    ASSERT_EQ(mesh_->GetFace(0, &face), RM_OK);
    ASSERT_EQ(face->SetTextureCoordinates(2, 0.25f, 0.75f), RM_OK);
    EXPECT_LT(face->SetTextureCoordinates(4, 0, 0), 0);
    Value u = 0;
    Value v = 0;
    ASSERT_EQ(face->GetTextureCoordinates(2, &u, &v), RM_OK);
    EXPECT_EQ(u, 0.25f);
    EXPECT_EQ(v, 0.75f);
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("BMP_QUADRANTS", "bitmap", &texture), RM_OK);
    ASSERT_EQ(face->SetTexture(texture), RM_OK);
    EXPECT_EQ(texture->Release(), 1u);  // the mesh holds it
    EXPECT_EQ(face->GetTexture(), texture);
    // The face handle keeps the mesh alive after the mesh's own handle goes.
    ReleaseAndClear(mesh_);
    ASSERT_EQ(face->GetTextureCoordinates(2, &u, &v), RM_OK);
    EXPECT_EQ(u, 0.25f);
    ASSERT_EQ(face->SetTexture(nullptr), RM_OK);
    face->Release();
}

TEST_F(MeshTest, BottomUpBmpReadsWithTheTopLeftAtZero) {
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(texture->GetWidth(), 4);
    EXPECT_EQ(texture->GetHeight(), 4);
    EXPECT_EQ(texture->GetTexel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(texture->GetTexel(3, 0), 0xFF000000u);
    EXPECT_EQ(texture->GetTexel(0, 3), 0xFF00FF00u);
    EXPECT_EQ(texture->GetTexel(3, 3), 0xFF0000FFu);
    EXPECT_EQ(texture->GetTexel(4, 0), 0u);
    EXPECT_FALSE(texture->GetDecalTransparency());
    texture->SetDecalTransparency(true);
    EXPECT_TRUE(texture->GetDecalTransparency());
    texture->Release();
}

TEST_F(MeshTest, TopDownBmpWithoutFileHeaderAndPaddedRows) {
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_topdown", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(texture->GetWidth(), 3);
    EXPECT_EQ(texture->GetHeight(), 2);
    EXPECT_EQ(texture->GetTexel(0, 0), 0xFF010203u);
    EXPECT_EQ(texture->GetTexel(2, 0), 0xFF070809u);
    EXPECT_EQ(texture->GetTexel(0, 1), 0xFF0A0B0Cu);
    EXPECT_EQ(texture->GetTexel(2, 1), 0xFF101112u);
    texture->Release();
}

TEST_F(MeshTest, MissingOrCutShortResourceGivesNoTexture) {
    Texture* texture = nullptr;
    EXPECT_EQ(factory_->LoadTextureFromResource("bmp_none", "BITMAP", &texture), RMERR_NOTFOUND);
    EXPECT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "WAVE", &texture), RMERR_NOTFOUND);
    EXPECT_EQ(factory_->LoadTextureFromResource("bmp_truncated", "BITMAP", &texture),
              RMERR_BADFILE);
    EXPECT_EQ(texture, nullptr);
}

TEST(BmpReaderTest, RefusesHeadersThatPointPastTheBytes) {
    const auto original = platform::FindResource("BITMAP", "bmp_quadrants");
    ASSERT_TRUE(original);
    const std::vector<unsigned char> good(original->begin(), original->end());
    const auto put32 = [](std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + i] = static_cast<unsigned char>(v >> (8 * i));
        }
    };
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    };
    // File header (14 bytes) then the info header: size at 14, width 18, height 22, bits 28
    // (16-bit, so with the planes word), compression 30; the pixel offset is at 10.
    for (const Case& c : {Case{"pixels past the end", 10, 200}, Case{"wider than the data", 18, 5},
                          Case{"taller than the data", 22, 5}, Case{"huge width", 18, 0x7FFFFFFF},
                          Case{"huge height", 22, 0x80000001u}, Case{"zero height", 22, 0},
                          Case{"8-bit", 26, 0x00080001}, Case{"compressed", 30, 1},
                          Case{"short info header", 14, 12}}) {
        auto bytes = good;
        put32(bytes, c.offset, c.value);
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> rgb;
        EXPECT_FALSE(retained::DecodeBmp24(bytes, &width, &height, &rgb)) << c.what;
    }
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    EXPECT_TRUE(retained::DecodeBmp24(good, &width, &height, &rgb));
    EXPECT_FALSE(retained::DecodeBmp24(std::span(good).first(13), &width, &height, &rgb));
}

TEST_F(MeshTest, TexturesTakeTheFactorysDefaultShadesAndColours) {
    Texture* texture = nullptr;
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(texture->GetShades(), DEFAULT_TEXTURE_SHADES);
    EXPECT_EQ(texture->GetColors(), DEFAULT_TEXTURE_COLORS);
    texture->Release();
    ASSERT_EQ(factory_->SetDefaultTextureShades(4), RM_OK);
    ASSERT_EQ(factory_->SetDefaultTextureColors(0), RM_OK);
    EXPECT_LT(factory_->SetDefaultTextureShades(1), 0);
    ASSERT_EQ(factory_->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture), RM_OK);
    EXPECT_EQ(texture->GetShades(), 4u);
    EXPECT_EQ(texture->GetColors(), 0u);
    texture->Release();
}

// ---- Drivers -------------------------------------------------------------------------------

class DriverSearchTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(platform::DirectDrawCreate(&directDraw_), platform::DD_OK);
        ASSERT_EQ(QueryDirect3D(directDraw_, &direct3d_), RM_OK);
    }
    void TearDown() override {
        SetDriverTable({});
        ReleaseAndClear(direct3d_);
        ReleaseAndClear(directDraw_);
    }
    FindDeviceResult Find(unsigned colorModel, bool softwareOnly) {
        FindDeviceSearch search;
        search.flags = FDS_COLORMODEL | (softwareOnly ? FDS_HARDWARE : 0);
        search.colorModel = colorModel;
        FindDeviceResult result;
        EXPECT_EQ(direct3d_->FindDevice(search, &result), RM_OK);
        return result;
    }
    platform::DirectDraw* directDraw_ = nullptr;
    Direct3D* direct3d_ = nullptr;
};

TEST_F(DriverSearchTest, DefaultTableOffersHardwareRgbFirstAndSoftwareOfBothModels) {
    auto result = Find(COLOR_RGB, false);
    EXPECT_EQ(result.guid, DRIVER_HARDWARE_RGB);
    EXPECT_NE(result.hardwareDesc.flags, 0u);
    EXPECT_EQ(result.hardwareDesc.deviceRenderBitDepth & platform::DDBD_8, 0u);
    EXPECT_EQ(result.softwareDesc.flags, 0u);
    result = Find(COLOR_RGB, true);
    EXPECT_EQ(result.guid, DRIVER_SOFTWARE_RGB);
    EXPECT_EQ(result.hardwareDesc.flags, 0u);
    EXPECT_NE(result.softwareDesc.flags, 0u);
    EXPECT_EQ(Find(COLOR_MONO, false).guid, DRIVER_SOFTWARE_MONO);
}

TEST_F(DriverSearchTest, NoMatchingDriverIsNotFound) {
    const DriverInfo onlyHardware[] = {
        {DRIVER_HARDWARE_RGB, "hw", true, {1, COLOR_RGB, platform::DDBD_16}, true}};
    SetDriverTable(onlyHardware);
    FindDeviceSearch search;
    search.flags = FDS_COLORMODEL | FDS_HARDWARE;
    search.colorModel = COLOR_RGB;
    FindDeviceResult result;
    EXPECT_EQ(direct3d_->FindDevice(search, &result), RMERR_NOTFOUND);
    search.flags = FDS_COLORMODEL;
    search.colorModel = COLOR_MONO;
    EXPECT_EQ(direct3d_->FindDevice(search, &result), RMERR_NOTFOUND);
    search.colorModel = COLOR_RGB;
    EXPECT_EQ(direct3d_->FindDevice(search, &result), RM_OK);
}

TEST(ClipperTest, BindsOnlyToALiveWindow) {
    platform::SetBackend(std::make_unique<platform::HeadlessBackend>());
    platform::WindowClass windowClass;
    windowClass.name = "clipper-test";
    windowClass.proc = [](platform::HWND h, unsigned m, platform::WPARAM w, platform::LPARAM l) {
        return platform::DefWindowProc(h, m, w, l);
    };
    ASSERT_TRUE(platform::RegisterClass(windowClass));
    platform::WindowPlacement placement;
    placement.width = 64;
    placement.height = 48;
    platform::HWND window = platform::CreateWindowEx("clipper-test", "t", placement);
    ASSERT_NE(window, nullptr);
    Clipper* clipper = nullptr;
    ASSERT_EQ(CreateClipper(&clipper), RM_OK);
    EXPECT_LT(clipper->SetHWnd(1, window), 0);
    ASSERT_EQ(clipper->SetHWnd(0, window), RM_OK);
    EXPECT_EQ(clipper->GetHWnd(), window);
    // Without a drawing surface (the headless backend has none) no device can be made.
    Factory* factory = nullptr;
    ASSERT_EQ(CreateFactory(&factory), RM_OK);
    Device* device = nullptr;
    EXPECT_EQ(factory->CreateDeviceFromClipper(clipper, nullptr, 64, 48, &device), RMERR_NODEVICE);
    const Guid unknown{0x77};
    EXPECT_EQ(factory->CreateDeviceFromClipper(clipper, &unknown, 64, 48, &device), RMERR_NOTFOUND);
    platform::DestroyWindow(window);
    EXPECT_LT(clipper->SetHWnd(0, window), 0);
    factory->Release();
    clipper->Release();
}

}  // namespace
