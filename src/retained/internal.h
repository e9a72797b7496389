// The layer's objects as the draw code sees them: frames with their transforms, meshes with
// their faces, textures with their texels, lights, clippers; and the GPU caches the draw code
// keeps on meshes and textures.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "retained/bmp_reader.h"
#include "retained/math.h"
#include "retained/retained.h"

namespace retained {

class Renderer;

// GPU copies live in one renderer's context; a cache remembers which, and what it copied.
struct GpuMesh {
    std::weak_ptr<Renderer> owner;
    const Renderer* ownerId = nullptr;  // compared without locking owner
    unsigned vertexArray = 0;
    unsigned buffer = 0;
    unsigned bufferBytes = 0;
    unsigned version = 0;  // the mesh version copied
    struct Range {
        class TextureImpl* texture;
        int first;
        int count;
    };
    std::vector<Range> ranges;  // triangles grouped by texture
    bool edges = false;         // then each face's edges, as line segments, for lines and points
    int edgeFirst = 0;
    int edgeCount = 0;
};

struct GpuTexture {
    std::weak_ptr<Renderer> owner;
    const Renderer* ownerId = nullptr;
    unsigned name = 0;
};

// Deletes the GPU copies if their context still exists (defined by the draw code).
void ReleaseGpuMesh(GpuMesh& gpu);
void ReleaseGpuTexture(GpuTexture& gpu);

// Its texels are read from the BMP resource itself whenever asked for: the texture keeps no copy of
// them besides the GPU's.
class TextureImpl final : public Texture {
  public:
    // bmp: a resource, which lives as long as the program; layout: its own.
    TextureImpl(std::span<const unsigned char> bmp, const Bmp24Layout& layout, unsigned shades,
                unsigned colors)
        : bmp_(bmp), layout_(layout), shades_(shades), colors_(colors) {}

    int SetDecalTransparency(bool on) override {
        decal_ = on;
        return RM_OK;
    }
    bool GetDecalTransparency() const override { return decal_; }
    int SetShades(unsigned shades) override;
    unsigned GetShades() const override { return shades_; }
    int SetColors(unsigned colors) override {
        colors_ = colors;
        return RM_OK;
    }
    unsigned GetColors() const override { return colors_; }
    int GetWidth() const override { return layout_.width; }
    int GetHeight() const override { return layout_.height; }
    Color GetTexel(int x, int y) const override;

    // Rows from the top, 3 bytes (red, green, blue) a texel.
    std::vector<std::uint8_t> Rgb() const;
    GpuTexture gpu;

  private:
    ~TextureImpl() override { ReleaseGpuTexture(gpu); }

    std::span<const unsigned char> bmp_;
    Bmp24Layout layout_;
    bool decal_ = false;
    unsigned shades_;
    unsigned colors_;
};

class LightImpl final : public Light {
  public:
    LightImpl(LightType type, Vector color) : type_(type), color_(color) {}
    LightType GetType() const override { return type_; }
    Vector GetColor() const override { return color_; }

  private:
    LightType type_;
    Vector color_;
};

struct FaceRecord {
    unsigned firstCorner;
    unsigned cornerCount;
    Color color;
    TextureImpl* texture;  // one reference held
};

struct Corner {
    unsigned vertex;
    Value u;
    Value v;
};

class MeshImpl final : public MeshBuilder {
  public:
    int AddFaces(std::span<const Vector> vertices, std::span<const unsigned> faceData) override;
    int SetColor(Color color) override;
    Color GetColor() const override { return color_; }
    int GetFace(unsigned index, Face** out) override;
    unsigned GetFaceCount() const override { return static_cast<unsigned>(faces_.size()); }
    unsigned GetVertexCount() const override { return static_cast<unsigned>(vertices_.size()); }
    int GetVertex(unsigned index, Vector* out) const override;

    const std::vector<Vector>& Vertices() const { return vertices_; }
    const std::vector<FaceRecord>& Faces() const { return faces_; }
    std::vector<FaceRecord>& Faces() { return faces_; }
    std::vector<Corner>& Corners() { return corners_; }
    const std::vector<Corner>& Corners() const { return corners_; }
    // Bumped on every change the GPU copy must follow.
    unsigned Version() const { return version_; }
    void Touch() { ++version_; }
    GpuMesh gpu;

  private:
    ~MeshImpl() override;

    std::vector<Vector> vertices_;
    std::vector<Corner> corners_;
    std::vector<FaceRecord> faces_;
    Color color_ = COLOR_WHITE;
    unsigned version_ = 1;
};

class FrameImpl final : public Frame {
  public:
    int SetPosition(Frame* reference, Value x, Value y, Value z) override;
    int GetPosition(Frame* reference, Vector* out) override;
    int SetOrientation(Frame* reference, Value dx, Value dy, Value dz, Value ux, Value uy,
                       Value uz) override;
    int GetOrientation(Frame* reference, Vector* dir, Vector* up) override;
    int LookAt(Frame* target, Frame* reference, FrameConstraint constraint) override;
    int AddRotation(CombineType combine, Value x, Value y, Value z, Value theta) override;
    int AddTranslation(CombineType combine, Value x, Value y, Value z) override;
    int GetTransform(Matrix* out) const override;
    int SetDrawnTransform(const Matrix* drawn) override;
    int AddVisual(MeshBuilder* visual) override;
    int AddLight(Light* light) override;
    int SetSceneBackground(Color color) override {
        background_ = color;
        return RM_OK;
    }
    Color GetSceneBackground() const override { return background_; }
    Frame* GetParent() const override { return parent_; }
    unsigned GetVisualCount() const override { return static_cast<unsigned>(visuals_.size()); }
    MeshBuilder* GetVisual(unsigned index) const override {
        return index < visuals_.size() ? visuals_[index] : nullptr;
    }
    unsigned GetLightCount() const override { return static_cast<unsigned>(lights_.size()); }
    unsigned GetChildCount() const override { return static_cast<unsigned>(children_.size()); }

    void AttachChild(FrameImpl* child);
    // Local to parent.
    const Matrix& Transform() const { return transform_; }
    // Local to parent, as drawn: the drawn transform while one is set.
    const Matrix& DrawnTransform() const { return drawn_ ? *drawn_ : transform_; }
    // Local to the root of the tree.
    Matrix World() const;
    const FrameImpl* Root() const;
    const std::vector<FrameImpl*>& Children() const { return children_; }
    const std::vector<MeshImpl*>& Visuals() const { return visuals_; }
    const std::vector<LightImpl*>& Lights() const { return lights_; }

  private:
    ~FrameImpl() override;
    // A reference frame's transform to the root; null means the parent.
    Matrix ReferenceWorld(Frame* reference) const;
    Matrix ParentWorld() const;

    FrameImpl* parent_ = nullptr;  // not held: the parent holds this frame
    std::vector<FrameImpl*> children_;
    std::vector<MeshImpl*> visuals_;
    std::vector<LightImpl*> lights_;
    Matrix transform_ = Identity();
    std::optional<Matrix> drawn_;
    Color background_ = 0xFF000000;
};

class ClipperImpl final : public Clipper {
  public:
    int SetHWnd(unsigned flags, platform::HWND hwnd) override;
    platform::HWND GetHWnd() const override { return hwnd_; }

  private:
    platform::HWND hwnd_ = nullptr;
};

// Made by the device code.
int CreateDevice(ClipperImpl* clipper, const DriverInfo& driver, int width, int height,
                 Device** out);
int CreateViewportOn(Device* device, FrameImpl* camera, int x, int y, int width, int height,
                     Viewport** out);

}  // namespace retained
