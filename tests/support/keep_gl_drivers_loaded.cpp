// Linked into the sanitizer build of the game and into the tests that open a GL window. SDL unloads
// the GL and EGL libraries when it quits, before LeakSanitizer looks; the small leaks of Mesa's
// software driver then show up from an unnamed module that no suppression can match. Loaded here
// for good, they keep the names that tests/lsan.supp knows them by.
#include <dlfcn.h>

#include <initializer_list>

namespace {

[[gnu::constructor]] void KeepGlDriversLoaded() {
    for (const char* library : {"libGL.so.1", "libGLX_mesa.so.0", "libEGL.so.1", "libEGL_mesa.so.0",
                                "libglapi.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"}) {
        dlopen(library, RTLD_NOW | RTLD_NODELETE);
    }
}

}  // namespace
