// The retained-mode 3D layer: a scene kept as a tree of frames that carry meshes and lights, and
// drawn on demand through a viewport into a window's device.
//
// Offers: the factory (CreateFactory; frames, mesh builders, lights, viewports, devices from a
// clipper, textures from BITMAP resources, the default texture shades and colours); frames
// (parent/child tree, position and orientation relative to any frame, LookAt, rotations and
// translations combined before or after, visuals, lights, scene background); mesh builders
// (AddFaces, SetColor, GetFace) and faces (texture coordinates, texture); textures with decal
// transparency; ambient and directional lights; the viewport (front, back, field, Clear,
// Render, Transform); the device (quality, shades, dither, size, Update) and its window side
// (HandleActivate, HandlePaint); the clipper that binds a device to a window; the driver table
// and its search (FindDevice).
//
// Conventions. Coordinates are left-handed and points are row vectors: a frame's transform maps
// its local coordinates into its parent's. Results are ints: RM_OK (0) on success, a negative
// RMERR_ value on failure. Every object is reference counted: a Create/Get call that hands out
// an object gives the caller one reference, which Release drops; a frame holds references to
// its children, visuals and lights, so a tree keeps what it holds alive. Everything is called on
// the thread that owns the window.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/platform.h"
#include "platform/window/display_mode.h"

namespace retained {

// ---- Results, values and constants ------------------------------------------------------------

constexpr int RM_OK = 0;
constexpr int RMERR_BADVALUE = -1;   // an argument out of range (bad index, malformed face data)
constexpr int RMERR_BADOBJECT = -2;  // a null or unusable object argument
constexpr int RMERR_NOTFOUND = -3;   // no such resource, driver or face
constexpr int RMERR_NODEVICE = -4;   // no drawing surface for the window, or the driver refused
constexpr int RMERR_BADFILE = -5;    // a resource that is not a 24-bit BMP
inline bool Failed(int result) {
    return result < 0;
}

using Value = float;                       // every coordinate, colour component and angle
using Color = std::uint32_t;               // 0xAARRGGBB
constexpr Color COLOR_WHITE = 0xFFFFFFFF;  // a mesh's colour until SetColor

struct Vector {
    Value x = 0;
    Value y = 0;
    Value z = 0;
};

// A transform of row vectors (p' = p x M; the translation in the last row).
struct Matrix {
    Value m[4][4];
    friend bool operator==(const Matrix&, const Matrix&) = default;
};

// Colour models a driver renders in: mono lights by one intensity quantised to the device's
// shade count; RGB lights each channel.
enum ColorModel : unsigned { COLOR_MONO = 1, COLOR_RGB = 2 };

enum LightType : unsigned { LIGHT_AMBIENT = 0, LIGHT_DIRECTIONAL = 3 };

// How AddRotation/AddTranslation meet the frame's transform. BEFORE applies the new transform
// in the frame's own coordinates (new = T x old, row vectors), AFTER in its parent's
// (new = old x T), REPLACE makes it the whole transform.
enum CombineType : unsigned { COMBINE_REPLACE = 0, COMBINE_BEFORE = 1, COMBINE_AFTER = 2 };

// LookAt's constraint. Only CONSTRAIN_Y is offered: +y stays as near the reference's +y as can be.
enum FrameConstraint : unsigned { CONSTRAIN_Y = 1 };

// Render quality: one value from each of three groups, or'ed together.
constexpr unsigned SHADE_FLAT = 0x0;     // one intensity per face, from the face normal
constexpr unsigned SHADE_GOURAUD = 0x1;  // intensities at the corners (averaged normals), blended
constexpr unsigned SHADE_PHONG = 0x2;    // normals blended, intensity per pixel
constexpr unsigned SHADE_MASK = 0x7;
constexpr unsigned LIGHT_OFF = 0x0;  // faces drawn in their own colour
constexpr unsigned LIGHT_ON = 0x8;
constexpr unsigned LIGHT_MASK = 0x38;
constexpr unsigned FILL_POINTS = 0x0;
constexpr unsigned FILL_WIREFRAME = 0x40;
constexpr unsigned FILL_SOLID = 0x80;
constexpr unsigned FILL_MASK = 0x1C0;
constexpr unsigned RENDER_WIREFRAME = SHADE_FLAT | LIGHT_OFF | FILL_WIREFRAME;  // 0x40
constexpr unsigned RENDER_UNLITFLAT = SHADE_FLAT | LIGHT_OFF | FILL_SOLID;      // 0x80
constexpr unsigned RENDER_FLAT = SHADE_FLAT | LIGHT_ON | FILL_SOLID;            // 0x88
constexpr unsigned RENDER_GOURAUD = SHADE_GOURAUD | LIGHT_ON | FILL_SOLID;      // 0x89
constexpr unsigned RENDER_PHONG = SHADE_PHONG | LIGHT_ON | FILL_SOLID;          // 0x8A

constexpr unsigned DEFAULT_DEVICE_SHADES = 32;   // a new device's shade count
constexpr unsigned DEFAULT_TEXTURE_SHADES = 32;  // a new factory's default texture shades
constexpr unsigned DEFAULT_TEXTURE_COLORS = 8;   // a new factory's default texture colours

// Names a driver of the driver table.
struct Guid {
    std::uint32_t data = 0;
    friend bool operator==(const Guid&, const Guid&) = default;
};

class Factory;
class Frame;
class MeshBuilder;
class Face;
class Texture;
class Light;
class Viewport;
class Device;
class WinDevice;
class Clipper;
class Direct3D;

// ---- Reference counting -----------------------------------------------------------------------

class Object {
  public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    // Both return the count after the change; Release destroys the object when it reaches 0.
    unsigned AddRef();
    unsigned Release();

