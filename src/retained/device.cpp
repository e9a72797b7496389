// The device and its viewports: what draws a scene tree into a window.
//
// Offers: CreateDevice (a device on the clipper's window, for one driver of the table: quality,
// shades, dither, size, Update, ReadImage, the window side HandleActivate/HandlePaint) and
// CreateViewportOn (front, back, field, Clear, Render, Transform).
#include "retained/gl_renderer.h"

namespace retained {

namespace {

class DeviceImpl final : public Device, public WinDevice {
  public:
    DeviceImpl(std::shared_ptr<Renderer> renderer, platform::HWND window, const DriverInfo& driver,
               int width, int height)
        : renderer_(std::move(renderer)),
          window_(window),
          guid_(driver.guid),
          colorModel_((driver.desc.colorModel & COLOR_RGB) != 0 ? COLOR_RGB : COLOR_MONO),
          width_(width),
          height_(height) {}

    unsigned AddRef() override { return Object::AddRef(); }
    unsigned Release() override { return Object::Release(); }

    int SetQuality(unsigned quality) override {
        quality_ = quality;
        return RM_OK;
    }
    unsigned GetQuality() const override { return quality_; }
    int SetShades(unsigned shades) override {
        if (shades < 2) {
            return RMERR_BADVALUE;
        }
        shades_ = shades;
        return RM_OK;
    }
    unsigned GetShades() const override { return shades_; }
    int SetDither(bool on) override {
        dither_ = on;
        return RM_OK;
    }
    bool GetDither() const override { return dither_; }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }
    ColorModel GetColorModel() const override { return colorModel_; }
    const Guid& GetDriverGuid() const override { return guid_; }
    int Update() override {
        renderer_->Present();
        return RM_OK;
    }
    int ReadImage(std::span<Color> out) override {
        return renderer_->ReadImage(out) ? RM_OK : RMERR_BADVALUE;
    }
    int QueryWinDevice(WinDevice** out) override {
        if (out == nullptr) {
            return RMERR_BADVALUE;
        }
        AddRef();
        *out = this;
        return RM_OK;
    }

    int HandleActivate(unsigned activeState) override {
        if ((activeState & 0xFFFF) != platform::WA_INACTIVE) {
            renderer_->MakeCurrent();
        }
        return RM_OK;
    }
    int HandlePaint(platform::HWND paintTarget) override {
        if (paintTarget != window_) {
            return RMERR_BADVALUE;
        }
        renderer_->MakeCurrent();
        return RM_OK;
    }

    Renderer& Draw() { return *renderer_; }
    DrawState Settings() const {
        DrawState state;
        state.quality = quality_;
        state.shades = shades_;
        state.mono = colorModel_ == COLOR_MONO;
        state.dither = dither_;
        return state;
    }

  private:
    ~DeviceImpl() override = default;

    std::shared_ptr<Renderer> renderer_;
    platform::HWND window_;
    Guid guid_;
    ColorModel colorModel_;
    int width_;
    int height_;
    unsigned quality_ = RENDER_FLAT;
    unsigned shades_ = DEFAULT_DEVICE_SHADES;
    bool dither_ = true;
};

void CollectLights(const FrameImpl& frame, const Matrix& world, DrawState& state) {
    for (const LightImpl* light : frame.Lights()) {
        const Vector color = light->GetColor();
        if (light->GetType() == LIGHT_AMBIENT) {
            state.ambient = Add(state.ambient, color);
        } else if (state.lightCount < MAX_DIRECTIONAL_LIGHTS) {
            state.lightDirection[state.lightCount] = Normalize(Row(world, 2));
            state.lightColor[state.lightCount] = color;
            ++state.lightCount;
        }
    }
    for (const FrameImpl* child : frame.Children()) {
        CollectLights(*child, Multiply(child->DrawnTransform(), world), state);
    }
}

void DrawTree(Renderer& renderer, const FrameImpl& frame, const Matrix& world) {
    for (MeshImpl* visual : frame.Visuals()) {
        renderer.Draw(*visual, world);
    }
    for (const FrameImpl* child : frame.Children()) {
        DrawTree(renderer, *child, Multiply(child->DrawnTransform(), world));
    }
}

class ViewportImpl final : public Viewport {
  public:
    ViewportImpl(DeviceImpl* device, FrameImpl* camera, int x, int y, int width, int height)
        : device_(device), camera_(camera), x_(x), y_(y), width_(width), height_(height) {
        device_->AddRef();
        camera_->AddRef();
    }

