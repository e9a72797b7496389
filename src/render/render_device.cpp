// The render device: the 3D objects of the game, created at start-up in a fixed order, handed
// the window's activation and paints, and released in a fixed order at shut-down.
#include "render/motion.h"
#include "render/render.h"
#include "render/scene.h"

static_assert(RENDER_OBJECT_FRAMES == OBJECT_FRAME_COUNT);

RenderObjects renderObjects;
DeviceSettings deviceSettings;

namespace {

using namespace retained;

// The result of the last driver search; FindDriverGuid hands out the address of its guid.
FindDeviceResult driverSearchResult;

constexpr Color SCENE_BACKGROUND = 0xFF000000;  // opaque black
constexpr Value CAMERA_RIG_X = 0;
constexpr Value CAMERA_RIG_Y = -250;
constexpr Value CAMERA_RIG_Z = -500;
constexpr int DISPLAY_WIDTH = 640;
constexpr int DISPLAY_HEIGHT = 480;

void SetDefaultsByDepth(int bitsPerPixel) {
    if (bitsPerPixel == 1) {
        deviceSettings.shades = 4;
        deviceSettings.textureColors = 0;
        deviceSettings.noDither = 0;
    } else if (bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32) {
        deviceSettings.shades = 256;
        deviceSettings.textureColors = 256;
        deviceSettings.noDither = 1;
    } else {
        deviceSettings.shades = 0;
        deviceSettings.textureColors = 0;
        deviceSettings.noDither = 1;
    }
}

int CreateDevice(int width, int height) {
    RenderObjects& r = renderObjects;
    if (!Failed(r.d3drm->CreateDeviceFromClipper(
            r.clipper, FindDriverGuid(deviceSettings.colorModel, 0), width, height, &r.device))) {
        return 1;
    }
    // The chosen driver may refuse a device; a software one is the last chance.
    return Failed(r.d3drm->CreateDeviceFromClipper(
               r.clipper, FindDriverGuid(deviceSettings.colorModel, 1), width, height, &r.device))
               ? 0
               : 1;
}

// One search for a driver of the colour model; software only when software is set.
int SearchDriver(Direct3D* direct3d, unsigned colorModel, bool software) {
    FindDeviceSearch search;
    search.flags = FDS_COLORMODEL;
    search.colorModel = colorModel;
    if (software) {
        search.flags |= FDS_HARDWARE;
        search.hardware = false;
    }
    driverSearchResult = {};
    return direct3d->FindDevice(search, &driverSearchResult);
}

}  // namespace

int CreateRenderObjects(platform::HWND mainWindow) {
    RenderObjects& r = renderObjects;
    for (auto& frame : r.objectFrames) {
        frame = nullptr;
    }
    for (auto& mesh : r.meshBuilders) {
        mesh = nullptr;
    }
    for (auto& texture : r.textures) {
        texture = nullptr;
    }
    // The layer has one factory interface, so the first object is the one kept.
    if (Failed(CreateFactory(&r.d3drm))) {
        return 0;
    }
    if (Failed(CreateClipper(&r.clipper))) {
        return 0;
    }
    if (Failed(r.clipper->SetHWnd(0, mainWindow))) {
        ReleaseAndClear(r.clipper);
        return 0;
    }
    deviceSettings = {};
    deviceSettings.colorModel = COLOR_MONO;
    deviceSettings.quality = RENDER_FLAT;
    deviceSettings.frontClip = 1.2f;
    deviceSettings.backClip = 1000.0f;
    deviceSettings.field = 1.1f;
    deviceSettings.shadows = 1;
    SetDefaultsByDepth(platform::GetDeviceBitsPerPixel(mainWindow));
    return 1;
}

int CreateRenderDevice(platform::HWND mainWindow) {
    RenderObjects& r = renderObjects;
    platform::Rect client;
    platform::GetClientRect(mainWindow, &client);
    if (CreateDevice(client.right, client.bottom) == 0) {
        return 0;
    }
    ApplyDeviceSettings();
    if (deviceSettings.shades != 0) {
        r.d3drm->SetDefaultTextureShades(deviceSettings.shades);
        r.d3drm->SetDefaultTextureColors(deviceSettings.textureColors);
    }
    if (CreateSceneObjects() == 0) {
        return 0;
    }
    if (Failed(r.d3drm->CreateViewport(r.device, r.cameraFrame, 0, 0, r.device->GetWidth(),
                                       r.device->GetHeight(), &r.viewport))) {
        return 0;
    }
    r.viewport->SetBack(deviceSettings.backClip);
    r.viewport->SetFront(deviceSettings.frontClip);
    r.viewport->SetField(deviceSettings.field);
    StartPresentation(mainWindow);
    if (platform::DirectDrawCreate(&r.directDraw) != platform::DD_OK) {
        return 0;
    }
    if (r.directDraw->SetCooperativeLevel(mainWindow, platform::DDSCL_NORMAL) != platform::DD_OK) {
        return 0;
    }
    // A refused mode leaves the game in its window at the desktop's resolution.
    r.directDraw->SetDisplayMode(DISPLAY_WIDTH, DISPLAY_HEIGHT,
                                 platform::GetDeviceBitsPerPixel(nullptr));
    return 1;
}

void ApplyDeviceSettings() {
    Device* device = renderObjects.device;
    if (device == nullptr) {
        return;
    }
    device->SetQuality(deviceSettings.quality);
    device->SetDither(deviceSettings.noDither == 0);
    if (deviceSettings.shades != 0) {
        device->SetShades(deviceSettings.shades);
    }
}

