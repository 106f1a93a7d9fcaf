# The DLL for 64-bit Windows with the MSVC toolchain (clang-cl, lld-link, llvm-rc).
set(MSVC_TARGET x86_64-pc-windows-msvc)
set(MSVC_PROCESSOR AMD64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
# Wine's x64 headers define _InterlockedCompareExchange128, a clang builtin, under its own name;
# they need the MS extensions for their 64-bit types.
set(LEGALPROMPT_STANDIN_SDK_OPTIONS
    -D_InterlockedCompareExchange128=wine_InterlockedCompareExchange128 -DWIN32_LEAN_AND_MEAN)
include(${CMAKE_CURRENT_LIST_DIR}/clang-cl.cmake)
