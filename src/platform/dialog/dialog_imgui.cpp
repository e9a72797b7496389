// Dialogs drawn with Dear ImGui (its SDL2 and OpenGL 3 backends; OpenGL ES 3, that is WebGL 2, in
// a browser) over the owner's picture.
//
// Offers what dialog_imgui.h lists. Controls are placed from the template's dialog units through
// the embedded font's average character width and height; the font is the "dialog_font"
// resource, at the template's point size on a 96 dpi screen. Over a surface whose picture is
// larger than 640 x 480, the dialog is scaled by the picture's width / 640 and centred in the
// picture, its font rasterised again at the scaled size so that its texts stay sharp. The
// keyboard moves the focus (Tab, Shift+Tab, the arrows in a radio group) and presses buttons
// (Space, Enter, Escape); the focused control carries a frame. Alt+Enter is left to the window,
// which switches between full screen and a window with the dialog open. Frames are drawn on demand:
// opening, input and exposure ask for a few frames (a click needs a frame for the press and one
// for the release), each through a repaint of the owner.
#include "platform/dialog/dialog_imgui.h"

#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>

#include "platform/gl_api.h"
#include "platform/window/window.h"

namespace platform {

namespace {

constexpr int FRAMES_AFTER_INPUT = 3;

class ImGuiDialogView;
ImGuiDialogView* openView = nullptr;

class ImGuiDialogView : public DialogView {
  public:
    // ownContext: the context is the view's own, to be deleted with it.
    ImGuiDialogView(Dialog& dialog, SDL_Window* window, SDL_GLContext context, bool ownContext,
                    const GlSurface* surface)
        : dialog_(dialog),
          window_(window),
          ownContext_(ownContext),
          context_(context),
          surface_(surface) {
        SDL_GL_MakeCurrent(window_, context_);
        previous_ = ImGui::GetCurrentContext();
        imgui_ = ImGui::CreateContext();
        ImGui::SetCurrentContext(imgui_);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;   // nothing is stored
        io.MouseDrawCursor = true;  // the game hides the system cursor
        ImGui::StyleColorsLight();
        ImGuiStyle& style = ImGui::GetStyle();
        style.WindowRounding = 0;
        style.FrameRounding = 0;
        style.FramePadding = ImVec2(3, 1);
        style.ItemInnerSpacing = ImVec2(4, 2);
        baseStyle_ = style;
        Rescale();
        ImGui_ImplSDL2_InitForOpenGL(window_, context_);
        ImGui_ImplOpenGL3_Init(GLSL_VERSION);
        openView = this;
        RequestFrames(FRAMES_AFTER_INPUT);
    }

    ~ImGuiDialogView() override { Release(); }

    // Lets go of ImGui and of the GL objects while the window and its context still exist.
    void Release() {
        if (imgui_ == nullptr) {
            return;
        }
        openView = nullptr;
        SDL_GL_MakeCurrent(window_, context_);
        ImGui::SetCurrentContext(imgui_);
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext(imgui_);
        imgui_ = nullptr;
        ImGui::SetCurrentContext(previous_);
        if (ownContext_) {
            // Nothing else draws in this window: leave it black, as it was.
            ClearWindow();
            SDL_GL_SwapWindow(window_);
            SDL_GL_DeleteContext(context_);
        }
    }

    void Dispatched(const MSG& msg) override {
        // With no surface of the owner's to draw over, the view paints the window itself.
        if (imgui_ != nullptr && ownContext_ && msg.message == WM_PAINT &&
            msg.hwnd == dialog_.Owner()) {
            SDL_GL_MakeCurrent(window_, context_);
            ClearWindow();
            Frame();
            SDL_GL_SwapWindow(window_);
        }
    }

    SDL_Window* Window() const { return window_; }
    bool OwnContext() const { return ownContext_; }

    void Frame() {
        ImGui::SetCurrentContext(imgui_);
        if (Rescale()) {
            ImGui_ImplOpenGL3_DestroyFontsTexture();
            ImGui_ImplOpenGL3_CreateFontsTexture();
        }
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        DrawDialog();
        ImGui::Render();
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        if (framesWanted_ > 0 && --framesWanted_ > 0) {
            InvalidateRect(dialog_.Owner());
        }
    }

