// CPU time to draw one frame of a scene like the game's (about 300 faces) through the 3D layer on
// real OpenGL (SDL's offscreen driver; Mesa's llvmpipe rasterises on the CPU, so the figure
// includes the rasterising), on a 640 x 480 and a 1920 x 1080 drawable (the device stays 640 x 480;
// the picture is drawn at the drawable's size), with the operator new calls per frame, which must
// be none; and the start-up to the first frame: window, context and shaders, scene, one frame.
#include <benchmark/benchmark.h>

#include "retained/allocation_counter.h"
#include "retained/offscreen_window.h"
#include "sample_scene.h"

namespace {

using namespace retained;

// One call site: each instance of StartOffscreenBackend would start the backend again.
bool Started() {
    return testing_support::StartOffscreenBackend();
}

// A window of the drawable's size, a 640 x 480 device on it and the sample scene, first frame
// drawn.
struct Game {
    platform::HWND window = nullptr;
    Factory* factory = nullptr;
    Clipper* clipper = nullptr;
    Device* device = nullptr;
    Frame* scene = nullptr;
    Viewport* viewport = nullptr;
    testing_support::SampleScene sample;

    Game(int width, int height, unsigned quality) {
        window = testing_support::OpenOffscreenWindow(width, height);
        CreateFactory(&factory);
        CreateClipper(&clipper);
        clipper->SetHWnd(0, window);
        if (Failed(factory->CreateDeviceFromClipper(clipper, nullptr, 640, 480, &device))) {
            return;
        }
        device->SetQuality(quality);
        factory->CreateFrame(nullptr, &scene);
        sample = testing_support::BuildSampleScene(factory, scene);
        factory->CreateViewport(device, sample.camera, 0, 0, 640, 480, &viewport);
        viewport->SetBack(1000);
        viewport->SetFront(1.2f);
        viewport->SetField(1.1f);
        Paint();
    }
    void Paint() {
        viewport->Clear();
        viewport->Render(scene);
        device->Update();
    }
    ~Game() {
        if (device != nullptr) {
            viewport->Release();
            sample.camera->Release();
            sample.rig->Release();
            scene->Release();
            device->Release();
        }
        clipper->Release();
        factory->Release();
        platform::DestroyWindow(window);
    }
};

// Arguments: quality, drawable width and height.
void BM_RenderFrame(benchmark::State& state) {
    if (!Started()) {
        state.SkipWithError("no offscreen video");
        return;
    }
    Game game(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
              static_cast<unsigned>(state.range(0)));
    if (game.device == nullptr) {
        state.SkipWithError("no device");
        return;
    }
    const std::size_t before = testing_support::AllocationCount();
    for (auto _ : state) {
        game.Paint();
    }
    const std::size_t allocations = testing_support::AllocationCount() - before;
    state.counters["faces"] = game.sample.faces;
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    if (allocations != 0) {
        state.SkipWithError("a frame allocated");
    }
}

// Arguments: drawable width and height.
void BM_FirstFrame(benchmark::State& state) {
    if (!Started()) {
        state.SkipWithError("no offscreen video");
        return;
    }
    for (auto _ : state) {
        const Game game(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                        RENDER_GOURAUD);
        if (game.device == nullptr) {
            state.SkipWithError("no device");
            return;
        }
    }
}

BENCHMARK(BM_RenderFrame)
    ->ArgsProduct({{RENDER_FLAT, RENDER_GOURAUD}, {640}, {480}})
    ->Args({RENDER_GOURAUD, 1920, 1080})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstFrame)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
