# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-win32).
# The -win32 compilers use the win32 thread model, so nothing built here
# depends on a pthread DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(QUAYLINE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUAYLINE_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QUAYLINE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${QUAYLINE_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${QUAYLINE_MINGW_TRIPLE}-dlltool)

# Headers and libraries come from the MinGW sysroot only; build tools
# (Python, the test readers) still come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUAYLINE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows looks for a DLL's own dependencies beside the program, not beside
# the DLL, so nothing built here may need the MinGW runtime DLLs: the C++
# runtime is linked in, the C runtime is the system's msvcrt.dll.
set(quayline_static_runtime "-static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${quayline_static_runtime})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${quayline_static_runtime})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${quayline_static_runtime})
