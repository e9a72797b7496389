// Drawing a frame of an unchanged scene allocates nothing: meshes reach the GPU once, and the
// draw walks the tree with what it already has.
#include <gtest/gtest.h>

#include "retained/allocation_counter.h"
#include "retained/offscreen_window.h"
#include "retained/sample_scene.h"

namespace {

using namespace retained;

TEST(FrameAllocationTest, FramesAfterTheFirstAllocateNothing) {
    ASSERT_TRUE(testing_support::StartOffscreenBackend());
    platform::HWND window = testing_support::OpenOffscreenWindow(640, 480);
    ASSERT_NE(window, nullptr);
    Factory* factory = nullptr;
    Clipper* clipper = nullptr;
    Device* device = nullptr;
    Frame* scene = nullptr;
    Viewport* viewport = nullptr;
    ASSERT_EQ(CreateFactory(&factory), RM_OK);
    ASSERT_EQ(CreateClipper(&clipper), RM_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window), RM_OK);
    ASSERT_EQ(factory->CreateDeviceFromClipper(clipper, nullptr, 640, 480, &device), RM_OK);
    ASSERT_EQ(factory->CreateFrame(nullptr, &scene), RM_OK);
    const auto sample = testing_support::BuildSampleScene(factory, scene);
    EXPECT_GE(sample.faces, 290u);
    ASSERT_EQ(factory->CreateViewport(device, sample.camera, 0, 0, 640, 480, &viewport), RM_OK);
    viewport->SetBack(1000);
    viewport->SetFront(1.2f);
    viewport->SetField(1.1f);

    const auto frame = [&] {
        viewport->Clear();
        viewport->Render(scene);
        device->Update();
    };
    frame();  // copies the meshes and textures to the GPU
    const std::size_t before = testing_support::AllocationCount();
    for (int i = 0; i < 10; ++i) {
        frame();
    }
    EXPECT_EQ(testing_support::AllocationCount() - before, 0u);

    // A moved frame and a new face texture coordinate still allocate nothing once drawn.
    sample.rig->SetPosition(scene, 0, -260, -500);
    frame();
    const std::size_t afterMove = testing_support::AllocationCount();
    sample.rig->SetPosition(scene, 0, -250, -500);
    frame();
    EXPECT_EQ(testing_support::AllocationCount() - afterMove, 0u);

    // The counter does see the layer's allocations: a new mesh is one.
    MeshBuilder* extra = nullptr;
    const std::size_t beforeCreate = testing_support::AllocationCount();
    ASSERT_EQ(factory->CreateMeshBuilder(&extra), RM_OK);
    EXPECT_GT(testing_support::AllocationCount(), beforeCreate);
    extra->Release();

    viewport->Release();
    sample.camera->Release();
    sample.rig->Release();
    scene->Release();
    device->Release();
    clipper->Release();
    factory->Release();
    platform::DestroyWindow(window);
}

}  // namespace
