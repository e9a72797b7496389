// What a backend offers when it does not say otherwise: no OpenGL surface, and no view of a
// dialog (which then runs on what its caller does to it). The default timer is in timer/.
#include "platform/dialog/dialog.h"
#include "platform/platform.h"

namespace platform {

std::unique_ptr<GlSurface> Backend::CreateGlSurface(HWND) {
    return nullptr;
}

std::unique_ptr<DialogView> Backend::OpenDialogView(Dialog&) {
    return nullptr;
}

}  // namespace platform
