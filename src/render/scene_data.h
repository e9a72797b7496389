// The scene's fixed data: the vertex and face lists of every mesh, their colours, the frames'
// places, the banner's poses and the texture corners that pick a digit or a banner row: pure
// functions and constants, so the scene can be checked without a renderer.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct SceneVector {
    float x;
    float y;
    float z;
    bool operator==(const SceneVector&) const = default;
};

// A mesh as the mesh builder takes it: the vertex list, and the faces as groups of a vertex count
// followed by that many vertex indices, the whole list ended by a 0.
struct MeshData {
    std::vector<SceneVector> vertices;
    std::vector<std::uint32_t> faceData;
};

// Disc meshes (puck and mallets) are made of 24 segments; the angle is stored, not computed.
constexpr int DISC_SEGMENTS = 24;
constexpr double SEGMENT_ANGLE = 0.261799386275;

MeshData PuckMesh();
MeshData MalletMesh();
MeshData SurfaceMesh();
MeshData CentreLineMesh();
MeshData RailsMesh();
// The goal and its mouth share one vertex list, in the goal frame's coordinates.
MeshData GoalMesh();
MeshData GoalMouthMesh();
MeshData ScoreboardMesh();
MeshData BannerMesh();

// Mesh colours, 0xAARRGGBB. The puck and the banner keep the mesh builder's default.
constexpr std::uint32_t COLOR_MALLET = 0xFF0019FF;
constexpr std::uint32_t COLOR_SURFACE = 0xFF007FFF;
constexpr std::uint32_t COLOR_CENTRE_LINE = 0xFFFFFF00;
constexpr std::uint32_t COLOR_RAILS = 0xFFFFFFFF;
constexpr std::uint32_t COLOR_GOAL = 0xFFFF0000;
constexpr std::uint32_t COLOR_GOAL_MOUTH = 0xFF000000;
constexpr std::uint32_t COLOR_SCOREBOARD = 0xFF00FF00;

// Frame places in scene units, relative to the scene root.
constexpr SceneVector PUCK_START_POSITION{0, 0, 0};
constexpr SceneVector PLAYER_START_POSITION{0, -160, 0};
constexpr SceneVector CPU_START_POSITION{0, 160, 0};
constexpr SceneVector TABLE_POSITION{0, 0, 0};
constexpr SceneVector GOAL_PLAYER_POSITION{0, -177, 0};
constexpr SceneVector GOAL_CPU_POSITION{0, 177, 0};
// The player's goal is the far goal turned half a turn about z.
constexpr SceneVector GOAL_PLAYER_DIRECTION{0, 0, 1};
constexpr SceneVector GOAL_PLAYER_UP{0, -1, 0};
constexpr double SCOREBOARD_X = -163;

// Banner poses: at rest on the line from the scene origin to the camera rig, 0.72 of the way out;
// hidden on the same line behind the camera.
constexpr SceneVector BANNER_REST_POSITION{0, -180, -360};
constexpr SceneVector BANNER_HIDDEN_POSITION{0, -1500, -3000};
// Where title step k puts the banner: it flies along the line of sight, 20 units of height a step.
SceneVector TitleBannerPosition(int k);
// Nonzero once title step k has brought the banner to its rest place (k >= 6).
int TitleBannerDone(int k);
constexpr SceneVector LOSE_SPIN_AXIS{1, 1, 1};
constexpr double LOSE_SPIN_STEP = 0.1;
constexpr SceneVector WIN_SPIN_AXIS{0, 0, 1};
constexpr double WIN_SPIN_STEP = 0.2;
constexpr SceneVector WIN_STEP_BACK{0, 0, -5};

// Texture coordinates of a face's four corners, (0, 0) at the image's top-left.
struct TexCorner {
    float u;
    float v;
    bool operator==(const TexCorner&) const = default;
};
using FaceCorners = std::array<TexCorner, 4>;

// One cell of a 4 by 4 atlas is a quarter of the image each way.
constexpr double ATLAS_CELL = 0.25;
// The digit cell of `value` (column value mod 4, row value div 4, truncated toward zero), turned
// so that the glyph's top lies along the scoreboard face's outer edge.
FaceCorners DigitCorners(int value);
// Banner row `row` across the whole quad; corner 0 (local +x, +y) gets the row's top-left.
FaceCorners BannerCorners(int row);
