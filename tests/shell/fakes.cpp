// Recording stand-ins for the operations the shell calls in the game, render and sound folders.
#include "fakes.h"

#include "game/match.h"
#include "platform/dialog.h"
#include "render/render.h"
#include "render/scene.h"
#include "render/settings.h"
#include "sound/sound.h"

std::vector<std::string> calls;
int renderObjectsResult = 1;
int renderDeviceResult = 1;

int InitSound(platform::HWND) {
    calls.push_back("InitSound");
    return 0;
}
int LoadEffect(int slot, const char* name) {
    calls.push_back("LoadEffect " + std::to_string(slot) + " " + name);
    return 0;
}
void PlayEffect(int, int, unsigned) {}
void StopAllEffects() {}
void ReleaseSound() {
    calls.push_back("ReleaseSound");
}

int CreateRenderObjects(platform::HWND) {
    calls.push_back("CreateRenderObjects");
    return renderObjectsResult;
}
int CreateRenderDevice(platform::HWND) {
    calls.push_back("CreateRenderDevice");
    return renderDeviceResult;
}
void RenderActivate(platform::WPARAM wParam) {
    calls.push_back("RenderActivate " + std::to_string(wParam));
}
void RenderPaint(platform::HWND) {
    calls.push_back("RenderPaint");
}
void ReleaseRender() {
    calls.push_back("ReleaseRender");
}
int BuildScene() {
    calls.push_back("BuildScene");
    return 1;
}
void PlaceBodyFrame(unsigned, double, double, double) {}
// Records its messages; the dialog cancels itself once what was queued before it has run.
platform::LRESULT RenderSettingsDialogProc(platform::HWND dialog, unsigned message,
                                           platform::WPARAM wParam, platform::LPARAM) {
    if (message == platform::WM_INITDIALOG) {
        calls.push_back("RenderSettingsDialogProc WM_INITDIALOG");
        platform::PostMessage(dialog, platform::WM_COMMAND, platform::IDCANCEL, 0);
    } else if (message == platform::WM_COMMAND) {
        calls.push_back("RenderSettingsDialogProc WM_COMMAND " + std::to_string(wParam));
        platform::EndDialog(dialog, 1);
    }
    return platform::FALSE;
}

void EnterTitle() {
    calls.push_back("EnterTitle");
}
