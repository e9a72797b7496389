// The scene builder through the real 3D layer, without a window: what lands in each mesh, frame
// and texture slot, where it stops when a mesh cannot be filled, and the index checks of the
// small operations.
#include <array>

#include "refusing_mesh_builder.h"
#include "render/display.h"
#include "render/scene_data.h"
#include "scene_fixture.h"

namespace {

using retained::Vector;

class SceneBuild : public SceneObjects {
  protected:
    void Refuse(unsigned mesh) {
        retained::ReleaseAndClear(renderObjects.meshBuilders[mesh]);
        renderObjects.meshBuilders[mesh] = new RefusingMeshBuilder;
    }
    static unsigned Visuals(unsigned frame) {
        return renderObjects.objectFrames[frame]->GetVisualCount();
    }
};

TEST_F(SceneBuild, FillsEveryMeshAsTabled) {
    ASSERT_EQ(BuildScene(), 1);
    struct Row {
        unsigned mesh;
        unsigned vertices;
        unsigned faces;
        retained::Color colour;
    };
    const Row rows[] = {
        {MESH_MALLET, 97, 96, 0xFF0019FF},          {MESH_PUCK, 49, 48, retained::COLOR_WHITE},
        {MESH_SURFACE, 4, 1, 0xFF007FFF},           {MESH_CENTRE_LINE, 4, 1, 0xFFFFFF00},
        {MESH_RAILS, 38, 26, 0xFFFFFFFF},           {MESH_GOAL, 12, 5, 0xFFFF0000},
        {MESH_GOAL_MOUTH, 12, 1, 0xFF000000},       {MESH_SCOREBOARD, 8, 2, 0xFF00FF00},
        {MESH_BANNER, 4, 1, retained::COLOR_WHITE},
    };
    for (const Row& row : rows) {
        const retained::MeshBuilder* mesh = renderObjects.meshBuilders[row.mesh];
        EXPECT_EQ(mesh->GetVertexCount(), row.vertices) << row.mesh;
        EXPECT_EQ(mesh->GetFaceCount(), row.faces) << row.mesh;
        EXPECT_EQ(mesh->GetColor(), row.colour) << row.mesh;
    }
    Vector v;
    renderObjects.meshBuilders[MESH_PUCK]->GetVertex(48, &v);
    EXPECT_EQ(v, (Vector{0, 0, -6}));
    renderObjects.meshBuilders[MESH_RAILS]->GetVertex(33, &v);
    EXPECT_EQ(v, (Vector{-206, -44, 40}));
    retained::Face* face = nullptr;
    ASSERT_EQ(renderObjects.meshBuilders[MESH_GOAL]->GetFace(3, &face), retained::RM_OK);
    const std::array<unsigned, 4> roof = {3, 8, 9, 5};
    for (unsigned corner = 0; corner < 4; ++corner) {
        EXPECT_EQ(face->GetVertexIndex(corner), roof[corner]);
    }
    face->Release();
}

TEST_F(SceneBuild, AttachesAndPlacesEveryFrame) {
    ASSERT_EQ(BuildScene(), 1);
    const std::array<std::vector<unsigned>, OBJECT_FRAME_COUNT> visuals = {{
        {MESH_MALLET},
        {MESH_MALLET},
        {MESH_PUCK},
        {MESH_SURFACE, MESH_CENTRE_LINE, MESH_RAILS},
        {MESH_GOAL, MESH_GOAL_MOUTH},
        {MESH_GOAL, MESH_GOAL_MOUTH},
        {MESH_SCOREBOARD},
        {MESH_BANNER},
    }};
    for (unsigned frame = 0; frame < OBJECT_FRAME_COUNT; ++frame) {
        ASSERT_EQ(Visuals(frame), visuals[frame].size()) << frame;
        for (unsigned i = 0; i < visuals[frame].size(); ++i) {
            EXPECT_EQ(renderObjects.objectFrames[frame]->GetVisual(i),
                      renderObjects.meshBuilders[visuals[frame][i]])
                << frame << " " << i;
        }
    }
    EXPECT_EQ(PositionOf(0), (Vector{0, -160, 0}));
    EXPECT_EQ(PositionOf(1), (Vector{0, 160, 0}));
    EXPECT_EQ(PositionOf(2), (Vector{0, 0, 0}));
    EXPECT_EQ(PositionOf(FRAME_TABLE), (Vector{0, 0, 0}));
    EXPECT_EQ(PositionOf(FRAME_GOAL_PLAYER), (Vector{0, -177, 0}));
    EXPECT_EQ(PositionOf(FRAME_GOAL_CPU), (Vector{0, 177, 0}));
    EXPECT_EQ(PositionOf(FRAME_SCOREBOARD), (Vector{-163, 0, 0}));
    EXPECT_EQ(PositionOf(FRAME_BANNER), (Vector{0, 0, 0}));

    // The player's goal is the far one turned half a turn about z: it opens toward the centre.
    Vector dir, up;
    renderObjects.objectFrames[FRAME_GOAL_PLAYER]->GetOrientation(renderObjects.sceneFrame, &dir,
                                                                  &up);
    EXPECT_NEAR(dir.x, 0, 1e-6);
    EXPECT_NEAR(dir.y, 0, 1e-6);
    EXPECT_NEAR(dir.z, 1, 1e-6);
    EXPECT_NEAR(up.x, 0, 1e-6);
    EXPECT_NEAR(up.y, -1, 1e-6);
    EXPECT_NEAR(up.z, 0, 1e-6);
    renderObjects.objectFrames[FRAME_GOAL_CPU]->GetOrientation(renderObjects.sceneFrame, &dir, &up);
    EXPECT_EQ(up, (Vector{0, 1, 0}));
}

TEST_F(SceneBuild, LoadsBothAtlasesAndShowsThreeToFive) {
    ASSERT_EQ(BuildScene(), 1);
    retained::Texture* digits = renderObjects.textures[TEX_DIGITS];
    retained::Texture* banners = renderObjects.textures[TEX_BANNERS];
    ASSERT_NE(digits, nullptr);
    ASSERT_NE(banners, nullptr);
    EXPECT_EQ(digits->GetWidth(), 256);
    EXPECT_EQ(banners->GetHeight(), 256);
    EXPECT_FALSE(digits->GetDecalTransparency());
    EXPECT_TRUE(banners->GetDecalTransparency());
    const std::array<int, 2> shown = {3, 5};
    for (unsigned side = 0; side < 2; ++side) {
        retained::Face* face = nullptr;
        ASSERT_EQ(renderObjects.meshBuilders[MESH_SCOREBOARD]->GetFace(side, &face),
                  retained::RM_OK);
        EXPECT_EQ(face->GetTexture(), digits);
        const FaceCorners expected = DigitCorners(shown[side]);
        for (unsigned corner = 0; corner < 4; ++corner) {
            float u = -1, v = -1;
            face->GetTextureCoordinates(corner, &u, &v);
            EXPECT_EQ(u, expected[corner].u) << side << " " << corner;
            EXPECT_EQ(v, expected[corner].v) << side << " " << corner;
        }
        face->Release();
    }
}

TEST_F(SceneBuild, StopsAtTheFirstMeshItCannotFill) {
    Refuse(MESH_PUCK);
    EXPECT_EQ(BuildScene(), 0);
    for (unsigned frame = 0; frame < OBJECT_FRAME_COUNT; ++frame) {
        EXPECT_EQ(Visuals(frame), 0u) << frame;
    }
    EXPECT_EQ(renderObjects.meshBuilders[MESH_MALLET]->GetFaceCount(), 0u);
    EXPECT_EQ(renderObjects.textures[TEX_DIGITS], nullptr);
    EXPECT_EQ(renderObjects.textures[TEX_BANNERS], nullptr);
}

TEST_F(SceneBuild, ABannerThatCannotBeFilledLeavesTheRestComplete) {
    Refuse(MESH_BANNER);
    EXPECT_EQ(BuildScene(), 0);
    const std::array<unsigned, OBJECT_FRAME_COUNT> visuals = {1, 1, 1, 3, 2, 2, 1, 0};
    for (unsigned frame = 0; frame < OBJECT_FRAME_COUNT; ++frame) {
        EXPECT_EQ(Visuals(frame), visuals[frame]) << frame;
    }
    EXPECT_EQ(PositionOf(FRAME_SCOREBOARD), (Vector{-163, 0, 0}));
    EXPECT_NE(renderObjects.textures[TEX_DIGITS], nullptr);
    EXPECT_EQ(renderObjects.textures[TEX_BANNERS], nullptr);
    // The banner operations then find no face, and change only the pose.
    ShowBanner(BANNER_TITLE);
    EXPECT_EQ(PositionOf(FRAME_BANNER), (Vector{0, -180, -360}));
}

TEST_F(SceneBuild, AGoalThatCannotBeFilledStopsBeforeTheScoreboard) {
    Refuse(MESH_GOAL_MOUTH);
    EXPECT_EQ(BuildScene(), 0);
    const std::array<unsigned, OBJECT_FRAME_COUNT> visuals = {1, 1, 1, 3, 0, 0, 0, 0};
    for (unsigned frame = 0; frame < OBJECT_FRAME_COUNT; ++frame) {
        EXPECT_EQ(Visuals(frame), visuals[frame]) << frame;
    }
    EXPECT_EQ(renderObjects.meshBuilders[MESH_GOAL]->GetFaceCount(), 5u);
    EXPECT_EQ(PositionOf(FRAME_SCOREBOARD), (Vector{0, 0, 0}));
    EXPECT_EQ(renderObjects.textures[TEX_DIGITS], nullptr);
}

TEST_F(SceneBuild, PlaceBodyFrameMovesOnlyFramesThatExist) {
    PlaceBodyFrame(2, 12.5, -30.25, 20);
    EXPECT_EQ(PositionOf(2), (Vector{12.5f, -30.25f, 20}));
    for (unsigned bad : {8u, 9u, static_cast<unsigned>(-1)}) {
        PlaceBodyFrame(bad, 1, 2, 3);
    }
    for (unsigned frame = 0; frame < OBJECT_FRAME_COUNT; ++frame) {
        if (frame != 2) {
            EXPECT_EQ(PositionOf(frame), (Vector{0, 0, 0})) << frame;
        }
    }
}

TEST_F(SceneBuild, AttachAndLoadIgnoreIndicesOutOfRange) {
    AttachVisual(OBJECT_FRAME_COUNT, MESH_PUCK);
    AttachVisual(static_cast<unsigned>(-1), MESH_PUCK);
    AttachVisual(FRAME_TABLE, MESH_BUILDER_COUNT);
    for (unsigned frame = 0; frame < OBJECT_FRAME_COUNT; ++frame) {
        EXPECT_EQ(Visuals(frame), 0u) << frame;
    }
    AttachVisual(FRAME_TABLE, MESH_SURFACE);
    EXPECT_EQ(Visuals(FRAME_TABLE), 1u);

    LoadTextureSlot(TEXTURE_COUNT, "bmp_num");
    LoadTextureSlot(TEX_DIGITS, "no_such_bitmap");
    EXPECT_EQ(renderObjects.textures[TEX_DIGITS], nullptr);
    LoadTextureSlot(TEX_DIGITS, "BMP_NUM");  // names are found without regard to case
    ASSERT_NE(renderObjects.textures[TEX_DIGITS], nullptr);
    // The digit atlas as committed: green ink in the cell of 8, none in the blank cell 15.
    const retained::Texture* digits = renderObjects.textures[TEX_DIGITS];
    int green = 0;
    for (int y = 128; y < 192; ++y) {
        for (int x = 0; x < 64; ++x) {
            const retained::Color texel = digits->GetTexel(x, y);
            EXPECT_EQ(texel & 0xFF00FF, 0u);
            green += (texel & 0xFF00) == 0xFF00 ? 1 : 0;
            EXPECT_EQ(digits->GetTexel(192 + x, y + 64), 0xFF000000u);
        }
    }
    EXPECT_GT(green, 300);
}

}  // namespace
