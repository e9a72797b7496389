// A render device's scene objects without a window: the root, the camera rig at (0, -250, -500)
// with its camera, the 8 empty object frames and the 9 empty mesh builders, made through the real
// 3D layer, as the scene builder expects to find them. Released again after each test.
#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "render/render.h"
#include "render/scene.h"

class SceneObjects : public ::testing::Test {
  protected:
    void SetUp() override {
        RenderObjects& r = renderObjects;
        ASSERT_EQ(retained::CreateFactory(&r.d3drm), retained::RM_OK);
        ASSERT_EQ(r.d3drm->CreateFrame(nullptr, &r.sceneFrame), retained::RM_OK);
        ASSERT_EQ(r.d3drm->CreateFrame(r.sceneFrame, &r.cameraRigFrame), retained::RM_OK);
        ASSERT_EQ(r.d3drm->CreateFrame(r.cameraRigFrame, &r.cameraFrame), retained::RM_OK);
        r.cameraRigFrame->SetPosition(r.sceneFrame, 0, -250, -500);
        r.cameraFrame->LookAt(r.sceneFrame, r.cameraRigFrame, retained::CONSTRAIN_Y);
        for (auto*& builder : r.meshBuilders) {
            ASSERT_EQ(r.d3drm->CreateMeshBuilder(&builder), retained::RM_OK);
        }
        for (auto*& frame : r.objectFrames) {
            ASSERT_EQ(r.d3drm->CreateFrame(r.sceneFrame, &frame), retained::RM_OK);
        }
    }

    void TearDown() override {
        RenderObjects& r = renderObjects;
        for (auto*& frame : r.objectFrames) {
            retained::ReleaseAndClear(frame);
        }
        for (auto*& builder : r.meshBuilders) {
            retained::ReleaseAndClear(builder);
        }
        for (auto*& texture : r.textures) {
            retained::ReleaseAndClear(texture);
        }
        retained::ReleaseAndClear(r.sceneFrame);
        retained::ReleaseAndClear(r.cameraFrame);
        retained::ReleaseAndClear(r.cameraRigFrame);
        retained::ReleaseAndClear(r.d3drm);
    }

    static retained::Vector PositionOf(unsigned frame) {
        retained::Vector p;
        renderObjects.objectFrames[frame]->GetPosition(renderObjects.sceneFrame, &p);
        return p;
    }
};

namespace retained {
inline bool operator==(const Vector& a, const Vector& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline std::ostream& operator<<(std::ostream& out, const Vector& v) {
    return out << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}
}  // namespace retained
