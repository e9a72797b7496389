# The browser build with Debian's Emscripten. Libraries come from PUCKWIND_WEB_PREFIX, the prefix
# that scripts/build-web-deps.sh fills in the machine's cache and prints (make web passes it): SDL2
# and Dear ImGui, found through their pkg-config files as on Linux.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

if(NOT PUCKWIND_WEB_PREFIX)
  message(FATAL_ERROR "PUCKWIND_WEB_PREFIX is not set: make web sets it to the prefix "
                      "that scripts/build-web-deps.sh prints")
endif()
get_filename_component(PUCKWIND_WEB_PREFIX ${PUCKWIND_WEB_PREFIX} ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PUCKWIND_WEB_PREFIX)
list(APPEND CMAKE_FIND_ROOT_PATH ${PUCKWIND_WEB_PREFIX})

# pkg-config sees only the web prefix, never the machine's own .pc files.
set(ENV{PKG_CONFIG_LIBDIR} ${PUCKWIND_WEB_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Emscripten's optimiser runs on node and needs Debian's acorn, which a node from elsewhere does
# not look for.
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
