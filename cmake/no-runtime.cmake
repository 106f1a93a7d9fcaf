# A DLL of the kit with no C runtime, entry DllMain (the custom action, the NSIS plug-in):
# the same flags as the library's, and its read-only data joined to the code section when each
# object is compiled, as in the prompt programs.  Sources and libraries are the caller's.
function(add_no_runtime_module target)
    add_library(${target} MODULE ${ARGN})
    set_target_properties(${target} PROPERTIES PREFIX "")
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/common ${PROJECT_SOURCE_DIR}/resources
        ${PROJECT_BINARY_DIR}/generated)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Os -fno-exceptions
        -fno-rtti -fno-stack-protector -fno-tree-loop-distribute-patterns -fno-ident>)
    target_link_options(${target} PRIVATE -nostdlib -s -Wl,--no-insert-timestamp
        -Wl,--dynamicbase -Wl,--nxcompat)
    if(LEGALPROMPT_ARCH STREQUAL win64)
        target_link_options(${target} PRIVATE -Wl,--entry,DllMain -Wl,--high-entropy-va)
        set(into_text ".rdata .xdata")
    else()
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:-fno-asynchronous-unwind-tables -fno-unwind-tables>)
        set(into_text .rdata)
        target_link_options(${target} PRIVATE -Wl,--entry,_DllMain@12 -Wl,--enable-stdcall-fixup)
    endif()
    set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER
        "${PROJECT_SOURCE_DIR}/cmake/into-text.sh;${MINGW_TRIPLE}-objcopy;${into_text}")
endfunction()
