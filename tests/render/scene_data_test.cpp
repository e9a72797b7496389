// The scene's meshes, places and texture corners against the design's tables.
#include "render/scene_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace {

using Face = std::vector<std::uint32_t>;

// Splits the mesh builder's face list into faces, checking that it is well formed on the way.
std::vector<Face> Faces(const MeshData& mesh) {
    std::vector<Face> faces;
    std::size_t at = 0;
    while (at < mesh.faceData.size() && mesh.faceData[at] != 0) {
        const std::uint32_t count = mesh.faceData[at++];
        EXPECT_LE(at + count, mesh.faceData.size());
        Face face(mesh.faceData.begin() + static_cast<std::ptrdiff_t>(at),
                  mesh.faceData.begin() + static_cast<std::ptrdiff_t>(at + count));
        for (std::uint32_t index : face) {
            EXPECT_LT(index, mesh.vertices.size());
        }
        faces.push_back(face);
        at += count;
    }
    EXPECT_EQ(at + 1, mesh.faceData.size()) << "the face list ends with one 0";
    return faces;
}

struct Counts {
    const char* name;
    MeshData (*make)();
    std::size_t vertices;
    std::size_t faces;
};

TEST(SceneMeshes, HaveTheTabledVertexAndFaceCounts) {
    const Counts table[] = {
        {"mallet", MalletMesh, 97, 96},       {"puck", PuckMesh, 49, 48},
        {"surface", SurfaceMesh, 4, 1},       {"centre line", CentreLineMesh, 4, 1},
        {"rails", RailsMesh, 38, 26},         {"goal", GoalMesh, 12, 5},
        {"goal mouth", GoalMouthMesh, 12, 1}, {"scoreboard", ScoreboardMesh, 8, 2},
        {"banner", BannerMesh, 4, 1},
    };
    for (const Counts& c : table) {
        const MeshData mesh = c.make();
        EXPECT_EQ(mesh.vertices.size(), c.vertices) << c.name;
        EXPECT_EQ(Faces(mesh).size(), c.faces) << c.name;
    }
}

TEST(SceneMeshes, DiscsUseTheStoredSegmentAngle) {
    EXPECT_EQ(SEGMENT_ANGLE, 0.261799386275);
    // A hair (1.5e-9) under a twelfth of pi: the stored value is the one used.
    EXPECT_NEAR(SEGMENT_ANGLE, std::numbers::pi / 12, 2e-9);
    EXPECT_NE(SEGMENT_ANGLE, std::numbers::pi / 12);
    const MeshData puck = PuckMesh();
    for (int i = 0; i < DISC_SEGMENTS; ++i) {
        const double theta = i * 0.261799386275;
        const SceneVector top{static_cast<float>(18 * std::cos(theta)),
                              static_cast<float>(-18 * std::sin(theta)), -8};
        EXPECT_EQ(puck.vertices[2 * i], top) << i;
        EXPECT_EQ(puck.vertices[2 * i + 1], (SceneVector{top.x, top.y, 0})) << i;
    }
}

TEST(SceneMeshes, PuckIsADishedDiscOfRadius18AndHeight8) {
    const MeshData puck = PuckMesh();
    EXPECT_EQ(puck.vertices[0], (SceneVector{18, 0, -8}));
    EXPECT_EQ(puck.vertices[1], (SceneVector{18, 0, 0}));
    // Segment 6 is a quarter turn: -y, the player's side.
    EXPECT_NEAR(puck.vertices[12].x, 0, 1e-5);
    EXPECT_FLOAT_EQ(puck.vertices[12].y, -18);
    EXPECT_EQ(puck.vertices[48], (SceneVector{0, 0, -6}));
    const std::vector<Face> faces = Faces(puck);
    EXPECT_EQ(faces[0], (Face{48, 0, 2}));
    EXPECT_EQ(faces[23], (Face{48, 46, 0}));
    EXPECT_EQ(faces[24], (Face{1, 3, 2, 0}));
    EXPECT_EQ(faces[47], (Face{47, 1, 0, 46}));
}

TEST(SceneMeshes, MalletIsABaseWithAKnob) {
    const MeshData mallet = MalletMesh();
    EXPECT_EQ(mallet.vertices[0], (SceneVector{9, 0, -24}));
    EXPECT_EQ(mallet.vertices[1], (SceneVector{9, 0, -12}));
    EXPECT_EQ(mallet.vertices[2], (SceneVector{18, 0, -12}));
    EXPECT_EQ(mallet.vertices[3], (SceneVector{18, 0, 0}));
    EXPECT_FLOAT_EQ(mallet.vertices[4 * 12 + 3].x, -18);  // half a turn
    EXPECT_NEAR(mallet.vertices[4 * 12 + 3].y, 0, 1e-5);
    EXPECT_EQ(mallet.vertices[96], (SceneVector{0, 0, -24}));
    const std::vector<Face> faces = Faces(mallet);
    EXPECT_EQ(faces[0], (Face{96, 0, 4}));
    EXPECT_EQ(faces[23], (Face{96, 92, 0}));
    EXPECT_EQ(faces[24], (Face{1, 5, 4, 0}));
    EXPECT_EQ(faces[48], (Face{5, 1, 2, 6}));
    EXPECT_EQ(faces[71], (Face{1, 93, 94, 2}));
    EXPECT_EQ(faces[72], (Face{6, 2, 3, 7}));
    EXPECT_EQ(faces[95], (Face{2, 94, 95, 3}));
}

