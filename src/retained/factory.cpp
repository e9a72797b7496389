// The factory, the clipper, and the driver table with its search.
//
// Offers: CreateFactory (CreateFrame, CreateMeshBuilder, CreateLightRGB, CreateViewport,
// CreateDeviceFromClipper, LoadTextureFromResource, the default texture shades and colours);
// CreateClipper (SetHWnd); DefaultDrivers, SetDriverTable, DriverTable; QueryDirect3D
// (FindDevice).
#include "platform/window/window.h"
#include "retained/internal.h"

namespace retained {

namespace {

constexpr unsigned ALL_DEPTHS =
    platform::DDBD_8 | platform::DDBD_16 | platform::DDBD_24 | platform::DDBD_32;

constexpr DriverInfo DEFAULT_DRIVERS[] = {
    {DRIVER_HARDWARE_RGB,
     "Hardware RGB",
     true,
     {1, COLOR_RGB, platform::DDBD_16 | platform::DDBD_24 | platform::DDBD_32},
     true},
    {DRIVER_SOFTWARE_MONO, "Software mono", false, {1, COLOR_MONO, ALL_DEPTHS}, true},
    {DRIVER_SOFTWARE_RGB, "Software RGB", false, {1, COLOR_RGB, ALL_DEPTHS}, true},
};

std::span<const DriverInfo> driverTable = DEFAULT_DRIVERS;

class FactoryImpl final : public Factory {
  public:
    int CreateFrame(Frame* parent, Frame** out) override {
        if (out == nullptr) {
            return RMERR_BADVALUE;
        }
        auto* frame = new FrameImpl();
        if (parent != nullptr) {
            static_cast<FrameImpl*>(parent)->AttachChild(frame);
        }
        *out = frame;
        return RM_OK;
    }

    int CreateMeshBuilder(MeshBuilder** out) override {
        if (out == nullptr) {
            return RMERR_BADVALUE;
        }
        *out = new MeshImpl();
        return RM_OK;
    }

    int CreateLightRGB(LightType type, Value red, Value green, Value blue, Light** out) override {
        if (out == nullptr || (type != LIGHT_AMBIENT && type != LIGHT_DIRECTIONAL)) {
            return RMERR_BADVALUE;
        }
        *out = new LightImpl(type, {red, green, blue});
        return RM_OK;
    }

    int CreateViewport(Device* device, Frame* camera, int x, int y, int width, int height,
                       Viewport** out) override {
        if (out == nullptr) {
            return RMERR_BADVALUE;
        }
        if (device == nullptr || camera == nullptr) {
            return RMERR_BADOBJECT;
        }
        return CreateViewportOn(device, static_cast<FrameImpl*>(camera), x, y, width, height, out);
    }

    int CreateDeviceFromClipper(Clipper* clipper, const Guid* driver, int width, int height,
                                Device** out) override {
        if (out == nullptr || width <= 0 || height <= 0) {
            return RMERR_BADVALUE;
        }
        if (clipper == nullptr || clipper->GetHWnd() == nullptr) {
            return RMERR_BADOBJECT;
        }
        const DriverInfo* chosen = nullptr;
        for (const DriverInfo& info : driverTable) {
            if (driver == nullptr ? info.canCreate : info.guid == *driver) {
                chosen = &info;
                break;
            }
        }
        if (chosen == nullptr) {
            return RMERR_NOTFOUND;
        }
        if (!chosen->canCreate) {
            return RMERR_NODEVICE;
        }
        return CreateDevice(static_cast<ClipperImpl*>(clipper), *chosen, width, height, out);
    }

    int LoadTextureFromResource(std::string_view name, std::string_view type,
                                Texture** out) override {
        if (out == nullptr) {
            return RMERR_BADVALUE;
        }
        const auto bytes = platform::FindResource(type, name);
        if (!bytes) {
            return RMERR_NOTFOUND;
        }
        const auto layout = ReadBmp24Layout(*bytes);
        if (!layout) {
            return RMERR_BADFILE;
        }
        *out = new TextureImpl(*bytes, *layout, textureShades_, textureColors_);
        return RM_OK;
    }

    int SetDefaultTextureShades(unsigned shades) override {
        if (shades < 2) {
            return RMERR_BADVALUE;
        }
        textureShades_ = shades;
        return RM_OK;
    }

    int SetDefaultTextureColors(unsigned colors) override {
        textureColors_ = colors;
        return RM_OK;
    }

  private:
    unsigned textureShades_ = DEFAULT_TEXTURE_SHADES;
    unsigned textureColors_ = DEFAULT_TEXTURE_COLORS;
};

class Direct3DImpl final : public Direct3D {
  public:
    explicit Direct3DImpl(platform::DirectDraw* directDraw) : directDraw_(directDraw) {
        directDraw_->AddRef();
    }

    int FindDevice(const FindDeviceSearch& search, FindDeviceResult* result) override {
        if (result == nullptr) {
            return RMERR_BADVALUE;
        }
        // Hardware first, as a search without a preference should find the fastest driver.
        for (const bool hardware : {true, false}) {
            for (const DriverInfo& info : driverTable) {
                if (info.hardware == hardware && Matches(info, search)) {
                    *result = {};
                    result->guid = info.guid;
                    (hardware ? result->hardwareDesc : result->softwareDesc) = info.desc;
                    return RM_OK;
                }
            }
        }
        return RMERR_NOTFOUND;
    }

  private:
    ~Direct3DImpl() override { directDraw_->Release(); }

    static bool Matches(const DriverInfo& info, const FindDeviceSearch& search) {
        if ((search.flags & FDS_COLORMODEL) != 0 &&
            (info.desc.colorModel & search.colorModel) == 0) {
            return false;
        }
        return (search.flags & FDS_HARDWARE) == 0 || info.hardware == search.hardware;
    }

    platform::DirectDraw* directDraw_;  // one reference held
};

}  // namespace

int CreateFactory(Factory** out) {
    if (out == nullptr) {
        return RMERR_BADVALUE;
    }
    *out = new FactoryImpl();
    return RM_OK;
}

int CreateClipper(Clipper** out) {
    if (out == nullptr) {
        return RMERR_BADVALUE;
    }
    *out = new ClipperImpl();
    return RM_OK;
}

int ClipperImpl::SetHWnd(unsigned flags, platform::HWND hwnd) {
    if (flags != 0 || !platform::IsWindow(hwnd)) {
        return RMERR_BADVALUE;
    }
    hwnd_ = hwnd;
    return RM_OK;
}

std::span<const DriverInfo> DefaultDrivers() {
    return DEFAULT_DRIVERS;
}

void SetDriverTable(std::span<const DriverInfo> drivers) {
    driverTable = drivers.empty() ? std::span<const DriverInfo>(DEFAULT_DRIVERS) : drivers;
}

std::span<const DriverInfo> DriverTable() {
    return driverTable;
}

int QueryDirect3D(platform::DirectDraw* directDraw, Direct3D** out) {
    if (out == nullptr) {
        return RMERR_BADVALUE;
    }
    if (directDraw == nullptr) {
        return RMERR_BADOBJECT;
    }
    *out = new Direct3DImpl(directDraw);
    return RM_OK;
}

}  // namespace retained
