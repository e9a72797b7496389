#include "render/scene_data.h"

#include <cstdint>
#include <initializer_list>

#include "maths/rounded_math.h"

namespace {

void AddFace(MeshData& mesh, std::initializer_list<std::uint32_t> corners) {
    mesh.faceData.push_back(static_cast<std::uint32_t>(corners.size()));
    mesh.faceData.insert(mesh.faceData.end(), corners);
}

void EndFaces(MeshData& mesh) {
    mesh.faceData.push_back(0);
}

SceneVector Vertex(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// A point of segment i's rim at radius r and height z (negative z is up).
SceneVector RimVertex(int i, double r, double z) {
    // The game's own sine and cosine: the same vertices on every platform.
    const double theta = i * SEGMENT_ANGLE;
    return Vertex(r * RoundedCos(theta), -r * RoundedSin(theta), z);
}

std::vector<SceneVector> GoalVertices() {
    return {{-48, 0, 0}, {-56, 0, 0}, {-48, 0, -20},  {-56, 0, -28}, {48, 0, -20}, {56, 0, -28},
            {48, 0, 0},  {56, 0, 0},  {-56, 22, -28}, {56, 22, -28}, {-56, 22, 0}, {56, 22, 0}};
}

}  // namespace

MeshData PuckMesh() {
    MeshData mesh;
    for (int i = 0; i < DISC_SEGMENTS; ++i) {
        mesh.vertices.push_back(RimVertex(i, 18, -8));
        mesh.vertices.push_back(RimVertex(i, 18, 0));
    }
    // The top centre sits 2 units below the rim: the top is a shallow dish.
    mesh.vertices.push_back({0, 0, -6});
    for (std::uint32_t i = 0; i < DISC_SEGMENTS; ++i) {
        const std::uint32_t j = (i + 1) % DISC_SEGMENTS;
        AddFace(mesh, {48, 2 * i, 2 * j});
    }
    for (std::uint32_t i = 0; i < DISC_SEGMENTS; ++i) {
        const std::uint32_t j = (i + 1) % DISC_SEGMENTS;
        AddFace(mesh, {2 * i + 1, 2 * j + 1, 2 * j, 2 * i});
    }
    EndFaces(mesh);
    return mesh;
}

MeshData MalletMesh() {
    MeshData mesh;
    for (int i = 0; i < DISC_SEGMENTS; ++i) {
        mesh.vertices.push_back(RimVertex(i, 9, -24));
        mesh.vertices.push_back(RimVertex(i, 9, -12));
        mesh.vertices.push_back(RimVertex(i, 18, -12));
        mesh.vertices.push_back(RimVertex(i, 18, 0));
    }
    mesh.vertices.push_back({0, 0, -24});
    auto each = [](auto face) {
        for (std::uint32_t i = 0; i < DISC_SEGMENTS; ++i) {
            face(4 * i, 4 * ((i + 1) % DISC_SEGMENTS));
        }
    };
    each([&mesh](std::uint32_t a, std::uint32_t b) { AddFace(mesh, {96, a, b}); });
    each([&mesh](std::uint32_t a, std::uint32_t b) { AddFace(mesh, {a + 1, b + 1, b, a}); });
    each([&mesh](std::uint32_t a, std::uint32_t b) {
        AddFace(mesh, {b + 1, a + 1, a + 2, b + 2});
    });
    each([&mesh](std::uint32_t a, std::uint32_t b) {
        AddFace(mesh, {b + 2, a + 2, a + 3, b + 3});
    });
    EndFaces(mesh);
    return mesh;
}

MeshData SurfaceMesh() {
    MeshData mesh;
    mesh.vertices = {{-159, 179, 0}, {159, 179, 0}, {159, -179, 0}, {-159, -179, 0}};
    AddFace(mesh, {0, 1, 2, 3});
    EndFaces(mesh);
    return mesh;
}

MeshData CentreLineMesh() {
    MeshData mesh;
    mesh.vertices = {{-159, -1, -1}, {-159, 1, -1}, {159, 1, -1}, {159, -1, -1}};
    AddFace(mesh, {0, 1, 2, 3});
    EndFaces(mesh);
    return mesh;
}

MeshData RailsMesh() {
    // Chamfered octagons, far-left corner first, clockwise seen from above.
    constexpr std::array<std::array<float, 2>, 8> inner = {{{-158, 170},
                                                            {-150, 178},
                                                            {150, 178},
                                                            {158, 170},
                                                            {158, -170},
                                                            {150, -178},
                                                            {-150, -178},
                                                            {-158, -170}}};
    constexpr std::array<std::array<float, 2>, 8> outer = {{{-178, 182},
                                                            {-162, 198},
                                                            {162, 198},
                                                            {178, 182},
                                                            {178, -182},
                                                            {162, -198},
                                                            {-162, -198},
                                                            {-178, -182}}};
    MeshData mesh;
    for (const auto& p : inner) {
        mesh.vertices.push_back({p[0], p[1], 0});
    }
    for (const auto& p : inner) {
        mesh.vertices.push_back({p[0], p[1], -20});
    }
    for (const auto& p : outer) {
        mesh.vertices.push_back({p[0], p[1], -20});
    }
    for (const auto& p : outer) {
        mesh.vertices.push_back({p[0], p[1], 120});
    }
    // The scoreboard's stand beside the left rail.
    const std::vector<SceneVector> stand = {{-158, -44, 40},  {-206, -44, 40}, {-158, -44, -22},
                                            {-206, -44, -22}, {-158, 44, -22}, {-206, 44, -22}};
    mesh.vertices.insert(mesh.vertices.end(), stand.begin(), stand.end());
    for (std::uint32_t band = 0; band < 3; ++band) {
        const std::uint32_t base = 8 * band;
        for (std::uint32_t k = 0; k < 8; ++k) {
            const std::uint32_t n = (k + 1) % 8;
            AddFace(mesh, {base + n, base + k, base + k + 8, base + n + 8});
        }
    }
    AddFace(mesh, {32, 33, 35, 34});
    AddFace(mesh, {34, 35, 37, 36});
    EndFaces(mesh);
    return mesh;
}

MeshData GoalMesh() {
    MeshData mesh;
    mesh.vertices = GoalVertices();
    AddFace(mesh, {0, 1, 3, 2});    // left post
    AddFace(mesh, {2, 3, 5, 4});    // crossbar
    AddFace(mesh, {4, 5, 7, 6});    // right post
    AddFace(mesh, {3, 8, 9, 5});    // roof
    AddFace(mesh, {8, 10, 11, 9});  // back
    EndFaces(mesh);
    return mesh;
}

MeshData GoalMouthMesh() {
    MeshData mesh;
    mesh.vertices = GoalVertices();
    AddFace(mesh, {0, 2, 4, 6});
    EndFaces(mesh);
    return mesh;
}

MeshData ScoreboardMesh() {
    MeshData mesh;
    mesh.vertices = {{0, -38, -24}, {-36, -38, -24}, {0, -4, -24}, {-36, -4, -24},
                     {0, 4, -24},   {-36, 4, -24},   {0, 38, -24}, {-36, 38, -24}};
    AddFace(mesh, {0, 1, 3, 2});  // the player's digit, on the near half
    AddFace(mesh, {4, 5, 7, 6});  // the computer's digit, on the far half
    EndFaces(mesh);
    return mesh;
}

MeshData BannerMesh() {
    MeshData mesh;
    mesh.vertices = {{100, 25, 0}, {-100, 25, 0}, {-100, -25, 0}, {100, -25, 0}};
    AddFace(mesh, {0, 1, 2, 3});
    EndFaces(mesh);
    return mesh;
}

SceneVector TitleBannerPosition(int k) {
    // 64-bit, so that no counter value can overflow; s is always even.
    const std::int64_t s = 20 * (24 - static_cast<std::int64_t>(k));
    return Vertex(0, static_cast<double>(-(s / 2)), static_cast<double>(-s));
}

int TitleBannerDone(int k) {
    return 20 * (24 - static_cast<std::int64_t>(k)) <= 360 ? 1 : 0;
}

FaceCorners DigitCorners(int value) {
    const int col = value % 4;
    const int row = value / 4;
    const float left = static_cast<float>(col * ATLAS_CELL);
    const float top = static_cast<float>(row * ATLAS_CELL);
    const float cell = static_cast<float>(ATLAS_CELL);
    return {{{left, top + cell}, {left, top}, {left + cell, top}, {left + cell, top + cell}}};
}

FaceCorners BannerCorners(int row) {
    const float top = static_cast<float>(row * ATLAS_CELL);
    const float cell = static_cast<float>(ATLAS_CELL);
    return {{{0, top}, {1, top}, {1, top + cell}, {0, top + cell}}};
}
