# The one recipe for a program of this project without a C runtime: the library, the prompt
# programs, the custom action and the NSIS plug-ins.
#
#     add_no_runtime(target DLL|CONSOLE|GUI ENTRY name [SUBSYSTEM_VERSION v]
#                    [INTO_TEXT_32 sections...] [INTO_TEXT_64 sections...] SOURCES files...)
#
# ENTRY is the entry point as the source names it (a DLL's takes DllMain's three arguments, a
# program's none).  INTO_TEXT_32 and INTO_TEXT_64 are the read-only sections that join the code
# section when each object is compiled (a section costs 512 bytes of file): by default .rdata,
# and on x64 the unwind records (.xdata) too; the keyword alone for none.  Libraries and definitions are the caller's.
function(add_no_runtime target kind)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "ENTRY;SUBSYSTEM_VERSION" "SOURCES;INTO_TEXT_32;INTO_TEXT_64")
    if(kind STREQUAL DLL)
        add_library(${target} MODULE ${arg_SOURCES})
        set_target_properties(${target} PROPERTIES PREFIX "")
    else()
        add_executable(${target} ${arg_SOURCES})
    endif()
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/resources
        ${PROJECT_SOURCE_DIR}/common ${PROJECT_BINARY_DIR}/generated)
    if(MSVC)
        # Visual Studio's cl and link, or clang-cl and lld-link (the library alone is built
        # so): no security cookie, no default library, no intrinsics (a clearing loop stays a
        # loop), no run-time type information or exceptions; a content hash for the time stamp
        # (/Brepro), no manifest, no debug directory.  Read-only data (the names, the import and
        # export tables, the x64 unwind records) joins the code section.
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:/W4 /O1 /Oi- /GS- /GR- /EHs-c- /Zl /Brepro>)
        target_link_options(${target} PRIVATE /NODEFAULTLIB /ENTRY:${arg_ENTRY} /SUBSYSTEM:WINDOWS,4.0
            /Brepro /DYNAMICBASE /NXCOMPAT /MANIFEST:NO /DEBUG:NONE /OPT:REF /OPT:ICF /MERGE:.rdata=.text)
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            target_link_options(${target} PRIVATE /HIGHENTROPYVA)
        elseif(CMAKE_CXX_COMPILER_ID STREQUAL Clang)
            # MinGW's import libraries of the system DLLs, standing in for the SDK's, have no
            # SafeSEH tables; nothing here registers an exception handler.
            target_link_options(${target} PRIVATE /SAFESEH:NO)
        endif()
        return()
    endif()
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Os -fno-exceptions
        -fno-rtti -fno-stack-protector -fno-tree-loop-distribute-patterns -fno-ident>)
    target_link_options(${target} PRIVATE -nostdlib -s -Wl,--no-insert-timestamp
        -Wl,--dynamicbase -Wl,--nxcompat)
    if(kind STREQUAL CONSOLE)
        target_link_options(${target} PRIVATE -Wl,--subsystem,console${arg_SUBSYSTEM_VERSION})
    elseif(kind STREQUAL GUI OR arg_SUBSYSTEM_VERSION)
        target_link_options(${target} PRIVATE -Wl,--subsystem,windows${arg_SUBSYSTEM_VERSION})
    endif()
    if(LEGALPROMPT_ARCH STREQUAL win64)
        # x64 code carries unwind data for every function that calls another; its records are
        # read-only data like the rest.
        set(into_text .rdata .xdata)
        if(DEFINED arg_INTO_TEXT_64 OR INTO_TEXT_64 IN_LIST arg_KEYWORDS_MISSING_VALUES)
            set(into_text ${arg_INTO_TEXT_64})
        endif()
        target_link_options(${target} PRIVATE -Wl,--entry,${arg_ENTRY})
        if(kind STREQUAL DLL)
            target_link_options(${target} PRIVATE -Wl,--high-entropy-va)
        endif()
    else()
        set(into_text .rdata)
        if(DEFINED arg_INTO_TEXT_32 OR INTO_TEXT_32 IN_LIST arg_KEYWORDS_MISSING_VALUES)
            set(into_text ${arg_INTO_TEXT_32})
        endif()
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:-fno-asynchronous-unwind-tables -fno-unwind-tables>)
        if(kind STREQUAL DLL)
            # The stdcall fix-up binds an export list's plain names to the decorated symbols.
            target_link_options(${target} PRIVATE -Wl,--entry,_${arg_ENTRY}@12 -Wl,--enable-stdcall-fixup)
        else()
            target_link_options(${target} PRIVATE -Wl,--entry,_${arg_ENTRY})
        endif()
    endif()
    if(into_text)
        list(JOIN into_text " " sections)
        set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER
            "${PROJECT_SOURCE_DIR}/cmake/into-text.sh;${MINGW_TRIPLE}-objcopy;${sections}")
    endif()
endfunction()
