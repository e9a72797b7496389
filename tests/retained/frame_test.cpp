// Frame math: LookAt, positions and orientations relative to other frames, rotations and
// translations combined before or after, and what a tree keeps alive.
#include <gtest/gtest.h>

#include <cmath>

#include "retained/retained.h"

namespace {

using namespace retained;

void ExpectVector(const Vector& v, double x, double y, double z) {
    EXPECT_NEAR(v.x, x, 1e-6);
    EXPECT_NEAR(v.y, y, 1e-6);
    EXPECT_NEAR(v.z, z, 1e-6);
}

class FrameTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CreateFactory(&factory_), RM_OK);
        ASSERT_EQ(factory_->CreateFrame(nullptr, &scene_), RM_OK);
    }
    void TearDown() override {
        ReleaseAndClear(scene_);
        ReleaseAndClear(factory_);
    }
    Frame* Child(Frame* parent) {
        Frame* frame = nullptr;
        EXPECT_EQ(factory_->CreateFrame(parent, &frame), RM_OK);
        return frame;
    }
    // The frame's x axis (x = y x z, left-handed) in the reference's coordinates.
    static Vector XAxis(Frame* frame, Frame* reference) {
        Vector z;
        Vector y;
        frame->GetOrientation(reference, &z, &y);
        return {y.y * z.z - y.z * z.y, y.z * z.x - y.x * z.z, y.x * z.y - y.y * z.x};
    }

    Factory* factory_ = nullptr;
    Frame* scene_ = nullptr;
};

TEST_F(FrameTest, GameCameraLooksAtTheOriginWithXRightAndTheFarEndUp) {
    Frame* rig = Child(scene_);
    Frame* camera = Child(rig);
    ASSERT_EQ(rig->SetPosition(scene_, 0, -250, -500), RM_OK);
    ASSERT_EQ(camera->LookAt(scene_, rig, CONSTRAIN_Y), RM_OK);
    Vector dir;
    Vector up;
    ASSERT_EQ(camera->GetOrientation(scene_, &dir, &up), RM_OK);
    const double s = 1 / std::sqrt(5.0);
    ExpectVector(dir, 0, s, 2 * s);                // toward the origin
    ExpectVector(up, 0, 2 * s, -s);                // +y and a little of -z (up): the far end is up
    ExpectVector(XAxis(camera, scene_), 1, 0, 0);  // world +x to the right of the screen
    Vector position;
    ASSERT_EQ(camera->GetPosition(scene_, &position), RM_OK);
    ExpectVector(position, 0, -250, -500);
    camera->Release();
    rig->Release();
}

TEST_F(FrameTest, LookAtTowardTheCameraTurnsXToTheViewersLeft) {
    Frame* rig = Child(scene_);
    Frame* banner = Child(scene_);
    rig->SetPosition(scene_, 0, -250, -500);
    banner->SetPosition(scene_, 0, -180, -360);
    ASSERT_EQ(banner->LookAt(rig, scene_, CONSTRAIN_Y), RM_OK);
    ExpectVector(XAxis(banner, scene_), -1, 0, 0);
    // A target at the frame's own origin gives no direction.
    Frame* same = Child(scene_);
    same->SetPosition(scene_, 0, -180, -360);
    EXPECT_LT(banner->LookAt(same, scene_, CONSTRAIN_Y), 0);
    same->Release();
    banner->Release();
    rig->Release();
}

TEST_F(FrameTest, PositionAndOrientationAreGivenInTheReferenceFrame) {
    // A reference turned half a turn about z and moved: its +x is the scene's -x.
    Frame* reference = Child(scene_);
    reference->SetPosition(scene_, 10, 20, 30);
    ASSERT_EQ(reference->SetOrientation(scene_, 0, 0, 1, 0, -1, 0), RM_OK);
    Frame* parent = Child(scene_);
    parent->SetPosition(scene_, 1, 2, 3);
    Frame* frame = Child(parent);

    ASSERT_EQ(frame->SetPosition(reference, 5, 0, 0), RM_OK);
    Vector p;
    frame->GetPosition(scene_, &p);
    ExpectVector(p, 5, 20, 30);
    frame->GetPosition(parent, &p);
    ExpectVector(p, 4, 18, 27);
    frame->GetPosition(reference, &p);
    ExpectVector(p, 5, 0, 0);

    // +z along the reference's +x (the scene's -x), +y along its +z.
    ASSERT_EQ(frame->SetOrientation(reference, 1, 0, 0, 0, 0, 1), RM_OK);
    Vector dir;
    Vector up;
    frame->GetOrientation(scene_, &dir, &up);
    ExpectVector(dir, -1, 0, 0);
    ExpectVector(up, 0, 0, 1);
    // Orientation leaves the position alone.
    frame->GetPosition(scene_, &p);
    ExpectVector(p, 5, 20, 30);
    // An up along the direction leaves no way to choose +y.
    EXPECT_LT(frame->SetOrientation(reference, 1, 0, 0, 2, 0, 0), 0);
    frame->Release();
    parent->Release();
    reference->Release();
}