    bool Take(const SDL_Event& event) {
        ImGui::SetCurrentContext(imgui_);
        switch (event.type) {
            case SDL_KEYDOWN:
                // Keys are handled here, not in the frame: a press and its release often arrive
                // together, between two frames.
                switch (event.key.keysym.sym) {
                    case SDLK_RETURN:
                    case SDLK_KP_ENTER:
                        if ((event.key.keysym.mod & KMOD_ALT) != 0) {
                            return false;  // Alt+Enter is the window's: it switches the mode
                        }
                        dialog_.PressEnter();
                        break;
                    case SDLK_ESCAPE:
                        dialog_.Cancel();
                        break;
                    case SDLK_TAB:
                        dialog_.Tab((event.key.keysym.mod & KMOD_SHIFT) != 0);
                        break;
                    case SDLK_SPACE:
                        dialog_.PressSpace();
                        break;
                    case SDLK_UP:
                    case SDLK_LEFT:
                    case SDLK_DOWN:
                    case SDLK_RIGHT:
                        dialog_.Arrow(event.key.keysym.sym == SDLK_DOWN ||
                                      event.key.keysym.sym == SDLK_RIGHT);
                        break;
                    default:
                        break;
                }
                RequestFrames(FRAMES_AFTER_INPUT);
                return true;
            case SDL_KEYUP:
            case SDL_TEXTINPUT:
            case SDL_MOUSEMOTION:
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
            case SDL_MOUSEWHEEL:
                ImGui_ImplSDL2_ProcessEvent(&event);
                RequestFrames(FRAMES_AFTER_INPUT);
                return true;
            case SDL_WINDOWEVENT:
                ImGui_ImplSDL2_ProcessEvent(&event);
                RequestFrames(FRAMES_AFTER_INPUT);
                return false;
            default:
                return false;
        }
    }

