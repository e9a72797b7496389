// The OpenGL the game draws with: 3.3 core through libepoxy on the desktop, OpenGL ES 3.0 (that
// is WebGL 2, through Emscripten's own library) in a browser page.
//
// Offers: the GL declarations; the version line each shader begins with (GLSL_VERSION, without
// its newline, as Dear ImGui takes it) and the whole prefix of the game's shaders (SHADER_PREFIX:
// that line and, in GLSL ES, the precision they compute at, the desktop's being full already);
// the two calls whose names differ.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>

namespace platform {

inline constexpr const char* GLSL_VERSION = "#version 300 es";
inline constexpr const char* SHADER_PREFIX =
    "#version 300 es\nprecision highp float;\nprecision highp int;\n";

inline void GlClearDepth(float depth) {
    glClearDepthf(depth);
}

// OpenGL ES always takes the point size the shader gives.
inline void GlTakeShaderPointSize() {}

}  // namespace platform
#else
#include <epoxy/gl.h>

namespace platform {

inline constexpr const char* GLSL_VERSION = "#version 330 core";
inline constexpr const char* SHADER_PREFIX = "#version 330 core\n";

inline void GlClearDepth(float depth) {
    glClearDepth(depth);
}

// The point size the shader gives, as OpenGL ES always takes.
inline void GlTakeShaderPointSize() {
    glEnable(GL_PROGRAM_POINT_SIZE);
}

}  // namespace platform
#endif