TEST_F(FrameTest, CombineBeforeActsInTheFramesOwnCoordinates) {
    Frame* frame = Child(scene_);
    frame->SetPosition(scene_, 0, -180, -360);
    frame->SetOrientation(scene_, 0, -1, 0, 0, 0, -1);  // +z toward -y, +y up (-z)
    // Own +z is the scene's -y: moving 5 along it goes to y = -185.
    ASSERT_EQ(frame->AddTranslation(COMBINE_BEFORE, 0, 0, 5), RM_OK);
    Vector p;
    frame->GetPosition(scene_, &p);
    ExpectVector(p, 0, -185, -360);
    // A quarter turn about its own z keeps z and the position, and turns +x toward +y.
    Vector xBefore = XAxis(frame, scene_);
    ASSERT_EQ(frame->AddRotation(COMBINE_BEFORE, 0, 0, 1, static_cast<Value>(M_PI / 2)), RM_OK);
    Vector dir;
    Vector up;
    frame->GetOrientation(scene_, &dir, &up);
    ExpectVector(dir, 0, -1, 0);
    ExpectVector(up, -xBefore.x, -xBefore.y, -xBefore.z);  // y now where -x was
    frame->GetPosition(scene_, &p);
    ExpectVector(p, 0, -185, -360);
    frame->Release();
}

TEST_F(FrameTest, CombineAfterActsInTheParentsCoordinates) {
    Frame* frame = Child(scene_);
    frame->SetPosition(scene_, 10, 0, 0);
    // A quarter turn about the parent's z carries the frame's origin with it.
    ASSERT_EQ(frame->AddRotation(COMBINE_AFTER, 0, 0, 1, static_cast<Value>(M_PI / 2)), RM_OK);
    Vector p;
    frame->GetPosition(scene_, &p);
    ExpectVector(p, 0, 10, 0);
    ASSERT_EQ(frame->AddTranslation(COMBINE_AFTER, 1, 2, 3), RM_OK);
    frame->GetPosition(scene_, &p);
    ExpectVector(p, 1, 12, 3);
    ASSERT_EQ(frame->AddTranslation(COMBINE_REPLACE, 4, 5, 6), RM_OK);
    Vector dir;
    Vector up;
    frame->GetOrientation(scene_, &dir, &up);
    ExpectVector(dir, 0, 0, 1);                                    // replace drops the turn too
    EXPECT_LT(frame->AddRotation(COMBINE_BEFORE, 0, 0, 0, 1), 0);  // no axis
    frame->Release();
}

TEST_F(FrameTest, SteppedRotationsMatchOneTurnOfTheirSum) {
    Frame* stepped = Child(scene_);
    Frame* once = Child(scene_);
    for (int i = 0; i < 20; ++i) {
        stepped->AddRotation(COMBINE_BEFORE, 1, 1, 1, 0.1f);
    }
    once->AddRotation(COMBINE_BEFORE, 1, 1, 1, 2.0f);
    Vector d1;
    Vector u1;
    Vector d2;
    Vector u2;
    stepped->GetOrientation(scene_, &d1, &u1);
    once->GetOrientation(scene_, &d2, &u2);
    EXPECT_NEAR(d1.x, d2.x, 1e-5);
    EXPECT_NEAR(d1.y, d2.y, 1e-5);
    EXPECT_NEAR(u1.z, u2.z, 1e-5);
    once->Release();
    stepped->Release();
}

TEST_F(FrameTest, TreeKeepsItsChildrenVisualsAndLightsAlive) {
    Frame* child = Child(scene_);
    MeshBuilder* mesh = nullptr;
    Light* light = nullptr;
    ASSERT_EQ(factory_->CreateMeshBuilder(&mesh), RM_OK);
    ASSERT_EQ(factory_->CreateLightRGB(LIGHT_AMBIENT, 1, 1, 1, &light), RM_OK);
    ASSERT_EQ(child->AddVisual(mesh), RM_OK);
    ASSERT_EQ(child->AddVisual(mesh), RM_OK);
    ASSERT_EQ(child->AddLight(light), RM_OK);
    // Our handle plus the tree's references.
    EXPECT_EQ(mesh->Release(), 2u);
    EXPECT_EQ(light->Release(), 1u);
    EXPECT_EQ(child->Release(), 1u);
    ASSERT_EQ(scene_->GetChildCount(), 1u);
    EXPECT_EQ(child->GetVisualCount(), 2u);
    EXPECT_EQ(child->GetVisual(0), mesh);
    EXPECT_EQ(child->GetVisual(2), nullptr);
    EXPECT_EQ(child->GetParent(), scene_);
    EXPECT_LT(child->AddVisual(nullptr), 0);
    EXPECT_LT(factory_->CreateLightRGB(static_cast<LightType>(1), 1, 1, 1, &light), 0);
    // The scene released last takes everything with it (the leak checker watches this).
}

TEST_F(FrameTest, ChildOutlivesItsReleasedParentDetached) {
    Frame* parent = Child(scene_);
    Frame* child = Child(parent);
    parent->SetPosition(scene_, 1, 0, 0);
    child->SetPosition(parent, 1, 0, 0);
    parent->Release();
    ReleaseAndClear(scene_);  // takes parent with it; child stays, with no parent
    EXPECT_EQ(child->GetParent(), nullptr);
    Vector p;
    child->GetPosition(nullptr, &p);
    ExpectVector(p, 1, 0, 0);
    child->Release();
}

}  // namespace