  protected:
    virtual ~Object() = default;

  private:
    unsigned references_ = 1;
};

// Releases the object a handle holds, if any, and empties the handle.
template <typename T>
void ReleaseAndClear(T*& handle) {
    if (handle != nullptr) {
        handle->Release();
        handle = nullptr;
    }
}

// ---- The factory ------------------------------------------------------------------------------

// The first object: every other object of the layer is made through it (or through the clipper
// and driver calls below).
int CreateFactory(Factory** out);

class Factory : public Object {
  public:
    // A frame with the identity transform; with a parent, its child (the parent holds a reference).
    virtual int CreateFrame(Frame* parent, Frame** out) = 0;
    virtual int CreateMeshBuilder(MeshBuilder** out) = 0;
    // Components 0..1 (not clamped; lighting clamps the sum).
    virtual int CreateLightRGB(LightType type, Value red, Value green, Value blue, Light** out) = 0;
    // A viewport of the device, drawn from camera (which it holds), at (x, y) of size w by h.
    virtual int CreateViewport(Device* device, Frame* camera, int x, int y, int width, int height,
                               Viewport** out) = 0;
    // A device drawing into the clipper's window. driver: a guid from FindDevice, or null to let
    // the layer choose (the first available driver of the table). Fails when the window has no
    // drawing surface, the guid is unknown or the driver refuses.
    virtual int CreateDeviceFromClipper(Clipper* clipper, const Guid* driver, int width, int height,
                                        Device** out) = 0;
    // A 24-bit uncompressed BMP resource of the given type (normally "BITMAP"), name compared
    // without regard to case. The texture gets the default shades and colours.
    virtual int LoadTextureFromResource(std::string_view name, std::string_view type,
                                        Texture** out) = 0;
    // Given to textures made from now on (shades: intensity levels of a texel under the mono
    // model; colours: kept for the texture's palette on a palettised device).
    virtual int SetDefaultTextureShades(unsigned shades) = 0;
    virtual int SetDefaultTextureColors(unsigned colors) = 0;
};

// ---- Frames -----------------------------------------------------------------------------------

// A node of the scene tree. Position and orientation calls take a reference frame: the values
// are given in that frame's coordinates (null: the parent's). Orientation: +z along dir, +y as
// near up as can be, x = y x z.
class Frame : public Object {
  public:
    virtual int SetPosition(Frame* reference, Value x, Value y, Value z) = 0;
    virtual int GetPosition(Frame* reference, Vector* out) = 0;
    virtual int SetOrientation(Frame* reference, Value dx, Value dy, Value dz, Value ux, Value uy,
                               Value uz) = 0;
    // The frame's +z and +y axes expressed in the reference's coordinates.
    virtual int GetOrientation(Frame* reference, Vector* dir, Vector* up) = 0;
    // Turns the frame (about its own origin) so +z points at target's origin and +y is as near
    // the reference's +y as can be. Fails when the target is at the frame's origin.
    virtual int LookAt(Frame* target, Frame* reference, FrameConstraint constraint) = 0;
    // A turn of theta radians about axis (in the frame's own or its parent's coordinates, by
    // combine); positive theta turns +x toward +y about +z.
    virtual int AddRotation(CombineType combine, Value x, Value y, Value z, Value theta) = 0;
    virtual int AddTranslation(CombineType combine, Value x, Value y, Value z) = 0;
    // The frame's own transform: its local coordinates into its parent's.
    virtual int GetTransform(Matrix* out) const = 0;
    // Where the frame is drawn when that is not where it stands (a picture between two poses):
    // drawing places it by *drawn, relative to its parent, until this is called with null. The
    // frame's own transform, and what every other call gives or takes, stay as they are.
    virtual int SetDrawnTransform(const Matrix* drawn) = 0;
    // The frame holds a reference to each visual and light until it is destroyed.
    virtual int AddVisual(MeshBuilder* visual) = 0;
    virtual int AddLight(Light* light) = 0;
    // The colour a viewport clears to when this frame is the root of its camera's tree.
    virtual int SetSceneBackground(Color color) = 0;
    virtual Color GetSceneBackground() const = 0;
    // Inspection, for tests and tools. No references are handed out.
    virtual Frame* GetParent() const = 0;
    virtual unsigned GetVisualCount() const = 0;
    virtual MeshBuilder* GetVisual(unsigned index) const = 0;  // null when out of range
    virtual unsigned GetLightCount() const = 0;
    virtual unsigned GetChildCount() const = 0;
};

// ---- Mesh builders, faces, textures and lights -------------------------------------------------

// A mesh: a vertex list and faces, each a polygon of vertex indices. Faces are one-sided: the
// front is the side from which the vertices run clockwise; normals come from the vertices.
class MeshBuilder : public Object {
  public:
    // Appends the vertices and faces. faceData: groups of a corner count (3 or more) followed by
    // that many indices into this call's vertices, ended by a 0. Malformed data (an index out of
    // range, fewer than 3 corners, no ending 0 within the span) adds nothing and fails.
    virtual int AddFaces(std::span<const Vector> vertices, std::span<const unsigned> faceData) = 0;
    // The colour of every face so far and of faces added later.
    virtual int SetColor(Color color) = 0;
    virtual Color GetColor() const = 0;
    virtual int GetFace(unsigned index, Face** out) = 0;  // RMERR_NOTFOUND past the last face
    virtual unsigned GetFaceCount() const = 0;
    virtual unsigned GetVertexCount() const = 0;
    virtual int GetVertex(unsigned index, Vector* out) const = 0;
};

// One face of a mesh builder; the handle keeps the mesh alive. Corners are numbered in the
// order of the face's vertex list.
class Face : public Object {
  public:
    // (0, 0) is the image's top-left, (1, 1) its bottom-right.
    virtual int SetTextureCoordinates(unsigned corner, Value u, Value v) = 0;
    virtual int GetTextureCoordinates(unsigned corner, Value* u, Value* v) const = 0;
    // Null removes the texture; the mesh holds a reference to it.
    virtual int SetTexture(Texture* texture) = 0;
    virtual Texture* GetTexture() const = 0;  // no reference handed out
    virtual int SetColor(Color color) = 0;
    virtual Color GetColor() const = 0;
    virtual unsigned GetVertexCount() const = 0;
    virtual unsigned GetVertexIndex(unsigned corner) const = 0;
};

// An image; a textured face shows it modulated by its lighting, in place of the face colour.
class Texture : public Object {
  public:
    // With decal transparency, texels of pure black are not drawn: what lies behind shows.
    virtual int SetDecalTransparency(bool on) = 0;
    virtual bool GetDecalTransparency() const = 0;
    virtual int SetShades(unsigned shades) = 0;
    virtual unsigned GetShades() const = 0;
    virtual int SetColors(unsigned colors) = 0;
    virtual unsigned GetColors() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    // The texel at (x, y) counted from the top-left, as 0xFFRRGGBB; 0 when out of range.
    virtual Color GetTexel(int x, int y) const = 0;
};

// Ambient lights add to every face alike; a directional light shines along its frame's +z.
class Light : public Object {
  public:
    virtual LightType GetType() const = 0;
    virtual Vector GetColor() const = 0;  // red, green, blue in x, y, z
};

// ---- Viewport and device ----------------------------------------------------------------------

// A rectangle of a device seen from a camera frame. The front clipping plane, at distance
// front along the camera's +z, spans -field..+field across the larger of the viewport's width
// and height, with the same scale along the other.
class Viewport : public Object {
  public:
    virtual int SetFront(Value front) = 0;
    virtual int SetBack(Value back) = 0;
    virtual int SetField(Value field) = 0;
    virtual Value GetFront() const = 0;
    virtual Value GetBack() const = 0;
    virtual Value GetField() const = 0;
    // Fills the viewport with the background of the camera's scene, and clears the depth.
    virtual int Clear() = 0;
    // Draws the tree under frame, lit by the lights in it. Allocates nothing once every mesh has
    // been drawn once.
    virtual int Render(Frame* frame) = 0;
    // Where a point of the scene (world coordinates of the camera's root) lands: pixel x and y
    // (from the device's top-left) and the distance along the camera's +z. Fails for a point
    // at or behind the camera plane.
    virtual int Transform(const Vector& world, Vector* screen) = 0;
};

// The window side of a device: what the window procedure hands it.
class WinDevice {
  public:
    virtual unsigned AddRef() = 0;
    virtual unsigned Release() = 0;
    // Called on activation with the low word of the activation message's wParam: an active
    // window makes the device's drawing surface current again.
    virtual int HandleActivate(unsigned activeState) = 0;
    // Called on every paint: the device draws into the window being painted from now on.
    virtual int HandlePaint(platform::HWND paintTarget) = 0;

