// The scene builder, the per-tick placing of body frames, and the scoreboard and banner display:
// the fixed data of scene_data handed to the render device's empty frames, meshes and textures.
#include "render/scene.h"
#include "render/display.h"
#include "render/motion.h"
#include "render/render.h"
#include "render/scene_data.h"

#include <vector>

#include "calls/calls.h"

static_assert(OBJECT_FRAME_COUNT == RENDER_OBJECT_FRAMES);
static_assert(MESH_BUILDER_COUNT == RENDER_MESH_BUILDERS);
static_assert(TEXTURE_COUNT == RENDER_TEXTURES);

namespace {

retained::Frame* FrameAt(unsigned i) {
    return i < OBJECT_FRAME_COUNT ? renderObjects.objectFrames[i] : nullptr;
}

// Hands a mesh to its builder. Only this result is checked: a failure stops the scene.
bool AddMesh(unsigned slot, const MeshData& mesh) {
    retained::MeshBuilder* builder = renderObjects.meshBuilders[slot];
    if (builder == nullptr) {
        return false;
    }
    std::vector<retained::Vector> vertices;
    vertices.reserve(mesh.vertices.size());
    for (const SceneVector& v : mesh.vertices) {
        vertices.push_back({v.x, v.y, v.z});
    }
    return !retained::Failed(builder->AddFaces(vertices, mesh.faceData));
}

bool AddColouredMesh(unsigned slot, const MeshData& mesh, retained::Color colour) {
    if (!AddMesh(slot, mesh)) {
        return false;
    }
    renderObjects.meshBuilders[slot]->SetColor(colour);
    return true;
}

void Place(unsigned frame, const SceneVector& p) {
    PlaceBodyFrame(frame, p.x, p.y, p.z);
}

// Sets corners 0 to 3 of face `index` of a mesh and gives the face a texture; nothing when the
// mesh was never filled.
void TextureFace(unsigned mesh, unsigned index, const FaceCorners& corners, unsigned slot) {
    retained::MeshBuilder* builder = renderObjects.meshBuilders[mesh];
    retained::Face* face = nullptr;
    if (builder == nullptr || retained::Failed(builder->GetFace(index, &face))) {
        return;
    }
    for (unsigned corner = 0; corner < corners.size(); ++corner) {
        face->SetTextureCoordinates(corner, corners[corner].u, corners[corner].v);
    }
    face->SetTexture(renderObjects.textures[slot]);
    face->Release();
}

// Puts the banner at `p` facing the camera rig, +y kept as near the scene's +y as can be. This
// replaces the whole pose, so each step depends on its argument alone.
void PoseBanner(const SceneVector& p) {
    retained::Frame* banner = FrameAt(FRAME_BANNER);
    if (banner == nullptr) {
        return;
    }
    banner->SetPosition(renderObjects.sceneFrame, p.x, p.y, p.z);
    if (renderObjects.cameraRigFrame != nullptr) {
        banner->LookAt(renderObjects.cameraRigFrame, renderObjects.sceneFrame,
                       retained::CONSTRAIN_Y);
    }
}

}  // namespace

int BuildScene() {
    if (!AddMesh(MESH_PUCK, PuckMesh())) {
        return 0;
    }
    AttachVisual(FRAME_PUCK, MESH_PUCK);
    Place(FRAME_PUCK, PUCK_START_POSITION);

    if (!AddColouredMesh(MESH_MALLET, MalletMesh(), COLOR_MALLET)) {
        return 0;
    }
    AttachVisual(FRAME_PLAYER_MALLET, MESH_MALLET);
    Place(FRAME_PLAYER_MALLET, PLAYER_START_POSITION);
    AttachVisual(FRAME_CPU_MALLET, MESH_MALLET);
    Place(FRAME_CPU_MALLET, CPU_START_POSITION);

    if (!AddColouredMesh(MESH_SURFACE, SurfaceMesh(), COLOR_SURFACE) ||
        !AddColouredMesh(MESH_CENTRE_LINE, CentreLineMesh(), COLOR_CENTRE_LINE) ||
        !AddColouredMesh(MESH_RAILS, RailsMesh(), COLOR_RAILS)) {
        return 0;
    }
    AttachVisual(FRAME_TABLE, MESH_SURFACE);
    AttachVisual(FRAME_TABLE, MESH_CENTRE_LINE);
    AttachVisual(FRAME_TABLE, MESH_RAILS);
    Place(FRAME_TABLE, TABLE_POSITION);

    if (!AddColouredMesh(MESH_GOAL, GoalMesh(), COLOR_GOAL) ||
        !AddColouredMesh(MESH_GOAL_MOUTH, GoalMouthMesh(), COLOR_GOAL_MOUTH)) {
        return 0;
    }
    AttachVisual(FRAME_GOAL_PLAYER, MESH_GOAL);
    AttachVisual(FRAME_GOAL_PLAYER, MESH_GOAL_MOUTH);
    Place(FRAME_GOAL_PLAYER, GOAL_PLAYER_POSITION);
    if (retained::Frame* goal = FrameAt(FRAME_GOAL_PLAYER)) {
        goal->SetOrientation(renderObjects.sceneFrame, GOAL_PLAYER_DIRECTION.x,
                             GOAL_PLAYER_DIRECTION.y, GOAL_PLAYER_DIRECTION.z, GOAL_PLAYER_UP.x,
                             GOAL_PLAYER_UP.y, GOAL_PLAYER_UP.z);
    }
    AttachVisual(FRAME_GOAL_CPU, MESH_GOAL);
    AttachVisual(FRAME_GOAL_CPU, MESH_GOAL_MOUTH);
    Place(FRAME_GOAL_CPU, GOAL_CPU_POSITION);

    if (!AddColouredMesh(MESH_SCOREBOARD, ScoreboardMesh(), COLOR_SCOREBOARD)) {
        return 0;
    }
    AttachVisual(FRAME_SCOREBOARD, MESH_SCOREBOARD);
    PlaceBodyFrame(FRAME_SCOREBOARD, SCOREBOARD_X, 0, 0);
    LoadTextureSlot(TEX_DIGITS, "bmp_num");
    // Until a match starts the scoreboard reads 3 for the player and 5 for the computer.
    ShowScore(0, 3);
    ShowScore(1, 5);

    if (!AddMesh(MESH_BANNER, BannerMesh())) {
        return 0;
    }
    AttachVisual(FRAME_BANNER, MESH_BANNER);
    LoadTextureSlot(TEX_BANNERS, "bmp_mes");
    if (renderObjects.textures[TEX_BANNERS] != nullptr) {
        renderObjects.textures[TEX_BANNERS]->SetDecalTransparency(true);
    }
    return 1;
}

