# Cross-compiling the Windows x64 build on Debian with mingw-w64 (posix thread model, so that
# std::thread and std::mutex are there). Everything is linked statically: the DLL and the test
# programs need no runtime DLL of the compiler. Tests run under Wine.
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

# On 64-bit Windows GCC cannot align the stack to more than 16 bytes, yet
# it spills AVX registers with aligned moves as if it could: the assembler turns those into
# unaligned moves, which cost nothing on aligned data. Nor may a caller assume which registers a
# function leaves alone from the copy it compiled itself: the linker keeps one copy of each inline
# function, possibly compiled elsewhere with other options (seen clobbering a loop counter).
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move -fno-ipa-ra")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
