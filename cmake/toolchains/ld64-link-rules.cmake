# Read after CMake's Darwin rules: every C++ link goes through zig-ld64, which
# calls ld64.lld with Zig's runtime for the target: libc++ through the stub
# that a link names, or else Zig's, statically.
set(_quayline_ld64
    "\"${CMAKE_CURRENT_LIST_DIR}/zig-ld64\" --zig \"${CMAKE_CXX_COMPILER}\" --target ${CMAKE_CXX_COMPILER_TARGET} --ld \"${QUAYLINE_LD64}\"")

set(CMAKE_CXX_LINK_EXECUTABLE
    "${_quayline_ld64} <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")
set(CMAKE_CXX_CREATE_SHARED_MODULE
    "${_quayline_ld64} <CMAKE_SHARED_MODULE_CREATE_CXX_FLAGS> <LINK_FLAGS> -o <TARGET> <OBJECTS> <LINK_LIBRARIES>")
set(CMAKE_CXX_CREATE_SHARED_LIBRARY
    "${_quayline_ld64} <CMAKE_SHARED_LIBRARY_CREATE_CXX_FLAGS> <LINK_FLAGS> -o <TARGET> <SONAME_FLAG> <TARGET_INSTALLNAME_DIR><TARGET_SONAME> <OBJECTS> <LINK_LIBRARIES>")
set(CMAKE_CXX_CREATE_MACOSX_FRAMEWORK "${CMAKE_CXX_CREATE_SHARED_LIBRARY}")
unset(_quayline_ld64)

# Zig's driver refuses -Wl,-v, which CMake's compiler check adds to compiles.
set(CMAKE_CXX_VERBOSE_FLAG "-v")
