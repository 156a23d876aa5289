# The MinGW-w64 cross-build shared by both toolchains: posix threads, a static runtime and zlib.
# The including toolchain sets PV_MINGW_PROCESSOR (i686 or x86_64) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${PV_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${PV_MINGW_PROCESSOR}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${PV_MINGW_PROCESSOR}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${PV_MINGW_PROCESSOR}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PV_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(ZLIB_USE_STATIC_LIBS ON) # the exe must not need zlib1.dll beside it
# Named outright, so a cache that once found the import library still links zlib statically: an
# imported zlib1.dll would be looked up first in the folder the elevated exe was started from.
set(ZLIB_LIBRARY ${CMAKE_FIND_ROOT_PATH}/lib/libz.a)
set(ZLIB_LIBRARY_RELEASE ${ZLIB_LIBRARY})
