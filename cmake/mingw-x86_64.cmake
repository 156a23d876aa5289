# Cross-compile for 64-bit Windows with the posix-threads MinGW-w64 toolchain: the same source and
# flags as the shipped i686 exe, for the Wine tier where a machine cannot run 32-bit code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
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
