// The scoreboard digits and the banner's poses, through the real 3D layer's frames and faces.
#include <cmath>

#include "render/display.h"
#include "render/scene_data.h"
#include "scene_fixture.h"

namespace {

using retained::Vector;

struct Pose {
    Vector position;
    Vector dir;
    Vector up;
};

Pose BannerPose() {
    Pose pose;
    retained::Frame* banner = renderObjects.objectFrames[FRAME_BANNER];
    banner->GetPosition(renderObjects.sceneFrame, &pose.position);
    banner->GetOrientation(renderObjects.sceneFrame, &pose.dir, &pose.up);
    return pose;
}

void ExpectSamePose(const Pose& a, const Pose& b) {
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.dir, b.dir);
    EXPECT_EQ(a.up, b.up);
}

Vector Cross(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Dot(const Vector& a, const Vector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// v turned by theta about the unit axis k, +x toward +y about +z for positive theta.
Vector Turned(const Vector& v, const Vector& k, double theta) {
    const Vector c = Cross(k, v);
    const double along = Dot(k, v) * (1 - std::cos(theta));
    const double cs = std::cos(theta), sn = std::sin(theta);
    return {static_cast<float>(v.x * cs + c.x * sn + k.x * along),
            static_cast<float>(v.y * cs + c.y * sn + k.y * along),
            static_cast<float>(v.z * cs + c.z * sn + k.z * along)};
}

void ExpectNear(const Vector& a, const Vector& b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

class BannerDisplay : public SceneObjects {
  protected:
    void SetUp() override {
        SceneObjects::SetUp();
        ASSERT_EQ(BuildScene(), 1);
    }

    static FaceCorners CornersOf(unsigned mesh, unsigned index) {
        FaceCorners corners{};
        retained::Face* face = nullptr;
        EXPECT_EQ(renderObjects.meshBuilders[mesh]->GetFace(index, &face), retained::RM_OK);
        if (face != nullptr) {
            for (unsigned corner = 0; corner < 4; ++corner) {
                face->GetTextureCoordinates(corner, &corners[corner].u, &corners[corner].v);
            }
            face->Release();
        }
        return corners;
    }
};

TEST_F(BannerDisplay, ShowScoreChangesOnlyItsSidesDigit) {
    for (int value : {0, 3, 5, 10, 11, 12, 15}) {
        ShowScore(0, value);
        EXPECT_EQ(CornersOf(MESH_SCOREBOARD, 0), DigitCorners(value)) << value;
        EXPECT_EQ(CornersOf(MESH_SCOREBOARD, 1), DigitCorners(5)) << value;
    }
    ShowScore(1, 10);
    EXPECT_EQ(CornersOf(MESH_SCOREBOARD, 1), DigitCorners(10));
    EXPECT_EQ(CornersOf(MESH_SCOREBOARD, 0), DigitCorners(15));
    // A side with no face changes nothing.
    ShowScore(2, 1);
    ShowScore(-1, 1);
    EXPECT_EQ(CornersOf(MESH_SCOREBOARD, 0), DigitCorners(15));
    EXPECT_EQ(CornersOf(MESH_SCOREBOARD, 1), DigitCorners(10));
}

TEST_F(BannerDisplay, ShowBannerPicksTheRowAndRests) {
    for (int row : {BANNER_TITLE, BANNER_WIN, BANNER_LOSE}) {
        ShowBanner(row);
        EXPECT_EQ(CornersOf(MESH_BANNER, 0), BannerCorners(row)) << row;
    }
    retained::Face* face = nullptr;
    renderObjects.meshBuilders[MESH_BANNER]->GetFace(0, &face);
    EXPECT_EQ(face->GetTexture(), renderObjects.textures[TEX_BANNERS]);
    face->Release();
    EXPECT_EQ(BannerPose().position, (Vector{0, -180, -360}));
}

TEST_F(BannerDisplay, RestPoseFacesTheCameraReadingLeftToRight) {
    ShowBanner(BANNER_TITLE);
    const Pose rest = BannerPose();
    Vector cameraDir, cameraUp;
    renderObjects.cameraFrame->GetOrientation(renderObjects.sceneFrame, &cameraDir, &cameraUp);
    // +z toward the camera rig: against the camera's line of sight.
    ExpectNear(rest.dir, {-cameraDir.x, -cameraDir.y, -cameraDir.z}, 1e-6);
    // +y is the viewer's up, and +x = y x z the viewer's left (scene -x).
    ExpectNear(rest.up, cameraUp, 1e-6);
    ExpectNear(Cross(rest.up, rest.dir), {-1, 0, 0}, 1e-6);
    const double fifth = 1 / std::sqrt(5.0);
    ExpectNear(rest.dir, {0, static_cast<float>(-fifth), static_cast<float>(-2 * fifth)}, 1e-6);
}

TEST_F(BannerDisplay, TitleStepsFlyInAndReportTheEnd) {
    ShowBanner(BANNER_TITLE);
    const Pose rest = BannerPose();
    EXPECT_EQ(TitleBannerStep(0), 0);
    EXPECT_EQ(BannerPose().position, (Vector{0, -240, -480}));
    // About 22 units in front of the camera rig, still facing it.
    EXPECT_NEAR(std::sqrt(10.0 * 10 + 20 * 20), 22.36, 0.01);
    ExpectNear(BannerPose().dir, rest.dir, 1e-6);
    EXPECT_EQ(TitleBannerStep(5), 0);
    EXPECT_EQ(BannerPose().position, (Vector{0, -190, -380}));
    EXPECT_EQ(TitleBannerStep(6), 1);
    ExpectSamePose(BannerPose(), rest);
}

TEST_F(BannerDisplay, StepsOfNoneOrFewerLeaveExactlyTheRestPose) {
    ShowBanner(BANNER_WIN);
    const Pose rest = BannerPose();
    for (int n : {0, -1, -40}) {
        WinBannerStep(7);
        WinBannerStep(n);
        ExpectSamePose(BannerPose(), rest);
        LoseBannerStep(7);
        LoseBannerStep(n);
        ExpectSamePose(BannerPose(), rest);
    }
}

TEST_F(BannerDisplay, LoseStepTurnsAboutTheBannersDiagonal) {
    ShowBanner(BANNER_LOSE);
    const Pose rest = BannerPose();
    const Vector x = Cross(rest.up, rest.dir);
    const float third = static_cast<float>(1 / std::sqrt(3.0));
    const Vector diagonal{(x.x + rest.up.x + rest.dir.x) * third,
                          (x.y + rest.up.y + rest.dir.y) * third,
                          (x.z + rest.up.z + rest.dir.z) * third};
    LoseBannerStep(1);
    const Pose turned = BannerPose();
    EXPECT_EQ(turned.position, rest.position);
    ExpectNear(turned.dir, Turned(rest.dir, diagonal, 0.1), 2e-6);
    ExpectNear(turned.up, Turned(rest.up, diagonal, 0.1), 2e-6);
    LoseBannerStep(20);
    ExpectNear(BannerPose().dir, Turned(rest.dir, diagonal, 2.0), 2e-5);
}

TEST_F(BannerDisplay, WinStepSpinsInItsPlaneAndStandsBack) {
    ShowBanner(BANNER_WIN);
    const Pose rest = BannerPose();
    WinBannerStep(39);
    const Pose far = BannerPose();
    // 195 units farther from the camera along the line of sight.
    const Vector back{rest.position.x - 195 * rest.dir.x, rest.position.y - 195 * rest.dir.y,
                      rest.position.z - 195 * rest.dir.z};
    ExpectNear(far.position, back, 1e-3);
    ExpectNear(far.dir, rest.dir, 1e-5);
    ExpectNear(far.up, Turned(rest.up, rest.dir, 39 * 0.2), 1e-4);
}

TEST_F(BannerDisplay, HideKeepsTheSpinAndTheNextStepResetsIt) {
    ShowBanner(BANNER_WIN);
    const Pose rest = BannerPose();
    WinBannerStep(3);
    const Pose spun = BannerPose();
    HideBanner();
    const Pose hidden = BannerPose();
    EXPECT_EQ(hidden.position, (Vector{0, -1500, -3000}));
    EXPECT_EQ(hidden.dir, spun.dir);
    EXPECT_EQ(hidden.up, spun.up);
    LoseBannerStep(0);
    ExpectSamePose(BannerPose(), rest);
}

}  // namespace
