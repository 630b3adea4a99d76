# Tool chain for the Windows build from Debian: the mingw-w64 cross compilers of the package
# g++-mingw-w64-x86-64-posix (the POSIX thread model, which std::thread and std::mutex need).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(kv_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${kv_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kv_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${kv_mingw_prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${kv_mingw_prefix})
# Programs (javac, jar, gzip) come from the build machine; libraries and headers from the target.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
