// The draw code, on OpenGL 3.3 core (OpenGL ES 3.0, that is WebGL 2, in a browser): the only file
// of the layer that calls OpenGL. Both run the same shaders, each behind its own version line.
//
// Offers: Renderer::Create (its programs linked on the window's context as they are first
// needed), Clear, Begin, Draw, Present, ReadImage; ReleaseGpuMesh and ReleaseGpuTexture.
//
// Rectangles come in device pixels and are drawn at the picture's scale: viewport and scissor
// are scaled, the projection is not, so a larger picture shows the same scene in finer pixels.
// Textures are filtered, each face's samples kept inside its own rectangle of the texture.
//
// A mesh is copied to one vertex buffer when first drawn and again only after it changed (or when
// first drawn as lines or points, which need its edges too): each face becomes a fan of triangles,
// grouped by texture, every corner carrying its position, the face normal, the averaged vertex
// normal, texture coordinates, the face colour and the face's rectangle of texture coordinates.
// Lighting is computed per corner (flat: from the face normal, so the whole face is alike;
// gouraud: from the vertex normal, blended) or per pixel (phong), as ambient plus each directional
// light, clamped; the mono model turns it into one intensity on the device's ramp of shades.
#include "retained/gl_renderer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/gl_api.h"

namespace retained {

namespace {

constexpr const char* LIGHTING_SOURCE = R"(
uniform vec3 uAmbient;
uniform int uLightCount;
uniform vec3 uLightDirection[8];
uniform vec3 uLightColor[8];
vec3 Light(vec3 n) {
    vec3 sum = uAmbient;
    if (dot(n, n) > 0.0) {
        n = normalize(n);
        for (int i = 0; i < uLightCount; ++i) {
            sum += max(dot(n, -uLightDirection[i]), 0.0) * uLightColor[i];
        }
    }
    return min(sum, vec3(1.0));
}
)";

// SURFACE (0 the face's colour, 1 a texture) and SHADE (0 unlit, 1 flat, 2 gouraud, 3 phong) are
// defined ahead of both shaders: each combination is a program of its own, made when first drawn
// with, whose vertex shader works out only what its fragment shader reads. A software rasteriser
// such as llvmpipe runs both sides of a branch for every pixel, so with these behind uniforms each
// pixel of the table was also sampled as a texture and a decal and lit per pixel, and the discard
// a decal needs kept every face from an early depth test: a frame took twice as long to rasterise.
constexpr const char* VERTEX_SOURCE = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aFaceNormal;
layout(location = 2) in vec3 aVertexNormal;
layout(location = 3) in vec2 aTexCoord;
layout(location = 4) in vec4 aColor;
layout(location = 5) in vec4 aCell;
uniform mat4 uModel;
uniform mat4 uViewProjection;
uniform float uPointSize;
flat out vec3 vFlatLight;
out vec3 vSmoothLight;
out vec3 vNormal;
out vec2 vTexCoord;
flat out vec4 vColor;
flat out vec4 vCell;
void main() {
    vec4 world = uModel * vec4(aPosition, 1.0);
    gl_Position = uViewProjection * world;
    gl_PointSize = uPointSize;
#if SHADE == 1
    vFlatLight = Light(mat3(uModel) * aFaceNormal);
#elif SHADE >= 2
    vNormal = mat3(uModel) * aVertexNormal;
#if SHADE == 2
    vSmoothLight = Light(vNormal);
#endif
#endif
#if SURFACE == 1
    vTexCoord = aTexCoord;
    vCell = aCell;
#endif
    vColor = aColor;
}
)";

