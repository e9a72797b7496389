// The draw code: everything that speaks OpenGL, behind a surface-neutral interface.
//
// Offers: Renderer (made on a window's GL surface for a device of a size: Clear, Begin a pass with
// the camera, projection, lights and device settings, Draw a mesh at a place, Present, ReadImage)
// and the release of GPU copies kept on meshes and textures.
//
// The device's pixels span the surface's picture, which may be larger than the device: the same
// scene is then rasterised at the picture's own size, and the bars around it are black.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "platform/platform.h"
#include "retained/internal.h"

namespace retained {

constexpr int MAX_DIRECTIONAL_LIGHTS = 8;

// What one pass of drawing needs besides the meshes.
struct DrawState {
    Matrix viewProjection;  // world to clip space, row vectors
    Vector ambient;         // summed ambient light
    int lightCount = 0;
    Vector lightDirection[MAX_DIRECTIONAL_LIGHTS];  // unit, the way the light travels
    Vector lightColor[MAX_DIRECTIONAL_LIGHTS];
    unsigned quality = RENDER_FLAT;
    unsigned shades = DEFAULT_DEVICE_SHADES;
    bool mono = true;
    bool dither = true;
};

class Renderer : public std::enable_shared_from_this<Renderer> {
  public:
    // Null when the surface's context cannot run the shaders. width x height: the device's size.
    static std::shared_ptr<Renderer> Create(std::unique_ptr<platform::GlSurface> surface, int width,
                                            int height);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    void MakeCurrent();
    // Rectangles are in device pixels from the top-left.
    void Clear(int x, int y, int width, int height, Color background);
    void Begin(int x, int y, int width, int height, const DrawState& state);
    void Draw(MeshImpl& mesh, const Matrix& world);
    void Present();
    // The drawn, not yet presented image at the device's size (each pixel read at the middle of
    // its place in the picture), rows from the top, 0xFFRRGGBB.
    bool ReadImage(std::span<Color> out);

  private:
    // A rectangle of the drawable, from its bottom-left as OpenGL counts.
    struct Box {
        int x, y, width, height;
    };
    Renderer(std::unique_ptr<platform::GlSurface> surface, int width, int height);
    Box ToDrawable(int x, int y, int width, int height) const;
    // What a program draws a face with, and how it is lit: the SURFACE and SHADE of its source.
    static constexpr int SURFACE_COLOUR = 0, SURFACE_TEXTURE = 1, SURFACES = 2;
    static constexpr int SHADE_MODE_UNLIT = 0, SHADE_MODE_FLAT = 1, SHADE_MODE_GOURAUD = 2,
                         SHADE_MODE_PHONG = 3, SHADE_MODES = 4;
    struct Uniforms {
        int model, viewProjection, ambient, lightCount, lightDirection, lightColor, mono, shades,
            textureShades, decal, texture, pointSize;
    };
    struct Program {
        unsigned name = 0;
        Uniforms u{};
        unsigned pass = 0;  // the pass whose uniforms it holds
    };
    bool Init();
    // Makes the program current, made first if need be, with the pass's uniforms; null when it
    // cannot be made.
    Program* Use(int surface, int shade);
    // Copies the mesh's triangles, and its edges when asked, to its buffer.
    void Upload(MeshImpl& mesh, bool edges);
    unsigned TextureName(TextureImpl& texture);
    bool Owns(const std::weak_ptr<Renderer>& owner, const Renderer* recorded) const;

    std::unique_ptr<platform::GlSurface> surface_;
    int width_;  // the device's
    int height_;
    std::array<Program, std::size_t{SURFACES} * SHADE_MODES> programs_{};
    DrawState state_;  // the pass's
    float pointSize_ = 1;
    unsigned pass_ = 0;
    int shade_ = SHADE_MODE_FLAT;
    unsigned fill_ = FILL_SOLID;
    // The corners being copied, and the vertices' normal sums, of one mesh at a time; kept for
    // reuse.
    std::vector<float> scratch_;
    std::vector<Vector> normals_;
};

}  // namespace retained
