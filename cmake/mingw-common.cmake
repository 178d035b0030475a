# Cross-compiling for Windows with mingw-w64, posix thread model. The
# per-architecture toolchain files set KESTRO_MINGW_ARCH and include this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KESTRO_MINGW_ARCH})
set(KESTRO_TRIPLET ${KESTRO_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRO_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRO_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRO_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRO_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Link zlib statically: the Debian package ships both libz.a and an import library.
set(ZLIB_USE_STATIC_LIBS ON)
