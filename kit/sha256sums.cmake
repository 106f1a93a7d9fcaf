# Run last when the kit is installed: writes SHA256SUMS at the top of the kit, the sha256 of
# every file that the installation wrote, named as `sha256sum -c SHA256SUMS` reads them there.
# Only the kit's own files: a prefix that holds other things lists none of them.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(files ${CMAKE_INSTALL_MANIFEST_FILES})
list(REMOVE_DUPLICATES files)
list(SORT files)
set(lines "")
foreach(file IN LISTS files)
    file(SHA256 "${file}" hash)
    file(RELATIVE_PATH name "${root}" "${file}")
    string(APPEND lines "${hash}  ${name}\n")
endforeach()
message(STATUS "Writing: ${root}/SHA256SUMS")
file(WRITE "${root}/SHA256SUMS" "${lines}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}/SHA256SUMS")