constexpr const char* FRAGMENT_SOURCE = R"(
uniform bool uMono;
uniform float uShades;
uniform float uTextureShades;
uniform bool uDecal;
uniform sampler2D uTexture;
flat in vec3 vFlatLight;
in vec3 vSmoothLight;
in vec3 vNormal;
in vec2 vTexCoord;
flat in vec4 vColor;
flat in vec4 vCell;  // the face's least u, v, then its greatest
out vec4 fragColor;
#if SURFACE == 1
// Black texels of a decal are holes: only the opaque ones of the four around uv are blended, and
// the pixel is kept where they cover half of it, so an edge is neither dark nor ragged.
vec3 Decal(vec2 uv, ivec2 size) {
    vec2 st = uv * vec2(size) - 0.5;
    ivec2 first = ivec2(floor(st));
    vec2 f = st - floor(st);
    vec4 sum = vec4(0.0);
    for (int k = 0; k < 4; ++k) {
        ivec2 d = ivec2(k & 1, k >> 1);
        vec3 c = texelFetch(uTexture, clamp(first + d, ivec2(0), size - 1), 0).rgb;
        vec2 w = mix(1.0 - f, f, vec2(d));
        if (c != vec3(0.0)) {
            sum += vec4(c, 1.0) * w.x * w.y;
        }
    }
    if (sum.a < 0.5) {
        discard;
    }
    return sum.rgb / sum.a;
}
#endif
void main() {
    vec3 base = vColor.rgb;
    float shades = uShades;
#if SURFACE != 0
    // Half a texel inside the face's rectangle, filtering never reaches a neighbouring cell.
    ivec2 size = textureSize(uTexture, 0);
    vec2 low = vCell.xy + 0.5 / vec2(size);
    vec2 uv = clamp(vTexCoord, low, max(vCell.zw - 0.5 / vec2(size), low));
    base = uDecal ? Decal(uv, size) : texture(uTexture, uv).rgb;
    shades = uTextureShades;
#endif
    vec3 light = vec3(1.0);
#if SHADE != 0
#if SHADE == 1
    light = vFlatLight;
#elif SHADE == 2
    light = vSmoothLight;
#else
    light = Light(vNormal);
#endif
    if (uMono) {
        float steps = max(shades - 1.0, 1.0);
        float intensity = (light.r + light.g + light.b) / 3.0;
        light = vec3(floor(intensity * steps + 0.5) / steps);
    }
#endif
    fragColor = vec4(base * light, 1.0);
}
)";

// Position 3, face normal 3, vertex normal 3, uv 2, rgba 4, the face's uv rectangle 4.
constexpr int FLOATS_PER_CORNER = 19;

