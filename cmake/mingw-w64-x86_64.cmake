# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread
# and GoogleTest need). Programs are linked statically, so that an .exe
# runs on Windows and under wine64 without the toolchain's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
set(CMAKE_STRIP /usr/bin/${MINGW_TRIPLET}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Windows 7 and later: GetFinalPathNameByHandleW, FILE_BASIC_INFO.
add_compile_definitions(_WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE
                        _USE_MATH_DEFINES)  # M_PI, as glibc gives it

# The tests run under wine64 (scripts/run-under-wine.sh sets its prefix up).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-under-wine.sh)

# GCC 12's libstdc++ string copies raise a false -Wrestrict (GCC bug
# 105329) and, for the MinGW string layout, false -Wmaybe-uninitialized in
# whole-struct assignments (Settings::Reset), which -Werror would make fatal.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict -Wno-maybe-uninitialized")
# -O2, as the Linux build (RelWithDebInfo).
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
