// The sim's presentation and sound: the operations the shell and the game call, with the
// results a working renderer and a machine without a sound device would give. The game's calls
// are recorded; the shell's start-up, paint and shut-down calls are not part of the trace.
#include "calls/calls.h"
#include "render/display.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/settings.h"
#include "sound/sound.h"

namespace {

void Record(const char* name, std::initializer_list<double> args) {
    calls::RecordCall(calls::MakeCall(name, args));
}

}  // namespace

int CreateRenderObjects(platform::HWND) {
    return 1;
}
int CreateRenderDevice(platform::HWND) {
    return 1;
}
void RenderActivate(platform::WPARAM) {}
void RenderPaint(platform::HWND) {}
void RenderTickHandled(bool, unsigned) {}
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
    Record("PlaceBodyFrame", {static_cast<double>(i), x, y, z});
}
void ShowScore(int side, int value) {
    Record("ShowScore", {double(side), double(value)});
}
void ShowBanner(int row) {
    Record("ShowBanner", {double(row)});
}
void HideBanner() {
    Record("HideBanner", {});
}

// The title banner comes to rest at step 6, as the real banner does.
int TitleBannerStep(int k) {
    const int done = k >= 6 ? 1 : 0;
    calls::Call call = calls::MakeCall("TitleBannerStep", {double(k)});
    call.result = calls::Call::Result::Flag;
    call.resultValue[0] = done;
    calls::RecordCall(call);
    return done;
}
void WinBannerStep(int n) {
    Record("WinBannerStep", {double(n)});
}
void LoseBannerStep(int n) {
    Record("LoseBannerStep", {double(n)});
}

void PlayEffect(int slot, int loop, unsigned frequency) {
    Record("PlayEffect", {double(slot), double(loop), double(frequency)});
}
void StopAllEffects() {
    Record("StopAllEffects", {});
}