TEST(SceneMeshes, TableSurfaceAndCentreLine) {
    const MeshData surface = SurfaceMesh();
    EXPECT_EQ(surface.vertices[0], (SceneVector{-159, 179, 0}));
    EXPECT_EQ(surface.vertices[2], (SceneVector{159, -179, 0}));
    EXPECT_EQ(Faces(surface)[0], (Face{0, 1, 2, 3}));
    const MeshData line = CentreLineMesh();
    EXPECT_EQ(line.vertices[1], (SceneVector{-159, 1, -1}));
    EXPECT_EQ(line.vertices[3], (SceneVector{159, -1, -1}));
    EXPECT_EQ(Faces(line)[0], (Face{0, 1, 2, 3}));
}

TEST(SceneMeshes, RailsAreChamferedOctagonsAndTheStand) {
    const MeshData rails = RailsMesh();
    EXPECT_EQ(rails.vertices[0], (SceneVector{-158, 170, 0}));
    EXPECT_EQ(rails.vertices[7], (SceneVector{-158, -170, 0}));
    EXPECT_EQ(rails.vertices[10], (SceneVector{150, 178, -20}));
    EXPECT_EQ(rails.vertices[16], (SceneVector{-178, 182, -20}));
    EXPECT_EQ(rails.vertices[29], (SceneVector{162, -198, 120}));
    EXPECT_EQ(rails.vertices[32], (SceneVector{-158, -44, 40}));
    EXPECT_EQ(rails.vertices[37], (SceneVector{-206, 44, -22}));
    const std::vector<Face> faces = Faces(rails);
    EXPECT_EQ(faces[0], (Face{1, 0, 8, 9}));
    EXPECT_EQ(faces[7], (Face{0, 7, 15, 8}));  // the wrap back to the first corner
    EXPECT_EQ(faces[8], (Face{9, 8, 16, 17}));
    EXPECT_EQ(faces[15], (Face{8, 15, 23, 16}));
    EXPECT_EQ(faces[16], (Face{17, 16, 24, 25}));
    EXPECT_EQ(faces[23], (Face{16, 23, 31, 24}));
    EXPECT_EQ(faces[24], (Face{32, 33, 35, 34}));
    EXPECT_EQ(faces[25], (Face{34, 35, 37, 36}));
}

TEST(SceneMeshes, GoalAndMouthShareOneVertexList) {
    const MeshData goal = GoalMesh();
    const MeshData mouth = GoalMouthMesh();
    EXPECT_EQ(goal.vertices, mouth.vertices);
    EXPECT_EQ(goal.vertices[3], (SceneVector{-56, 0, -28}));
    EXPECT_EQ(goal.vertices[6], (SceneVector{48, 0, 0}));
    EXPECT_EQ(goal.vertices[9], (SceneVector{56, 22, -28}));
    EXPECT_EQ(goal.vertices[10], (SceneVector{-56, 22, 0}));
    const std::vector<Face> faces = Faces(goal);
    EXPECT_EQ(faces[0], (Face{0, 1, 3, 2}));
    EXPECT_EQ(faces[1], (Face{2, 3, 5, 4}));
    EXPECT_EQ(faces[2], (Face{4, 5, 7, 6}));
    EXPECT_EQ(faces[3], (Face{3, 8, 9, 5}));
    EXPECT_EQ(faces[4], (Face{8, 10, 11, 9}));
    EXPECT_EQ(Faces(mouth)[0], (Face{0, 2, 4, 6}));
    // The mouth is the 96 by 20 opening between the posts.
    EXPECT_EQ(mouth.vertices[4].x - mouth.vertices[0].x, 96);
    EXPECT_EQ(mouth.vertices[2].z, -20);
}

TEST(SceneMeshes, ScoreboardFacesAreNumberedBySideAndBannerIs200By50) {
    const MeshData board = ScoreboardMesh();
    EXPECT_EQ(board.vertices[0], (SceneVector{0, -38, -24}));
    EXPECT_EQ(board.vertices[7], (SceneVector{-36, 38, -24}));
    const std::vector<Face> faces = Faces(board);
    EXPECT_EQ(faces[0], (Face{0, 1, 3, 2}));
    EXPECT_EQ(faces[1], (Face{4, 5, 7, 6}));
    for (std::uint32_t i : faces[0]) {
        EXPECT_LT(board.vertices[i].y, 0) << "face 0 is the player's, on the near half";
    }
    for (std::uint32_t i : faces[1]) {
        EXPECT_GT(board.vertices[i].y, 0);
    }
    const MeshData banner = BannerMesh();
    EXPECT_EQ(banner.vertices[0], (SceneVector{100, 25, 0}));
    EXPECT_EQ(banner.vertices[2], (SceneVector{-100, -25, 0}));
    EXPECT_EQ(Faces(banner)[0], (Face{0, 1, 2, 3}));
}

