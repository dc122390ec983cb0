# Run by CPack once the release package is made: prints the SHA-256 of each
# file it made, for the download page and for anyone checking a download.
foreach(made IN LISTS CPACK_PACKAGE_FILES)
    file(SHA256 "${made}" sum)
    get_filename_component(name "${made}" NAME)
    message(STATUS "SHA-256 ${sum}  ${name}")
endforeach()