void PlaceBodyFrame(unsigned i, double x, double y, double z) {
    calls::TapCall("PlaceBodyFrame", {static_cast<double>(i), x, y, z});
    if (retained::Frame* frame = FrameAt(i)) {
        frame->SetPosition(renderObjects.sceneFrame, static_cast<float>(x), static_cast<float>(y),
                           static_cast<float>(z));
    }
}

void LoadTextureSlot(unsigned slot, const char* name) {
    if (slot >= TEXTURE_COUNT || renderObjects.d3drm == nullptr) {
        return;
    }
    retained::Texture* texture = nullptr;
    if (retained::Failed(renderObjects.d3drm->LoadTextureFromResource(name, "BITMAP", &texture))) {
        return;
    }
    // A slot loaded twice keeps only the newer texture, so the older one is not leaked.
    retained::ReleaseAndClear(renderObjects.textures[slot]);
    renderObjects.textures[slot] = texture;
}

void AttachVisual(unsigned i, unsigned j) {
    retained::Frame* frame = FrameAt(i);
    if (frame != nullptr && j < MESH_BUILDER_COUNT && renderObjects.meshBuilders[j] != nullptr) {
        frame->AddVisual(renderObjects.meshBuilders[j]);
    }
}

void ShowScore(int side, int value) {
    calls::TapCall("ShowScore", {double(side), double(value)});
    TextureFace(MESH_SCOREBOARD, static_cast<unsigned>(side), DigitCorners(value), TEX_DIGITS);
}

void ShowBanner(int row) {
    calls::TapCall("ShowBanner", {double(row)});
    PoseBanner(BANNER_REST_POSITION);
    NoteBannerPose(BannerMotion::None, 0);
    TextureFace(MESH_BANNER, 0, BannerCorners(row), TEX_BANNERS);
}

void HideBanner() {
    calls::TapCall("HideBanner", {});
    if (retained::Frame* banner = FrameAt(FRAME_BANNER)) {
        banner->SetPosition(renderObjects.sceneFrame, BANNER_HIDDEN_POSITION.x,
                            BANNER_HIDDEN_POSITION.y, BANNER_HIDDEN_POSITION.z);
    }
    NoteBannerPose(BannerMotion::None, 0);
}

int TitleBannerStep(int k) {
    PoseBanner(TitleBannerPosition(k));
    NoteBannerPose(BannerMotion::Title, k);
    const int done = TitleBannerDone(k);
    calls::TapFlagCall("TitleBannerStep", k, done);
    return done;
}

void LoseBannerStep(int n) {
    calls::TapCall("LoseBannerStep", {double(n)});
    PoseBanner(BANNER_REST_POSITION);
    retained::Frame* banner = FrameAt(FRAME_BANNER);
    for (int i = 0; banner != nullptr && i < n; ++i) {
        banner->AddRotation(retained::COMBINE_BEFORE, LOSE_SPIN_AXIS.x, LOSE_SPIN_AXIS.y,
                            LOSE_SPIN_AXIS.z, static_cast<float>(LOSE_SPIN_STEP));
    }
    NoteBannerPose(BannerMotion::Lose, n);
}

void WinBannerStep(int n) {
    calls::TapCall("WinBannerStep", {double(n)});
    PoseBanner(BANNER_REST_POSITION);
    retained::Frame* banner = FrameAt(FRAME_BANNER);
    for (int i = 0; banner != nullptr && i < n; ++i) {
        banner->AddRotation(retained::COMBINE_BEFORE, WIN_SPIN_AXIS.x, WIN_SPIN_AXIS.y,
                            WIN_SPIN_AXIS.z, static_cast<float>(WIN_SPIN_STEP));
        banner->AddTranslation(retained::COMBINE_BEFORE, WIN_STEP_BACK.x, WIN_STEP_BACK.y,
                               WIN_STEP_BACK.z);
    }
    NoteBannerPose(BannerMotion::Win, n);
}