  protected:
    virtual ~WinDevice() = default;
};

// A drawing surface on a window, with its configuration.
class Device : public Object {
  public:
    virtual int SetQuality(unsigned quality) = 0;  // SHADE_ | LIGHT_ | FILL_ bits
    virtual unsigned GetQuality() const = 0;
    virtual int SetShades(unsigned shades) = 0;  // intensity levels of the mono model (>= 2)
    virtual unsigned GetShades() const = 0;
    virtual int SetDither(bool on) = 0;
    virtual bool GetDither() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual ColorModel GetColorModel() const = 0;
    virtual const Guid& GetDriverGuid() const = 0;
    // Shows what the viewports drew since the last Update.
    virtual int Update() = 0;
    // Reads back what the viewports drew, not yet shown: GetWidth() x GetHeight() colours
    // (0xFFRRGGBB), rows from the top. For tests and screenshots.
    virtual int ReadImage(std::span<Color> out) = 0;
    // The same object seen as a window device (one more reference on success).
    virtual int QueryWinDevice(WinDevice** out) = 0;
};

// Binds drawing to a window: a device made from it draws into that window.
int CreateClipper(Clipper** out);

class Clipper : public Object {
  public:
    // flags must be 0; fails when hwnd is not a live window.
    virtual int SetHWnd(unsigned flags, platform::HWND hwnd) = 0;
    virtual platform::HWND GetHWnd() const = 0;
};

// ---- Drivers and their search ----------------------------------------------------------------

// What a driver offers. flags is nonzero in the description of a driver that exists;
// deviceRenderBitDepth is a set of platform::DDBD_ flags.
struct DeviceDesc {
    unsigned flags = 0;
    unsigned colorModel = 0;  // a set of ColorModel bits
    unsigned deviceRenderBitDepth = 0;
};

// One row of the driver table.
struct DriverInfo {
    Guid guid;
    std::string_view name;
    bool hardware = false;
    DeviceDesc desc;
    // false: a device asked of this driver is refused (a driver present but unusable).
    bool canCreate = true;
};

// The drivers this machine offers: software mono, software RGB, and hardware RGB rendering at
// 16, 24 and 32 bits, all of them drawn with OpenGL.
std::span<const DriverInfo> DefaultDrivers();
// Replaces the table (tests describe other machines with it); an empty span restores the
// default. The table must outlive its use.
void SetDriverTable(std::span<const DriverInfo> drivers);
std::span<const DriverInfo> DriverTable();

constexpr Guid DRIVER_SOFTWARE_MONO{0x5d1};
constexpr Guid DRIVER_SOFTWARE_RGB{0x5d2};
constexpr Guid DRIVER_HARDWARE_RGB{0x4d3};

constexpr unsigned FDS_COLORMODEL = 0x1;
constexpr unsigned FDS_HARDWARE = 0x4;

struct FindDeviceSearch {
    unsigned flags = 0;       // FDS_ bits: which of the fields below count
    bool hardware = false;    // with FDS_HARDWARE: hardware (true) or software (false)
    unsigned colorModel = 0;  // with FDS_COLORMODEL: a ColorModel the driver must offer
};

// guid of the driver found; hardwareDesc filled (flags nonzero) for a hardware driver,
// softwareDesc for a software one.
struct FindDeviceResult {
    Guid guid;
    DeviceDesc hardwareDesc;
    DeviceDesc softwareDesc;
};

// The driver search, asked of a display object.
int QueryDirect3D(platform::DirectDraw* directDraw, Direct3D** out);

class Direct3D : public Object {
  public:
    // The first driver of the table (hardware rows first) matching the search; RMERR_NOTFOUND
    // when none does.
    virtual int FindDevice(const FindDeviceSearch& search, FindDeviceResult* result) = 0;
};

}  // namespace retained