const Guid* FindDriverGuid(std::uint32_t colorModel, int forceSoftware) {
    const int bitsPerPixel = platform::GetDeviceBitsPerPixel(nullptr);
    platform::DirectDraw* directDraw = nullptr;
    if (platform::DirectDrawCreate(&directDraw) != platform::DD_OK) {
        return nullptr;
    }
    Direct3D* direct3d = nullptr;
    if (Failed(QueryDirect3D(directDraw, &direct3d))) {
        directDraw->Release();
        return nullptr;
    }
    const unsigned model = colorModel == COLOR_MONO ? COLOR_MONO : COLOR_RGB;
    int result = SearchDriver(direct3d, model, forceSoftware != 0);
    // A hardware driver that cannot draw at the screen's depth is no use: take software.
    if (!Failed(result) && driverSearchResult.hardwareDesc.flags != 0 &&
        (driverSearchResult.hardwareDesc.deviceRenderBitDepth & BitDepthFlag(bitsPerPixel)) == 0) {
        result = SearchDriver(direct3d, model, true);
    }
    direct3d->Release();
    directDraw->Release();
    return Failed(result) ? nullptr : &driverSearchResult.guid;
}

unsigned BitDepthFlag(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return platform::DDBD_1;
        case 2:
            return platform::DDBD_2;
        case 4:
            return platform::DDBD_4;
        case 8:
            return platform::DDBD_8;
        case 16:
            return platform::DDBD_16;
        case 24:
            return platform::DDBD_24;
        case 32:
            return platform::DDBD_32;
        default:
            return 0;
    }
}

int CreateSceneObjects() {
    RenderObjects& r = renderObjects;
    if (Failed(r.d3drm->CreateFrame(nullptr, &r.sceneFrame))) {
        return 0;
    }
    if (Failed(r.sceneFrame->SetSceneBackground(SCENE_BACKGROUND))) {
        return 0;
    }
    if (Failed(r.d3drm->CreateFrame(r.sceneFrame, &r.cameraRigFrame)) ||
        Failed(r.d3drm->CreateFrame(r.cameraRigFrame, &r.cameraFrame))) {
        return 0;
    }
    if (Failed(r.cameraRigFrame->SetPosition(r.sceneFrame, CAMERA_RIG_X, CAMERA_RIG_Y,
                                             CAMERA_RIG_Z))) {
        return 0;
    }
    r.cameraFrame->LookAt(r.sceneFrame, r.cameraRigFrame, CONSTRAIN_Y);

    Light* ambient = nullptr;
    if (Failed(r.d3drm->CreateLightRGB(LIGHT_AMBIENT, 0.4f, 0.4f, 0.4f, &ambient))) {
        return 0;
    }
    const int added = r.sceneFrame->AddLight(ambient);
    ambient->Release();  // the scene holds it now
    if (Failed(added)) {
        return 0;
    }
    if (Failed(r.d3drm->CreateLightRGB(LIGHT_DIRECTIONAL, 0.9f, 0.9f, 0.9f, &r.sunLight))) {
        return 0;
    }
    Frame* lightFrame = nullptr;
    if (Failed(r.d3drm->CreateFrame(r.sceneFrame, &lightFrame))) {
        return 0;
    }
    const bool placed = !Failed(lightFrame->SetPosition(r.sceneFrame, 0, 0, 0)) &&
                        !Failed(lightFrame->SetOrientation(r.sceneFrame, 1, 1, 3, 0, 1, 0)) &&
                        !Failed(lightFrame->AddLight(r.sunLight));
    lightFrame->Release();  // the scene holds it now
    if (!placed) {
        return 0;
    }

    for (auto& mesh : r.meshBuilders) {
        if (Failed(r.d3drm->CreateMeshBuilder(&mesh))) {
            return 0;
        }
    }
    for (auto& frame : r.objectFrames) {
        if (Failed(r.d3drm->CreateFrame(r.sceneFrame, &frame))) {
            return 0;
        }
    }
    return 1;
}

void RenderActivate(platform::WPARAM wParam) {
    NoteActivation(wParam != 0);  // as the shell counts it: ticks run while nonzero
    if (renderObjects.device == nullptr) {
        return;
    }
    WinDevice* winDevice = nullptr;
    if (!Failed(renderObjects.device->QueryWinDevice(&winDevice))) {
        winDevice->HandleActivate(static_cast<unsigned>(wParam & 0xFFFF));
        winDevice->Release();
    }
}

void RenderPaint(platform::HWND paintTarget) {
    RenderObjects& r = renderObjects;
    if (r.device == nullptr) {
        return;
    }
    WinDevice* winDevice = nullptr;
    if (!Failed(r.device->QueryWinDevice(&winDevice))) {
        winDevice->HandlePaint(paintTarget);
        winDevice->Release();
    }
    if (r.viewport == nullptr) {
        return;
    }
    const bool moving = PoseForPicture(paintTarget);
    r.viewport->Clear();
    r.viewport->Render(r.sceneFrame);
    r.device->Update();
    if (moving) {
        platform::RequestFrame(paintTarget);
    }
}

void ReleaseRender() {
    RenderObjects& r = renderObjects;
    for (auto& frame : r.objectFrames) {
        ReleaseAndClear(frame);
    }
    for (auto& mesh : r.meshBuilders) {
        ReleaseAndClear(mesh);
    }
    for (auto& texture : r.textures) {
        ReleaseAndClear(texture);
    }
    ReleaseAndClear(r.sceneFrame);
    ReleaseAndClear(r.cameraFrame);
    ReleaseAndClear(r.cameraRigFrame);
    ReleaseAndClear(r.sunLight);
    ReleaseAndClear(r.viewport);
    ReleaseAndClear(r.device);
    ReleaseAndClear(r.clipper);
    ReleaseAndClear(r.d3drm);
    // Last, so the display gets its mode back only when every 3D object is gone.
    ReleaseAndClear(r.directDraw);
}
