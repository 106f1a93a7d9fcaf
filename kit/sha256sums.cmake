# Run last when the kit is installed: writes SHA256SUMS at the top of the kit, the sha256 of
# every file that the installation wrote, named as `sha256sum -c SHA256SUMS` reads them there.
# Only the kit's own files: a prefix that holds other things lists none of them.  The list of
# what was written names each file under the prefix, made absolute against the working folder
# (where a relative prefix lies) and without DESTDIR, under which the files really are.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(root "$ENV{DESTDIR}${prefix}")
set(files ${CMAKE_INSTALL_MANIFEST_FILES})
list(REMOVE_DUPLICATES files)
list(SORT files)
set(lines "")
foreach(file IN LISTS files)
    file(RELATIVE_PATH name "${prefix}" "${file}")
    if(name MATCHES "^\\.\\./|^/")
        message(FATAL_ERROR "${file} was installed outside the kit's folder ${prefix}")
    endif()
    file(SHA256 "$ENV{DESTDIR}${file}" hash)
    string(APPEND lines "${hash}  ${name}\n")
endforeach()
message(STATUS "Writing: ${root}/SHA256SUMS")
file(WRITE "${root}/SHA256SUMS" "${lines}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${prefix}/SHA256SUMS")
