# Cross-builds the macOS x86-64 deliverables on Linux. Zig's clang compiles
# against the macOS headers that Zig ships; ld64.lld links (Zig's own linker
# makes no bundles) against text stubs of the system libraries: the plug-in
# takes libc++ from /usr/lib as a Mac build does, the stand-in bus framework
# links Zig's libc++ statically.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The oldest macOS to run on is chosen as for a native build.
if(NOT CMAKE_OSX_DEPLOYMENT_TARGET)
    message(FATAL_ERROR "Set CMAKE_OSX_DEPLOYMENT_TARGET, as the macos-cross preset does")
endif()

execute_process(
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/install-zig.sh
    OUTPUT_VARIABLE _quayline_zig
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _quayline_zig_failed)
if(_quayline_zig_failed)
    message(FATAL_ERROR "Zig is not installed and install-zig.sh could not install it")
endif()

# The target names the OS version, since Zig ignores -mmacosx-version-min.
set(CMAKE_CXX_COMPILER ${_quayline_zig} c++)
set(CMAKE_CXX_COMPILER_TARGET x86_64-macos.${CMAKE_OSX_DEPLOYMENT_TARGET})
# Zig turns libc++'s availability checks off, as it links its own; with them
# on, using what the target's /usr/lib/libc++ lacks fails the compile.
set(CMAKE_CXX_FLAGS_INIT "-U_LIBCPP_HAS_NO_VENDOR_AVAILABILITY_ANNOTATIONS")

find_program(QUAYLINE_LD64 ld64.lld-14 REQUIRED)
# ld64.lld reads only an LLVM archive index; GNU ar's would leave the
# archives unreadable to it. Both tools come with Debian's llvm-14.
find_program(CMAKE_AR llvm-ar-14 REQUIRED)
find_program(CMAKE_RANLIB llvm-ranlib-14 REQUIRED)
set(CMAKE_USER_MAKE_RULES_OVERRIDE_CXX ${CMAKE_CURRENT_LIST_DIR}/ld64-link-rules.cmake)

