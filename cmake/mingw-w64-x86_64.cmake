# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix-threads variant (std::thread,
# std::mutex and std::jthread need it). Libraries come from PUCKWIND_WINDOWS_PREFIX, the prefix
# that scripts/build-windows-deps.sh fills in the machine's cache and prints (make windows passes
# it): SDL2, libepoxy, FreeType and Dear ImGui, found through their pkg-config files as on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

if(NOT PUCKWIND_WINDOWS_PREFIX)
  message(FATAL_ERROR "PUCKWIND_WINDOWS_PREFIX is not set: make windows sets it to the prefix "
                      "that scripts/build-windows-deps.sh prints")
endif()
get_filename_component(PUCKWIND_WINDOWS_PREFIX ${PUCKWIND_WINDOWS_PREFIX} ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PUCKWIND_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${PUCKWIND_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the cross prefix, never the machine's own .pc files.
set(ENV{PKG_CONFIG_LIBDIR} ${PUCKWIND_WINDOWS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
