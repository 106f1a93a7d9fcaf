# The DLL with the MSVC toolchain, on Linux: clang-cl, lld-link and llvm-rc from LLVM 14.  No
# Windows SDK here: Wine's Windows headers and MinGW's import libraries of the system DLLs
# stand in for it.  Included by clang-cl-i686.cmake and clang-cl-x86_64.cmake, which name the
# target.  On Windows, Visual Studio's generator builds the same project with the real tools.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MSVC_PROCESSOR})
find_program(CLANG_CL NAMES clang-cl clang-cl-14 REQUIRED)
find_program(LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
find_program(LLVM_RC NAMES llvm-rc llvm-rc-14 REQUIRED)
set(CMAKE_C_COMPILER ${CLANG_CL})
set(CMAKE_CXX_COMPILER ${CLANG_CL})
set(CMAKE_RC_COMPILER ${LLVM_RC})
set(CMAKE_LINKER ${LLD_LINK})
set(CMAKE_C_COMPILER_TARGET ${MSVC_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${MSVC_TARGET})
# No manifest tool; the DLL carries no manifest.
set(CMAKE_MT "")

set(wine_headers /usr/include/wine/wine)
set(mingw_libraries /usr/${MINGW_TRIPLE}/lib)
foreach(language C CXX RC)
    set(CMAKE_${language}_STANDARD_INCLUDE_DIRECTORIES ${wine_headers}/windows ${wine_headers}/msvcrt)
endforeach()
# Wine's headers in MSVC mode define functions that clang has as builtins; the toolchain of
# each width says how it avoids them (LEGALPROMPT_STANDIN_SDK_OPTIONS), for the project's
# sources only.
# MinGW names its import libraries libkernel32.a, not kernel32.lib: the project links them by
# path, and CMake neither links its compiler checks nor adds the SDK's default libraries.
set(LEGALPROMPT_STANDIN_SDK_LIBRARIES
    ${mingw_libraries}/libkernel32.a ${mingw_libraries}/libuser32.a ${mingw_libraries}/libgdi32.a)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
