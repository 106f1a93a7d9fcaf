# Signing on request.  With LEGALPROMPT_SIGN_PKCS12 naming a PKCS#12 file (a code-signing
# certificate and its key), every shipped program and DLL is signed with osslsigncode as soon as
# it is linked, so that whatever takes it in (the NSIS plug-ins, which carry the prompt program
# and the library inside, the kits and their checksums) takes the signed file.  Left empty,
# nothing is signed and every file is as it was.
set(LEGALPROMPT_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file whose certificate signs the shipped programs and DLLs; empty: no signing")
set(LEGALPROMPT_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File that holds the PKCS#12 file's password")
set(LEGALPROMPT_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server for the signatures")
if(LEGALPROMPT_SIGN_PKCS12)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    # Absolute, as the builds of the other width and of the MSVC toolchain run elsewhere.
    foreach(file LEGALPROMPT_SIGN_PKCS12 LEGALPROMPT_SIGN_PASSWORD_FILE)
        if(${file} AND NOT (IS_ABSOLUTE "${${file}}" AND EXISTS "${${file}}"))
            message(FATAL_ERROR "${file} must name an existing file by its absolute path, not '${${file}}'")
        endif()
    endforeach()
endif()
# The settings as cache arguments, for the builds of the other width and of the MSVC toolchain.
set(LEGALPROMPT_SIGN_ARGS -DLEGALPROMPT_SIGN_PKCS12=${LEGALPROMPT_SIGN_PKCS12}
    -DLEGALPROMPT_SIGN_PASSWORD_FILE=${LEGALPROMPT_SIGN_PASSWORD_FILE}
    -DLEGALPROMPT_SIGN_TIMESTAMP_URL=${LEGALPROMPT_SIGN_TIMESTAMP_URL})

function(legalprompt_sign target)
    if(LEGALPROMPT_SIGN_PKCS12)
        # A certificate renewed in the same file signs everything again.
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${LEGALPROMPT_SIGN_PKCS12}
            ${LEGALPROMPT_SIGN_PASSWORD_FILE})
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/sign.sh ${OSSLSIGNCODE} ${LEGALPROMPT_SIGN_PKCS12}
                "${LEGALPROMPT_SIGN_PASSWORD_FILE}" "${LEGALPROMPT_SIGN_TIMESTAMP_URL}" $<TARGET_FILE:${target}>
            VERBATIM)
    endif()
endfunction()
