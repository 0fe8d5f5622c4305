# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, for
# std::thread and std::mutex), run under Wine:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The tests run through Wine in a prefix inside the build folder
# (cmake/WineTesting.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TIDEWASH_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TIDEWASH_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIDEWASH_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TIDEWASH_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TIDEWASH_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