  private:
    void ClearWindow() {
        int width = 0;
        int height = 0;
        SDL_GL_GetDrawableSize(window_, &width, &height);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void RequestFrames(int frames) {
        framesWanted_ = std::max(framesWanted_, frames);
        InvalidateRect(dialog_.Owner());
    }

    // Where the picture lies in the drawable; without a surface of the owner's, the drawable at
    // scale 1.
    Picture PictureNow() const {
        if (surface_ != nullptr) {
            return surface_->PictureRect();
        }
        int width = 0;
        int height = 0;
        SDL_GL_GetDrawableSize(window_, &width, &height);
        return {0, 0, width, height};
    }

    // Follows the picture's scale: the style and the font at the new size. true when the font
    // changed after the backend had made its texture.
    bool Rescale() {
        const double scale = surface_ != nullptr ? std::max(PictureNow().width, 1) / 640.0 : 1.0;
        int points = 0;
        int pixels = 0;
        int height = 0;
        SDL_GetWindowSize(window_, &points, &height);
        SDL_GL_GetDrawableSize(window_, &pixels, &height);
        const double density = points > 0 && pixels > 0 ? static_cast<double>(pixels) / points : 1;
        if (scale == scale_ && scale / density == layout_) {
            return false;
        }
        const bool rebuilt = scale_ != 0;
        scale_ = scale;
        layout_ = scale / density;
        ImGuiStyle& style = ImGui::GetStyle();
        style = baseStyle_;
        style.ScaleAllSizes(static_cast<float>(layout_));
        ImGui::GetIO().FontGlobalScale = static_cast<float>(1 / density);
        ImGui::GetIO().Fonts->Clear();
        LoadFont();
        return rebuilt;
    }

    void LoadFont() {
        const DialogTemplate& t = dialog_.Template();
        ImGuiIO& io = ImGui::GetIO();
        ImFontGlyphRangesBuilder builder;
        builder.AddRanges(io.Fonts->GetGlyphRangesDefault());
        builder.AddText(t.title.c_str());
        for (const DialogControl& control : t.controls) {
            builder.AddText(control.text.c_str());
        }
        builder.BuildRanges(&ranges_);
        const float pixels = static_cast<float>((std::max(t.fontPoints, 1) * 96 + 36) / 72);
        const float scaled = pixels * static_cast<float>(scale_);
        const auto bytes = FindResource("FONT", "dialog_font");
        if (bytes) {
            ImFontConfig config;
            config.FontDataOwnedByAtlas = false;  // the bytes are the program's own
            config.OversampleH = 2;
            config.OversampleV = 2;
            io.Fonts->AddFontFromMemoryTTF(const_cast<unsigned char*>(bytes->data()),
                                           static_cast<int>(bytes->size()), scaled, &config,
                                           ranges_.Data);
        } else {
            ImFontConfig config;
            config.SizePixels = scaled;
            io.Fonts->AddFontDefault(&config);
        }
        io.Fonts->Build();
        ImFont* font = io.Fonts->Fonts[0];
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        // Dialog units come from the unscaled font, so the layout only grows with the scale.
        const float width = font->CalcTextSizeA(pixels, 1e6f, 0, alphabet).x;
        averageWidth_ = std::max(1, static_cast<int>((width / 26 + 1) / 2));
        charHeight_ = std::max(1, static_cast<int>(pixels + 0.5f));
    }

    // A rectangle in dialog units to ImGui's units, from the dialog's client origin.
    ImVec4 Pixels(int x, int y, int width, int height) const {
        const PixelRect r = DialogUnitsToPixels(x, y, width, height, averageWidth_, charHeight_);
        const auto s = static_cast<float>(layout_);
        return {static_cast<float>(r.x) * s, static_cast<float>(r.y) * s,
                static_cast<float>(r.width) * s, static_cast<float>(r.height) * s};
    }

    void DrawDialog() {
        const DialogTemplate& t = dialog_.Template();
        const ImVec4 client = Pixels(0, 0, t.width, t.height);
        const ImGuiStyle& style = ImGui::GetStyle();
        const float titleHeight = ImGui::GetFrameHeight();
        const ImVec2 size(client.z + 2 * style.WindowBorderSize,
                          client.w + titleHeight + style.WindowBorderSize);
        // ImGui places in window points; a high-density drawable has more pixels than points.
        const ImVec2 points = ImGui::GetIO().DisplayFramebufferScale;
        const Picture p = PictureNow();
        const ImVec2 centre(static_cast<float>(p.x) + static_cast<float>(p.width) / 2,
                            static_cast<float>(p.y) + static_cast<float>(p.height) / 2);
        ImGui::SetNextWindowPos(
            ImVec2(centre.x / points.x - size.x / 2, centre.y / points.y - size.y / 2),
            ImGuiCond_Always);
        ImGui::SetNextWindowSize(size, ImGuiCond_Always);
        ImGui::SetNextWindowFocus();
        ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
        bool open = true;
        const std::string title = t.title + "###dialog";
        const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                                       ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                                       ImGuiWindowFlags_NoScrollbar |
                                       ImGuiWindowFlags_NoScrollWithMouse;
        ImGui::Begin(title.c_str(), (t.style & WS_SYSMENU) != 0 ? &open : nullptr, flags);
        ImGui::PopStyleVar();
        const ImVec2 origin = ImGui::GetCursorScreenPos();
        for (std::size_t i = 0; i < t.controls.size(); ++i) {
            ImGui::PushID(static_cast<int>(i));
            DrawControl(i, origin);
            ImGui::PopID();
        }
        ImGui::End();
        if (!open) {
            dialog_.Cancel();  // the close box
            RequestFrames(1);
        }
    }

    void DrawControl(std::size_t index, ImVec2 origin) {
        const DialogControl& control = dialog_.Template().controls[index];
        const ImVec4 r = Pixels(control.x, control.y, control.width, control.height);
        const ImVec2 topLeft(origin.x + r.x, origin.y + r.y);
        const ImVec2 extent(r.z, r.w);
        const char* text = control.text.c_str();
        bool clicked = false;
        switch (control.kind) {
            case ControlKind::DefPushButton:
            case ControlKind::PushButton: {
                const bool isDefault = control.kind == ControlKind::DefPushButton;
                ImGui::SetCursorScreenPos(topLeft);
                ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, isDefault ? 2.0f : 1.0f);
                clicked = ImGui::Button(text, extent);
                ImGui::PopStyleVar();
                break;
            }
            case ControlKind::AutoRadioButton:
            case ControlKind::AutoCheckBox: {
                // Centred in its rectangle's height, as the system draws them.
                const float offset = (extent.y - ImGui::GetFrameHeight()) / 2;
                ImGui::SetCursorScreenPos(ImVec2(topLeft.x, topLeft.y + offset));
                const bool checked = dialog_.CheckState(index) == BST_CHECKED;
                if (control.kind == ControlKind::AutoRadioButton) {
                    clicked = ImGui::RadioButton(text, checked);
                } else {
                    bool value = checked;
                    clicked = ImGui::Checkbox(text, &value);
                }
                break;
            }
            case ControlKind::GroupBox:
                DrawGroupBox(text, topLeft, extent);
                break;
        }
        if (index == dialog_.Focus()) {
            const float gap = 2 * static_cast<float>(layout_);
            const ImVec2 low = ImGui::GetItemRectMin();
            const ImVec2 high = ImGui::GetItemRectMax();
            ImGui::GetWindowDrawList()->AddRect(
                ImVec2(low.x - gap, low.y - gap), ImVec2(high.x + gap, high.y + gap),
                ImGui::GetColorU32(ImGuiCol_NavHighlight), 0, 0, static_cast<float>(layout_));
        }
        if (clicked) {
            dialog_.Click(index);
            RequestFrames(FRAMES_AFTER_INPUT);
        }
    }

