// The browser baseline the game's first frame is compared with: the least an SDL2 + WebGL2 page
// does to show a picture, built with the game's flags and page. It opens a 640x480 window with a
// GLES 3.0 context, clears it to green and draws a blue triangle, then waits for events the way
// the game's message loop does (a blocking wait, suspended by Asyncify) until the page goes.
#include <GLES3/gl3.h>
#include <SDL.h>

namespace {

constexpr char VERTEX[] = R"(#version 300 es
const vec2 corners[3] = vec2[3](vec2(-0.5, -0.5), vec2(0.5, -0.5), vec2(0.0, 0.5));
void main() { gl_Position = vec4(corners[gl_VertexID], 0.0, 1.0); })";

constexpr char FRAGMENT[] = R"(#version 300 es
precision highp float;
out vec4 colour;
void main() { colour = vec4(0.0, 0.0, 0.8, 1.0); })";

GLuint Compile(GLenum stage, const char* source) {
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

void Draw(SDL_Window* window, GLuint program) {
    glClearColor(0.0F, 0.6F, 0.0F, 1.0F);
    glClear(GL_COLOR_BUFFER_BIT);
    glUseProgram(program);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    SDL_GL_SwapWindow(window);
}

}  // namespace

int main() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_Window* window = SDL_CreateWindow("baseline", 0, 0, 640, 480, SDL_WINDOW_OPENGL);
    if (window == nullptr || SDL_GL_CreateContext(window) == nullptr) {
        return 1;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER, VERTEX));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER, FRAGMENT));
    glLinkProgram(program);
    GLuint vertices = 0;  // WebGL2 draws only with a vertex array bound
    glGenVertexArrays(1, &vertices);
    glBindVertexArray(vertices);
    Draw(window, program);
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0 && event.type != SDL_QUIT) {
        if (event.type == SDL_WINDOWEVENT) {
            Draw(window, program);
        }
    }
    SDL_Quit();
    return 0;
}
