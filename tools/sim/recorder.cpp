// The sim's presentation and sound: the operations the shell and the game call, with the
// results a working renderer and a machine without a sound device would give. The game's calls
// are recorded; the shell's start-up, paint and shut-down calls are not part of the trace.
#include "tools/sim/recorder.h"

#include "render/display.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/settings.h"
#include "sound/sound.h"

namespace sim {

namespace {

std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
}

void Record(const char* name, std::initializer_list<double> args) {
    Call call;
    call.name = name;
    for (double a : args) {
        call.args[call.argCount++] = a;
    }
    RecordCall(call);
}

}  // namespace

const std::vector<Call>& RecordedCalls() {
    return Calls();
}
void ClearRecordedCalls() {
    Calls().clear();
}
void RecordCall(const Call& call) {
    Calls().push_back(call);
}

}  // namespace sim

int CreateRenderObjects(platform::HWND) {
    return 1;
}
int CreateRenderDevice(platform::HWND) {
    return 1;
}
void RenderActivate(platform::WPARAM) {}
void RenderPaint(platform::HWND) {}
void ReleaseRender() {}
int BuildScene() {
    return 1;
}
platform::LRESULT RenderSettingsDialogProc(platform::HWND, unsigned, platform::WPARAM,
                                           platform::LPARAM) {
    return 0;
}

int InitSound(platform::HWND) {
    return 0;
}
int LoadEffect(int, const char*) {
    return 0;
}
void ReleaseSound() {}

void PlaceBodyFrame(unsigned i, double x, double y, double z) {
    sim::Record("PlaceBodyFrame", {static_cast<double>(i), x, y, z});
}
void ShowScore(int side, int value) {
    sim::Record("ShowScore", {double(side), double(value)});
}
void ShowBanner(int row) {
    sim::Record("ShowBanner", {double(row)});
}
void HideBanner() {
    sim::Record("HideBanner", {});
}

// The title banner comes to rest at step 6, as the real banner does.
int TitleBannerStep(int k) {
    const int done = k >= 6 ? 1 : 0;
    sim::Call call;
    call.name = "TitleBannerStep";
    call.args[0] = k;
    call.argCount = 1;
    call.result = sim::Call::Result::Flag;
    call.resultValue[0] = done;
    sim::RecordCall(call);
    return done;
}
void WinBannerStep(int n) {
    sim::Record("WinBannerStep", {double(n)});
}
void LoseBannerStep(int n) {
    sim::Record("LoseBannerStep", {double(n)});
}

void PlayEffect(int slot, int loop, unsigned frequency) {
    sim::Record("PlayEffect", {double(slot), double(loop), double(frequency)});
}
void StopAllEffects() {
    sim::Record("StopAllEffects", {});
}