TEST(ScenePlaces, FramesStandWhereTheTableSays) {
    EXPECT_EQ(PLAYER_START_POSITION, (SceneVector{0, -160, 0}));
    EXPECT_EQ(CPU_START_POSITION, (SceneVector{0, 160, 0}));
    EXPECT_EQ(GOAL_PLAYER_POSITION, (SceneVector{0, -177, 0}));
    EXPECT_EQ(GOAL_CPU_POSITION, (SceneVector{0, 177, 0}));
    // Half a turn about z: +z stays, +y turns to -y.
    EXPECT_EQ(GOAL_PLAYER_DIRECTION, (SceneVector{0, 0, 1}));
    EXPECT_EQ(GOAL_PLAYER_UP, (SceneVector{0, -1, 0}));
    EXPECT_EQ(SCOREBOARD_X, -163);
    // The scoreboard faces lie 2 units over the stand top, and over it in x and y.
    const MeshData board = ScoreboardMesh();
    const MeshData rails = RailsMesh();
    for (const SceneVector& v : board.vertices) {
        EXPECT_EQ(v.z - rails.vertices[36].z, -2);
        EXPECT_LE(v.x + SCOREBOARD_X, rails.vertices[36].x);
        EXPECT_GE(v.x + SCOREBOARD_X, rails.vertices[37].x);
        EXPECT_LE(std::fabs(v.y), 44);
    }
}

TEST(BannerPoses, TitleStepsFlyAlongTheLineOfSightToTheRestPlace) {
    EXPECT_EQ(TitleBannerPosition(0), (SceneVector{0, -240, -480}));
    EXPECT_EQ(TitleBannerPosition(1), (SceneVector{0, -230, -460}));
    EXPECT_EQ(TitleBannerPosition(6), BANNER_REST_POSITION);
    EXPECT_EQ(TitleBannerDone(0), 0);
    EXPECT_EQ(TitleBannerDone(5), 0);
    EXPECT_EQ(TitleBannerDone(6), 1);
    EXPECT_EQ(TitleBannerDone(7), 1);
    // Extreme counters neither overflow nor flip the answer.
    EXPECT_EQ(TitleBannerDone(2147483647), 1);
    EXPECT_EQ(TitleBannerDone(-2147483647 - 1), 0);
    // Rest and hidden places lie on the line from the origin to the camera rig (0, -250, -500).
    EXPECT_EQ(BANNER_REST_POSITION.z, 2 * BANNER_REST_POSITION.y);
    EXPECT_EQ(BANNER_HIDDEN_POSITION.z, 2 * BANNER_HIDDEN_POSITION.y);
    EXPECT_LT(BANNER_HIDDEN_POSITION.z, -500);
}

TEST(TextureCorners, DigitsPickTheirCellAndTurnIt) {
    EXPECT_EQ(DigitCorners(0), (FaceCorners{{{0, 0.25f}, {0, 0}, {0.25f, 0}, {0.25f, 0.25f}}}));
    EXPECT_EQ(DigitCorners(3), (FaceCorners{{{0.75f, 0.25f}, {0.75f, 0}, {1, 0}, {1, 0.25f}}}));
    EXPECT_EQ(DigitCorners(5),
              (FaceCorners{{{0.25f, 0.5f}, {0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}}}));
    // Ten has a glyph of its own, at column 2 of row 2.
    EXPECT_EQ(DigitCorners(10),
              (FaceCorners{{{0.5f, 0.75f}, {0.5f, 0.5f}, {0.75f, 0.5f}, {0.75f, 0.75f}}}));
    // 11 to 15 are the blank cells: column 3 of row 2, then all of row 3.
    EXPECT_EQ(DigitCorners(11)[1], (TexCorner{0.75f, 0.5f}));
    for (int value = 12; value <= 15; ++value) {
        const FaceCorners c = DigitCorners(value);
        EXPECT_EQ(c[1], (TexCorner{0.25f * static_cast<float>(value - 12), 0.75f})) << value;
        EXPECT_EQ(c[3], (TexCorner{0.25f * static_cast<float>(value - 11), 1})) << value;
    }
}

TEST(TextureCorners, BannerRowsSpanTheQuad) {
    EXPECT_EQ(BannerCorners(0), (FaceCorners{{{0, 0}, {1, 0}, {1, 0.25f}, {0, 0.25f}}}));
    EXPECT_EQ(BannerCorners(1), (FaceCorners{{{0, 0.25f}, {1, 0.25f}, {1, 0.5f}, {0, 0.5f}}}));
    EXPECT_EQ(BannerCorners(2), (FaceCorners{{{0, 0.5f}, {1, 0.5f}, {1, 0.75f}, {0, 0.75f}}}));
}

}  // namespace
