# Cross-build for Windows with Debian's MinGW-w64; included by mingw-i686.cmake and
# mingw-x86_64.cmake, which name the target.
set(CMAKE_SYSTEM_NAME Windows)
# The POSIX thread model: the test programs use std::thread and GoogleTest needs std::mutex;
# the DLL itself has no C runtime, so the thread model does not reach it.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