    void DrawGroupBox(const char* text, ImVec2 topLeft, ImVec2 extent) {
        ImDrawList* draw = ImGui::GetWindowDrawList();
        const float half = ImGui::GetFontSize() / 2;
        const ImU32 line = ImGui::GetColorU32(ImGuiCol_Border);
        const ImVec2 textPos(topLeft.x + static_cast<float>(averageWidth_ * 2 * layout_),
                             topLeft.y);
        const ImVec2 textSize = ImGui::CalcTextSize(text);
        const float gapStart = textPos.x - 2;
        const float gapEnd = textPos.x + textSize.x + 2;
        const float top = topLeft.y + half;
        const float right = topLeft.x + extent.x;
        const float bottom = topLeft.y + extent.y;
        draw->AddLine(ImVec2(topLeft.x, top), ImVec2(gapStart, top), line);
        draw->AddLine(ImVec2(gapEnd, top), ImVec2(right, top), line);
        draw->AddLine(ImVec2(right, top), ImVec2(right, bottom), line);
        draw->AddLine(ImVec2(right, bottom), ImVec2(topLeft.x, bottom), line);
        draw->AddLine(ImVec2(topLeft.x, bottom), ImVec2(topLeft.x, top), line);
        draw->AddText(textPos, ImGui::GetColorU32(ImGuiCol_Text), text);
    }

    Dialog& dialog_;
    SDL_Window* window_;
    bool ownContext_;
    SDL_GLContext context_;
    const GlSurface* surface_;  // the owner's, or null
    ImGuiStyle baseStyle_;
    double scale_ = 0;   // drawable pixels per picture pixel: the font's
    double layout_ = 0;  // ImGui's units (window points) per picture pixel
    ImGuiContext* previous_ = nullptr;
    ImGuiContext* imgui_ = nullptr;
    ImVector<ImWchar> ranges_;
    int averageWidth_ = 1;
    int charHeight_ = 1;
    int framesWanted_ = 0;
};

}  // namespace

std::unique_ptr<DialogView> MakeImGuiDialogView(Dialog& dialog, SDL_Window* window,
                                                SDL_GLContext ownerContext,
                                                const GlSurface* ownerSurface) {
    if (window == nullptr || openView != nullptr) {
        return nullptr;
    }
    if (ownerContext != nullptr) {
        return std::make_unique<ImGuiDialogView>(dialog, window, ownerContext, false, ownerSurface);
    }
    SDL_GLContext own = SDL_GL_CreateContext(window);
    if (own == nullptr) {
        return nullptr;  // nothing to draw with: the dialog runs unseen, Escape still cancels it
    }
    return std::make_unique<ImGuiDialogView>(dialog, window, own, true, nullptr);
}

void ReleaseDialogView(SDL_Window* window) {
    if (openView != nullptr && openView->Window() == window) {
        openView->Release();
    }
}

void DrawDialogOverlay(SDL_Window* window) {
    if (openView != nullptr && !openView->OwnContext() && openView->Window() == window) {
        openView->Frame();
    }
}

bool DialogTakesEvent(const SDL_Event& event) {
    return openView != nullptr && openView->Take(event);
}

}  // namespace platform