GLuint Compile(GLenum kind, const char* defines, const char* body) {
    const std::array<const char*, 4> sources = {platform::SHADER_PREFIX, defines, LIGHTING_SOURCE,
                                                body};
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, static_cast<GLsizei>(sources.size()), sources.data(), nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool Linked(GLuint program) {
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    return ok == GL_TRUE;
}

// The program from the sources after the defines; 0 when they do not compile or link.
GLuint MakeProgram(const char* defines) {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, defines, VERTEX_SOURCE);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, defines, FRAGMENT_SOURCE);
    if (vertex == 0 || fragment == 0) {
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    if (!Linked(program)) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

// Newell's sum: the normal of a polygon, toward the side from which it runs clockwise (in
// left-handed coordinates, where the sum agrees with (v1 - v0) x (v2 - v0)).
Vector FaceNormal(const MeshImpl& mesh, const FaceRecord& face) {
    Vector n;
    const auto& corners = mesh.Corners();
    const auto& vertices = mesh.Vertices();
    for (unsigned k = 0; k < face.cornerCount; ++k) {
        const Vector& a = vertices[corners[face.firstCorner + k].vertex];
        const Vector& b = vertices[corners[face.firstCorner + (k + 1) % face.cornerCount].vertex];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return Normalize(n);
}

// What every corner of a face carries alike: its normal, its colour and its rectangle of
// texture coordinates (least u, v, then greatest), worked out once a face.
struct FaceConstants {
    Vector normal;
    std::array<float, 4> color;
    std::array<float, 4> cell;
};

FaceConstants ConstantsOf(const MeshImpl& mesh, const FaceRecord& face) {
    const Corner* first = &mesh.Corners()[face.firstCorner];
    FaceConstants constants{
        FaceNormal(mesh, face),
        {((face.color >> 16) & 0xFF) / 255.0f, ((face.color >> 8) & 0xFF) / 255.0f,
         (face.color & 0xFF) / 255.0f, ((face.color >> 24) & 0xFF) / 255.0f},
        {first->u, first->v, first->u, first->v}};
    for (const Corner* c = first; c != first + face.cornerCount; ++c) {
        constants.cell = {std::min(constants.cell[0], c->u), std::min(constants.cell[1], c->v),
                          std::max(constants.cell[2], c->u), std::max(constants.cell[3], c->v)};
    }
    return constants;
}

void PutCorner(std::vector<float>& out, const MeshImpl& mesh, const FaceConstants& face,
               const Corner& corner, const Vector& vertexNormal) {
    const Vector& p = mesh.Vertices()[corner.vertex];
    const float values[FLOATS_PER_CORNER] = {p.x,
                                             p.y,
                                             p.z,
                                             face.normal.x,
                                             face.normal.y,
                                             face.normal.z,
                                             vertexNormal.x,
                                             vertexNormal.y,
                                             vertexNormal.z,
                                             corner.u,
                                             corner.v,
                                             face.color[0],
                                             face.color[1],
                                             face.color[2],
                                             face.color[3],
                                             face.cell[0],
                                             face.cell[1],
                                             face.cell[2],
                                             face.cell[3]};
    out.insert(out.end(), std::begin(values), std::end(values));
}

void UploadMatrix(GLint location, const Matrix& m) {
    // Row-major storage read as column-major is the transpose, which is what column-vector
    // GLSL needs for our row-vector matrices.
    glUniformMatrix4fv(location, 1, GL_FALSE, &m.m[0][0]);
}

}  // namespace

std::shared_ptr<Renderer> Renderer::Create(std::unique_ptr<platform::GlSurface> surface, int width,
                                           int height) {
    std::shared_ptr<Renderer> renderer(new Renderer(std::move(surface), width, height));
    if (!renderer->Init()) {
        return nullptr;
    }
    return renderer;
}

Renderer::Renderer(std::unique_ptr<platform::GlSurface> surface, int width, int height)
    : surface_(std::move(surface)), width_(width), height_(height) {}

Renderer::~Renderer() {
    surface_->MakeCurrent();
    for (const Program& program : programs_) {
        if (program.name != 0) {
            glDeleteProgram(program.name);
        }
    }
}

// The table's colours flat shaded, what most of every frame is drawn with, is made at once, so
// that a context that cannot run the shaders makes no renderer; the other programs when first
// drawn with.
bool Renderer::Init() {
    surface_->MakeCurrent();
    if (Use(SURFACE_COLOUR, SHADE_MODE_FLAT) == nullptr) {
        return false;
    }
    platform::GlTakeShaderPointSize();
    return true;
}

Renderer::Program* Renderer::Use(int surface, int shade) {
    Program& program = programs_[static_cast<std::size_t>(surface) * SHADE_MODES +
                                 static_cast<std::size_t>(shade)];
    if (program.name == 0) {
        char defines[48];
        std::snprintf(defines, sizeof defines, "#define SURFACE %d\n#define SHADE %d\n", surface,
                      shade);
        program.name = MakeProgram(defines);
        if (program.name == 0) {
            return nullptr;
        }
        const auto at = [&program](const char* name) {
            return glGetUniformLocation(program.name, name);
        };
        program.u = {at("uModel"),      at("uViewProjection"), at("uAmbient"),
                     at("uLightCount"), at("uLightDirection"), at("uLightColor"),
                     at("uMono"),       at("uShades"),         at("uTextureShades"),
                     at("uDecal"),      at("uTexture"),        at("uPointSize")};
    }
    glUseProgram(program.name);
    if (program.pass != pass_) {
        program.pass = pass_;
        const Uniforms& u = program.u;
        UploadMatrix(u.viewProjection, state_.viewProjection);
        glUniform3f(u.ambient, state_.ambient.x, state_.ambient.y, state_.ambient.z);
        glUniform1i(u.lightCount, state_.lightCount);
        if (state_.lightCount > 0) {
            glUniform3fv(u.lightDirection, state_.lightCount, &state_.lightDirection[0].x);
            glUniform3fv(u.lightColor, state_.lightCount, &state_.lightColor[0].x);
        }
        glUniform1i(u.mono, state_.mono ? 1 : 0);
        glUniform1f(u.shades, static_cast<float>(state_.shades));
        glUniform1i(u.texture, 0);
        glUniform1f(u.pointSize, pointSize_);
    }
    return &program;
}

void Renderer::MakeCurrent() {
    surface_->MakeCurrent();
}

// The device's width_ x height_ span the picture.
Renderer::Box Renderer::ToDrawable(int x, int y, int width, int height) const {
    const platform::Picture p = surface_->PictureRect();
    const auto across = [&](int v) { return p.x + (v * p.width + width_ / 2) / width_; };
    const auto down = [&](int v) { return p.y + (v * p.height + height_ / 2) / height_; };
    const int left = across(x);
    const int top = down(y);
    const int bottom = down(y + height);
    return {left, surface_->Height() - bottom, across(x + width) - left, bottom - top};
}

void Renderer::Clear(int x, int y, int width, int height, Color background) {
    surface_->MakeCurrent();
    glEnable(GL_SCISSOR_TEST);
    // The bars around a picture smaller than the drawable, black in every frame.
    const Box picture = ToDrawable(0, 0, width_, height_);
    const int right = picture.x + picture.width;
    const int top = picture.y + picture.height;
    const int w = surface_->Width();
    const int h = surface_->Height();
    glClearColor(0, 0, 0, 1);
    for (const Box& bar : {Box{0, 0, picture.x, h}, Box{right, 0, w - right, h},
                           Box{picture.x, 0, picture.width, picture.y},
                           Box{picture.x, top, picture.width, h - top}}) {
        if (bar.width > 0 && bar.height > 0) {
            glScissor(bar.x, bar.y, bar.width, bar.height);
            glClear(GL_COLOR_BUFFER_BIT);
        }
    }
    const Box box = ToDrawable(x, y, width, height);
    glScissor(box.x, box.y, box.width, box.height);
    glClearColor(((background >> 16) & 0xFF) / 255.0f, ((background >> 8) & 0xFF) / 255.0f,
                 (background & 0xFF) / 255.0f, 1.0f);
    platform::GlClearDepth(1.0f);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

void Renderer::Begin(int x, int y, int width, int height, const DrawState& state) {
    surface_->MakeCurrent();
    const Box box = ToDrawable(x, y, width, height);
    glViewport(box.x, box.y, box.width, box.height);
    // Lines and points are not held to the viewport by clipping alone.
    glScissor(box.x, box.y, box.width, box.height);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);  // the front of a face is the side it runs clockwise from
    if (state.dither) {
        glEnable(GL_DITHER);
    } else {
        glDisable(GL_DITHER);
    }
    fill_ = state.quality & FILL_MASK;
    const unsigned shade = state.quality & SHADE_MASK;
    shade_ = (state.quality & LIGHT_MASK) != LIGHT_ON ? SHADE_MODE_UNLIT
             : shade == SHADE_FLAT                    ? SHADE_MODE_FLAT
             : shade == SHADE_GOURAUD                 ? SHADE_MODE_GOURAUD
                                                      : SHADE_MODE_PHONG;
    // Each program takes the pass's uniforms when first used in it.
    state_ = state;
    pointSize_ = std::max(1.0f, static_cast<float>(box.height) / static_cast<float>(height));
    ++pass_;
    glActiveTexture(GL_TEXTURE0);
}

bool Renderer::Owns(const std::weak_ptr<Renderer>& owner, const Renderer* recorded) const {
    return recorded == this && !owner.expired();
}

void Renderer::Upload(MeshImpl& mesh, bool edges) {
    GpuMesh& gpu = mesh.gpu;
    if (!Owns(gpu.owner, gpu.ownerId)) {
        // A copy made in another context is freed there, if that context still exists.
        ReleaseGpuMesh(gpu);
        surface_->MakeCurrent();
        gpu.owner = weak_from_this();
        gpu.ownerId = this;
        glGenVertexArrays(1, &gpu.vertexArray);
        glGenBuffers(1, &gpu.buffer);
        glBindVertexArray(gpu.vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, gpu.buffer);
        const GLsizei stride = FLOATS_PER_CORNER * sizeof(float);
        const int sizes[] = {3, 3, 3, 2, 4, 4};
        int offset = 0;
        for (GLuint i = 0; i < std::size(sizes); ++i) {
            glEnableVertexAttribArray(i);
            // GL takes the offset into the bound buffer in a pointer's clothes.
            glVertexAttribPointer(
                i, sizes[i], GL_FLOAT, GL_FALSE, stride,
                reinterpret_cast<const void*>(  // NOLINT(performance-no-int-to-ptr)
                    offset * sizeof(float)));
            offset += sizes[i];
        }
    }
    const auto& faces = mesh.Faces();
    const auto& corners = mesh.Corners();
    normals_.assign(mesh.Vertices().size(), Vector{});
    for (const FaceRecord& face : faces) {
        const Vector n = FaceNormal(mesh, face);
        for (unsigned k = 0; k < face.cornerCount; ++k) {
            Vector& sum = normals_[corners[face.firstCorner + k].vertex];
            sum = Add(sum, n);
        }
    }
    gpu.ranges.clear();
    for (const FaceRecord& face : faces) {
        const bool known = std::any_of(gpu.ranges.begin(), gpu.ranges.end(),
                                       [&](const auto& r) { return r.texture == face.texture; });
        if (!known) {
            gpu.ranges.push_back({face.texture, 0, 0});
        }
    }
    scratch_.clear();
    int first = 0;
    for (GpuMesh::Range& range : gpu.ranges) {
        range.first = first;
        for (const FaceRecord& face : faces) {
            if (face.texture != range.texture) {
                continue;
            }
            const FaceConstants constants = ConstantsOf(mesh, face);
            const Corner* c = &corners[face.firstCorner];
            for (unsigned k = 1; k + 1 < face.cornerCount; ++k) {
                for (const Corner* corner : {&c[0], &c[k], &c[k + 1]}) {
                    PutCorner(scratch_, mesh, constants, *corner,
                              Normalize(normals_[corner->vertex]));
                }
                range.count += 3;
            }
        }
        first += range.count;
    }
    // Edges of the polygons, not of the triangles, for wireframe and points: more corners than the
    // triangles have, so copied only once a mesh is drawn that way.
    gpu.edges = edges;
    gpu.edgeFirst = first;
    gpu.edgeCount = 0;
    if (edges) {
        for (const FaceRecord& face : faces) {
            const FaceConstants constants = ConstantsOf(mesh, face);
            const Corner* c = &corners[face.firstCorner];
            for (unsigned k = 0; k < face.cornerCount; ++k) {
                for (const Corner* corner : {&c[k], &c[(k + 1) % face.cornerCount]}) {
                    PutCorner(scratch_, mesh, constants, *corner,
                              Normalize(normals_[corner->vertex]));
                }
                gpu.edgeCount += 2;
            }
        }
    }
    const auto bytes = static_cast<unsigned>(scratch_.size() * sizeof(float));
    glBindBuffer(GL_ARRAY_BUFFER, gpu.buffer);
    if (bytes > gpu.bufferBytes) {
        glBufferData(GL_ARRAY_BUFFER, bytes, scratch_.data(), GL_DYNAMIC_DRAW);
        gpu.bufferBytes = bytes;
    } else if (bytes > 0) {
        glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, scratch_.data());
    }
    gpu.version = mesh.Version();
}

