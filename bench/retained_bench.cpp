// CPU time to draw one frame of a scene like the game's (about 300 faces) through the 3D layer on
// real OpenGL (SDL's offscreen driver; Mesa's llvmpipe rasterises on the CPU, so the figure
// includes the rasterising), and the operator new calls per frame, which must be none.
#include <benchmark/benchmark.h>

#include "retained/allocation_counter.h"
#include "retained/offscreen_window.h"
#include "sample_scene.h"

namespace {

using namespace retained;

void BM_RenderFrame(benchmark::State& state) {
    if (!testing_support::StartOffscreenBackend()) {
        state.SkipWithError("no offscreen video");
        return;
    }
    platform::HWND window = testing_support::OpenOffscreenWindow(640, 480);
    Factory* factory = nullptr;
    Clipper* clipper = nullptr;
    Device* device = nullptr;
    Frame* scene = nullptr;
    Viewport* viewport = nullptr;
    CreateFactory(&factory);
    CreateClipper(&clipper);
    clipper->SetHWnd(0, window);
    if (Failed(factory->CreateDeviceFromClipper(clipper, nullptr, 640, 480, &device))) {
        state.SkipWithError("no device");
        return;
    }
    device->SetQuality(static_cast<unsigned>(state.range(0)));
    factory->CreateFrame(nullptr, &scene);
    const auto sample = testing_support::BuildSampleScene(factory, scene);
    factory->CreateViewport(device, sample.camera, 0, 0, 640, 480, &viewport);
    viewport->SetBack(1000);
    viewport->SetFront(1.2f);
    viewport->SetField(1.1f);
    viewport->Clear();
    viewport->Render(scene);
    device->Update();

    const std::size_t before = testing_support::AllocationCount();
    for (auto _ : state) {
        viewport->Clear();
        viewport->Render(scene);
        device->Update();
    }
    const std::size_t allocations = testing_support::AllocationCount() - before;
    state.counters["faces"] = sample.faces;
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    if (allocations != 0) {
        state.SkipWithError("a frame allocated");
    }
    viewport->Release();
    sample.camera->Release();
    sample.rig->Release();
    scene->Release();
    device->Release();
    clipper->Release();
    factory->Release();
    platform::DestroyWindow(window);
}

BENCHMARK(BM_RenderFrame)->Arg(RENDER_FLAT)->Arg(RENDER_GOURAUD)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
