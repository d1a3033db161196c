# Cross-build for 64-bit Windows with Debian's mingw-w64 compilers. The -posix variants: the
# win32 thread model has no std::thread or std::mutex, which GoogleTest needs. Programs built
# here run on this machine under Wine, which is how ctest runs the tests of this tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(XR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${XR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${XR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${XR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${XR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each tree has its own Wine prefix, so that it never meets the user's or another tree's.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh
    ${CMAKE_BINARY_DIR}/wine-prefix)

# Static: no compiler runtime DLL to ship beside the programs, nor to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