unsigned Renderer::TextureName(TextureImpl& texture) {
    GpuTexture& gpu = texture.gpu;
    if (Owns(gpu.owner, gpu.ownerId)) {
        return gpu.name;
    }
    ReleaseGpuTexture(gpu);
    surface_->MakeCurrent();
    gpu.owner = weak_from_this();
    gpu.ownerId = this;
    glGenTextures(1, &gpu.name);
    glBindTexture(GL_TEXTURE_2D, gpu.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Rows go up from the top of the image, so v = 0 samples the top row.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, texture.GetWidth(), texture.GetHeight(), 0, GL_RGB,
                 GL_UNSIGNED_BYTE, texture.Rgb().data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return gpu.name;
}

void Renderer::Draw(MeshImpl& mesh, const Matrix& world) {
    if (mesh.Faces().empty()) {
        return;
    }
    const bool edges = fill_ != FILL_SOLID;
    if (!Owns(mesh.gpu.owner, mesh.gpu.ownerId) || mesh.gpu.version != mesh.Version() ||
        (edges && !mesh.gpu.edges)) {
        Upload(mesh, edges);
    }
    glBindVertexArray(mesh.gpu.vertexArray);
    if (edges) {
        // Lines and points show the face colours, lit as the faces are; lines have no winding,
        // so the edges of faces seen from behind show too.
        if (const Program* program = Use(SURFACE_COLOUR, shade_)) {
            UploadMatrix(program->u.model, world);
            glDrawArrays(fill_ == FILL_WIREFRAME ? GL_LINES : GL_POINTS, mesh.gpu.edgeFirst,
                         mesh.gpu.edgeCount);
        }
        glBindVertexArray(0);
        return;
    }
    for (const GpuMesh::Range& range : mesh.gpu.ranges) {
        TextureImpl* texture = range.texture;
        const Program* program = Use(texture != nullptr ? SURFACE_TEXTURE : SURFACE_COLOUR, shade_);
        if (program == nullptr) {
            continue;
        }
        UploadMatrix(program->u.model, world);
        if (texture != nullptr) {
            glBindTexture(GL_TEXTURE_2D, TextureName(*texture));
            glUniform1i(program->u.decal, texture->GetDecalTransparency() ? 1 : 0);
            glUniform1f(program->u.textureShades, static_cast<float>(texture->GetShades()));
        }
        glDrawArrays(GL_TRIANGLES, range.first, range.count);
    }
    glBindVertexArray(0);
}

void Renderer::Present() {
    surface_->MakeCurrent();
    glDisable(GL_SCISSOR_TEST);  // what is drawn over the picture may use the whole drawable
    surface_->Present();
}

bool Renderer::ReadImage(std::span<Color> out) {
    if (out.size() < static_cast<std::size_t>(width_) * height_) {
        return false;
    }
    surface_->MakeCurrent();
    const Box box = ToDrawable(0, 0, width_, height_);
    if (box.width <= 0 || box.height <= 0) {
        return false;
    }
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(box.width) * box.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(box.x, box.y, box.width, box.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int row = 0; row < height_; ++row) {
        const int down = (2 * row + 1) * box.height / (2 * height_);
        const std::uint8_t* src =
            &rgba[static_cast<std::size_t>(box.height - 1 - down) * box.width * 4];
        for (int x = 0; x < width_; ++x) {
            const std::uint8_t* texel =
                src + static_cast<std::size_t>((2 * x + 1) * box.width / (2 * width_)) * 4;
            out[static_cast<std::size_t>(row) * width_ + x] =
                0xFF000000u | static_cast<Color>(texel[0]) << 16 |
                static_cast<Color>(texel[1]) << 8 | texel[2];
        }
    }
    return true;
}

void ReleaseGpuMesh(GpuMesh& gpu) {
    if (auto owner = gpu.owner.lock()) {
        owner->MakeCurrent();
        glDeleteBuffers(1, &gpu.buffer);
        glDeleteVertexArrays(1, &gpu.vertexArray);
    }
    gpu = GpuMesh{};
}

void ReleaseGpuTexture(GpuTexture& gpu) {
    if (auto owner = gpu.owner.lock()) {
        owner->MakeCurrent();
        glDeleteTextures(1, &gpu.name);
    }
    gpu = GpuTexture{};
}

}  // namespace retained
