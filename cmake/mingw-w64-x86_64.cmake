# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

# The cross-built pugixml and libzip live in the checkout's ignored .local folder.
get_filename_component(_zelmo_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(ZELMO_CROSS_PREFIX "${_zelmo_root}/.local/cross" CACHE PATH "Prefix of the cross-built libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX} ${ZELMO_CROSS_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${ZELMO_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs the Windows test programs through Wine (scripts/lib/wine-run sets up the prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR "${_zelmo_root}/scripts/lib/wine-run")

# Static zlib (libz.a), not the import library of zlib1.dll: the .exe files stand alone.
set(ZLIB_USE_STATIC_LIBS ON)
