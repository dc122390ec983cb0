# Makes the README.md of the release package from the source tree's: the
# introduction and the sections for someone who has the download, without
# the pictures and the sections on building and testing, which name files
# the package does not hold.
#   cmake -DIN=README.md -DOUT=package/README.md -P package-readme.cmake
set(kept_sections "Install on Windows" "Uninstall")

file(STRINGS "${IN}" lines ENCODING UTF-8)
set(out "")
set(keep TRUE)
foreach(line IN LISTS lines)
    if(line MATCHES "^## (.*)$")
        list(FIND kept_sections "${CMAKE_MATCH_1}" found)
        if(found EQUAL -1)
            set(keep FALSE)
        else()
            set(keep TRUE)
        endif()
    endif()
    if(keep)
        string(APPEND out "${line}\n")
    endif()
endforeach()
string(APPEND out "## Building from source\n\nBuilding, testing and measuring are described in the README.md of the\nsource tree, beside the code.\n")
if(out MATCHES "\\]\\(")
    message(FATAL_ERROR "the package README links to something the package does not hold")
endif()
file(WRITE "${OUT}" "${out}")
