# The DLL for 32-bit Windows with the MSVC toolchain (clang-cl, lld-link, llvm-rc).
set(MSVC_TARGET i686-pc-windows-msvc)
set(MSVC_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
# Wine's 32-bit _Interlocked*64 functions are clang builtins; without MS extensions the
# headers take their GCC path.  (Not for CMake's own checks: clang then does not define
# _MSC_VER, by which CMake knows an MSVC-like compiler.)
set(LEGALPROMPT_STANDIN_SDK_OPTIONS -fno-ms-extensions -DWIN32_LEAN_AND_MEAN)
include(${CMAKE_CURRENT_LIST_DIR}/clang-cl.cmake)
