# A build's settings that make its binaries what they are (toolchain, build type, warnings as
# errors, the DLL's toolchain), read from its CMakeCache.txt and written as an initial cache
# (cmake -C) for another build configured the same way.  usage: sed -n -f preset-settings.sed
s/^\(CMAKE_TOOLCHAIN_FILE\|CMAKE_BUILD_TYPE\|CMAKE_COMPILE_WARNING_AS_ERROR\|LEGALPROMPT_DLL_TOOLCHAIN\):[A-Z]*=\(.*\)$/set(\1 "\2" CACHE STRING "")/p
