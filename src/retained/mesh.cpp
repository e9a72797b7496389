// Mesh builders, their faces, and textures.
//
// Offers: MeshImpl (AddFaces with the count-then-indices face data, SetColor, GetFace,
// GetVertex), FaceImpl (texture coordinates, texture, colour per face), TextureImpl's texel
// access. (The reader of the BMP resources textures are made from is bmp_reader.cpp.)
#include "retained/internal.h"

namespace retained {

namespace {

class FaceImpl final : public Face {
  public:
    FaceImpl(MeshImpl* mesh, unsigned index) : mesh_(mesh), index_(index) { mesh_->AddRef(); }

    int SetTextureCoordinates(unsigned corner, Value u, Value v) override {
        if (corner >= Record().cornerCount) {
            return RMERR_BADVALUE;
        }
        Corner& c = mesh_->Corners()[Record().firstCorner + corner];
        c.u = u;
        c.v = v;
        mesh_->Touch();
        return RM_OK;
    }
    int GetTextureCoordinates(unsigned corner, Value* u, Value* v) const override {
        if (corner >= Record().cornerCount || u == nullptr || v == nullptr) {
            return RMERR_BADVALUE;
        }
        const Corner& c = mesh_->Corners()[Record().firstCorner + corner];
        *u = c.u;
        *v = c.v;
        return RM_OK;
    }
    int SetTexture(Texture* texture) override {
        FaceRecord& record = Record();
        if (texture != nullptr) {
            texture->AddRef();
        }
        if (record.texture != nullptr) {
            record.texture->Release();
        }
        record.texture = static_cast<TextureImpl*>(texture);
        mesh_->Touch();
        return RM_OK;
    }
    Texture* GetTexture() const override { return Record().texture; }
    int SetColor(Color color) override {
        Record().color = color;
        mesh_->Touch();
        return RM_OK;
    }
    Color GetColor() const override { return Record().color; }
    unsigned GetVertexCount() const override { return Record().cornerCount; }
    unsigned GetVertexIndex(unsigned corner) const override {
        return corner < Record().cornerCount
                   ? mesh_->Corners()[Record().firstCorner + corner].vertex
                   : 0;
    }

  private:
    ~FaceImpl() override { mesh_->Release(); }
    FaceRecord& Record() const { return mesh_->Faces()[index_]; }

    MeshImpl* mesh_;
    unsigned index_;
};

}  // namespace

MeshImpl::~MeshImpl() {
    for (FaceRecord& face : faces_) {
        if (face.texture != nullptr) {
            face.texture->Release();
        }
    }
    ReleaseGpuMesh(gpu);
}

int MeshImpl::AddFaces(std::span<const Vector> vertices, std::span<const unsigned> faceData) {
    // Check the whole list first, so that malformed data adds nothing.
    std::size_t at = 0;
    std::size_t faceCount = 0;
    std::size_t cornerCount = 0;
    while (true) {
        if (at >= faceData.size()) {
            return RMERR_BADVALUE;  // no ending 0
        }
        const unsigned count = faceData[at++];
        if (count == 0) {
            break;
        }
        if (count < 3 || count > faceData.size() - at) {
            return RMERR_BADVALUE;
        }
        for (unsigned k = 0; k < count; ++k) {
            if (faceData[at + k] >= vertices.size()) {
                return RMERR_BADVALUE;
            }
        }
        at += count;
        ++faceCount;
        cornerCount += count;
    }
    const auto base = static_cast<unsigned>(vertices_.size());
    vertices_.insert(vertices_.end(), vertices.begin(), vertices.end());
    faces_.reserve(faces_.size() + faceCount);
    corners_.reserve(corners_.size() + cornerCount);
    at = 0;
    while (const unsigned count = faceData[at++]) {
        faces_.push_back({static_cast<unsigned>(corners_.size()), count, color_, nullptr});
        for (unsigned k = 0; k < count; ++k) {
            corners_.push_back({base + faceData[at + k], 0, 0});
        }
        at += count;
    }
    Touch();
    return RM_OK;
}

int MeshImpl::SetColor(Color color) {
    color_ = color;
    for (FaceRecord& face : faces_) {
        face.color = color;
    }
    Touch();
    return RM_OK;
}

int MeshImpl::GetFace(unsigned index, Face** out) {
    if (out == nullptr) {
        return RMERR_BADVALUE;
    }
    if (index >= faces_.size()) {
        *out = nullptr;
        return RMERR_NOTFOUND;
    }
    *out = new FaceImpl(this, index);
    return RM_OK;
}

int MeshImpl::GetVertex(unsigned index, Vector* out) const {
    if (out == nullptr || index >= vertices_.size()) {
        return RMERR_BADVALUE;
    }
    *out = vertices_[index];
    return RM_OK;
}

int TextureImpl::SetShades(unsigned shades) {
    if (shades < 2) {
        return RMERR_BADVALUE;
    }
    shades_ = shades;
    return RM_OK;
}

Color TextureImpl::GetTexel(int x, int y) const {
    if (x < 0 || y < 0 || x >= layout_.width || y >= layout_.height) {
        return 0;
    }
    const unsigned char* p = &bmp_[layout_.At(x, y)];  // blue, green, red
    return 0xFF000000u | static_cast<Color>(p[2]) << 16 | static_cast<Color>(p[1]) << 8 | p[0];
}

std::vector<std::uint8_t> TextureImpl::Rgb() const {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(layout_.width) * layout_.height * 3);
    std::uint8_t* out = rgb.data();
    for (int y = 0; y < layout_.height; ++y) {
        for (int x = 0; x < layout_.width; ++x, out += 3) {
            const unsigned char* p = &bmp_[layout_.At(x, y)];
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
        }
    }
    return rgb;
}

}  // namespace retained
