// The render device: every object of the 3D layer the game holds, the live render configuration,
// and the operations the shell calls on start-up, activation, paint and shut-down. Presentation
// sits on the 3D layer and the platform; of the game above it, it reads only where the player's
// mallet goes next (game/player_target.h).
#pragma once

#include "platform/platform.h"
#include "platform/window/display_mode.h"
#include "retained/retained.h"

// Sizes of the tables the scene fills: its OBJECT_FRAME_COUNT, MESH_BUILDER_COUNT and
// TEXTURE_COUNT (checked where both headers meet; this one leaves scene.h out so that the
// scene's header may include it).
constexpr unsigned RENDER_OBJECT_FRAMES = 8;
constexpr unsigned RENDER_MESH_BUILDERS = 9;
constexpr unsigned RENDER_TEXTURES = 2;

// Every handle the game holds: empty until created, one reference each, released and emptied by
// ReleaseRender.
struct RenderObjects {
    retained::Factory* d3drm = nullptr;          // makes every other 3D object
    retained::Clipper* clipper = nullptr;        // binds the device to the main window
    retained::Device* device = nullptr;          // draws into the main window
    retained::Viewport* viewport = nullptr;      // the whole device, seen through cameraFrame
    platform::DirectDraw* directDraw = nullptr;  // holds the 640 by 480 display mode
    retained::Frame* sceneFrame = nullptr;       // the root; the frame that is rendered
    retained::Frame* cameraRigFrame = nullptr;   // child of sceneFrame: the camera's place
    retained::Frame* cameraFrame = nullptr;      // child of cameraRigFrame: the camera
    retained::Light* sunLight = nullptr;         // the directional light
    retained::Frame* objectFrames[RENDER_OBJECT_FRAMES] = {};        // children of sceneFrame
    retained::MeshBuilder* meshBuilders[RENDER_MESH_BUILDERS] = {};  // filled by the scene
    retained::Texture* textures[RENDER_TEXTURES] = {};               // loaded by the scene
};

// The live render configuration. CreateRenderObjects sets the defaults (some by display depth);
// CreateRenderDevice applies it, ApplyDeviceSettings again after a change.
struct DeviceSettings {
    std::uint32_t colorModel;  // retained::COLOR_MONO (1) asks for mono, anything else for RGB
    std::uint32_t quality;     // retained:: SHADE_ | LIGHT_ | FILL_ bits
    std::uint32_t shades;      // 0 leaves the device's own shades and texture defaults
    std::uint32_t textureColors;
    std::uint32_t noDither;  // nonzero switches dithering off
    float frontClip;
    float backClip;
    float field;
    std::uint32_t shadows;  // carried for the settings dialog only
};

extern RenderObjects renderObjects;
extern DeviceSettings deviceSettings;

// 1 on success, 0 on failure (the game then ends quietly).
int CreateRenderObjects(platform::HWND mainWindow);
int CreateRenderDevice(platform::HWND mainWindow);
// The quality, dithering and shade count (unless 0) to the running device, so the next paint
// shows them; nothing when there is no device.
void ApplyDeviceSettings();
// The driver for the colour model (software only when forceSoftware is nonzero), passing over a
// hardware driver that cannot draw at the screen's depth; null when the search fails. The guid
// stays valid until the next search.
const retained::Guid* FindDriverGuid(std::uint32_t colorModel, int forceSoftware);
// The platform::DDBD_ flag of a depth in bits per pixel; 0 for a depth that has none.
unsigned BitDepthFlag(int bitsPerPixel);
// The scene root, camera rig and camera, the two lights, the empty mesh builders and frames.
int CreateSceneObjects();
// Hands activation to the device; nothing when there is no device.
void RenderActivate(platform::WPARAM wParam);
// Draws the scene and presents it; nothing when the device or viewport is missing.
void RenderPaint(platform::HWND paintTarget);
// Releases every render object, in a fixed order; safe to call more than once.
void ReleaseRender();

// How the picture reaches the screen. By default frames come at the display's refresh while
// anything moves (none while all stands still); between two ticks the puck, the computer's mallet
// and the banner are drawn blended by the time since the last tick, never across a jump, and the
// player's mallet stands where the next tick will put it. With tickPaint, one picture a tick,
// nothing blended.
struct Presentation {
    bool tickPaint = false;
    double frameRate = 0;  // frames a second where the swap does not wait for the refresh; 0: the
                           // display's reported rate
};
// Before CreateRenderDevice.
void SetPresentation(const Presentation& presentation);
// The shell's word after each tick the game handled, whose period is tickMs: `continuous` when
// the bodies go on with the motion of the tick before, false when they may stand somewhere new
// (a serve, a goal, a match's start), which the picture then shows at once.
void RenderTickHandled(bool continuous, unsigned tickMs);