    int SetFront(Value front) override {
        if (!(front > 0)) {
            return RMERR_BADVALUE;
        }
        front_ = front;
        return RM_OK;
    }
    int SetBack(Value back) override {
        if (!(back > 0)) {
            return RMERR_BADVALUE;
        }
        back_ = back;
        return RM_OK;
    }
    int SetField(Value field) override {
        if (!(field > 0)) {
            return RMERR_BADVALUE;
        }
        field_ = field;
        return RM_OK;
    }
    Value GetFront() const override { return front_; }
    Value GetBack() const override { return back_; }
    Value GetField() const override { return field_; }

    int Clear() override {
        device_->Draw().Clear(x_, y_, width_, height_, camera_->Root()->GetSceneBackground());
        return RM_OK;
    }

    int Render(Frame* frame) override {
        if (frame == nullptr) {
            return RMERR_BADOBJECT;
        }
        if (!(back_ > front_)) {
            return RMERR_BADVALUE;
        }
        const auto& root = *static_cast<FrameImpl*>(frame);
        const Matrix world = root.World();
        DrawState state = device_->Settings();
        state.viewProjection = Multiply(RigidInverse(camera_->World()), Projection());
        CollectLights(root, world, state);
        Renderer& renderer = device_->Draw();
        renderer.Begin(x_, y_, width_, height_, state);
        DrawTree(renderer, root, world);
        return RM_OK;
    }

    int Transform(const Vector& world, Vector* screen) override {
        if (screen == nullptr) {
            return RMERR_BADVALUE;
        }
        const Vector p = TransformPoint(world, RigidInverse(camera_->World()));
        if (!(p.z > 0)) {
            return RMERR_BADVALUE;
        }
        *screen = {x_ + width_ * 0.5f * (1 + ScaleX() * p.x / p.z),
                   y_ + height_ * 0.5f * (1 - ScaleY() * p.y / p.z), p.z};
        return RM_OK;
    }

  private:
    ~ViewportImpl() override {
        camera_->Release();
        device_->Release();
    }

    // The front plane spans +-field across the larger dimension: x and y in camera space, at
    // distance z, land at (x / z) * (front / field) of the half-extent of the larger side.
    Value ScaleX() const {
        return front_ / field_ * static_cast<Value>(std::max(width_, height_)) / width_;
    }
    Value ScaleY() const {
        return front_ / field_ * static_cast<Value>(std::max(width_, height_)) / height_;
    }

    // Camera space to clip space: w = z, depth -1 at front and +1 at back.
    Matrix Projection() const {
        Matrix p{};
        p.m[0][0] = ScaleX();
        p.m[1][1] = ScaleY();
        p.m[2][2] = (back_ + front_) / (back_ - front_);
        p.m[2][3] = 1;
        p.m[3][2] = -2 * back_ * front_ / (back_ - front_);
        return p;
    }

    DeviceImpl* device_;  // one reference held
    FrameImpl* camera_;   // one reference held
    int x_;
    int y_;
    int width_;
    int height_;
    Value front_ = 1;
    Value back_ = 100;
    Value field_ = 0.5f;
};

}  // namespace

int CreateDevice(ClipperImpl* clipper, const DriverInfo& driver, int width, int height,
                 Device** out) {
    auto surface = platform::CurrentBackend().CreateGlSurface(clipper->GetHWnd());
    if (surface == nullptr) {
        return RMERR_NODEVICE;
    }
    auto renderer = Renderer::Create(std::move(surface), width, height);
    if (renderer == nullptr) {
        return RMERR_NODEVICE;
    }
    *out = new DeviceImpl(std::move(renderer), clipper->GetHWnd(), driver, width, height);
    return RM_OK;
}

int CreateViewportOn(Device* device, FrameImpl* camera, int x, int y, int width, int height,
                     Viewport** out) {
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x + width > device->GetWidth() ||
        y + height > device->GetHeight()) {
        return RMERR_BADVALUE;
    }
    *out = new ViewportImpl(static_cast<DeviceImpl*>(device), camera, x, y, width, height);
    return RM_OK;
}

}  // namespace retained
