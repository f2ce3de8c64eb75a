# Fails when a file includes a header against the direction of the layers. Run with
#   -DSOURCE_DIR=<repository> -DLAYERS=<layer folders under Sources/, lowest first>
# A file of Sources/<layer> (at any depth) may include headers of its own layer and the layers
# below it. A file under Support/ may include nothing of Sources/.
#
# Every include form is read: "Layer/x.h" and <Layer/x.h>, with blanks anywhere around the
# directive and inside the quotes or brackets, "\" as well as "/", relative paths
# ("../Layer/x.h", resolved against the including file's folder for the quoted form), and paths
# that name Sources/ itself ("../../Sources/Layer/x.h", <Sources/Layer/x.h>).
cmake_minimum_required(VERSION 3.20)

set(directive "^[ \t]*#[ \t]*include[ \t]*[<\"]")

# The layer that an include names, or "" when it names none.
#   included_layer(RESULT FILE FORM PATH): FORM is " or <, PATH as written between the delimiters.
function(included_layer result file form path)
    string(REPLACE "\\" "/" path "${path}")
    set(layer "")
    if(form STREQUAL "\"" AND path MATCHES "^\\.\\.?/")
        # A quoted relative path is looked for first beside the including file.
        get_filename_component(folder "${file}" DIRECTORY)
        cmake_path(SET resolved NORMALIZE "${folder}/${path}")
        cmake_path(IS_PREFIX SOURCE_DIR "${resolved}" NORMALIZE inside)
        if(inside)
            file(RELATIVE_PATH path "${SOURCE_DIR}" "${resolved}")
        endif()
    endif()
    # What the include folders would resolve: the path without leading "./", "../" and "Sources/".
    string(REGEX REPLACE "^((\\.\\.?|Sources)/+)+" "" path "${path}")
    string(REGEX MATCH "^[^/]+/" first "${path}")
    string(REGEX REPLACE "/$" "" first "${first}")
    if(first AND first IN_LIST LAYERS)
        set(layer "${first}")
    endif()
    set(${result} "${layer}" PARENT_SCOPE)
endfunction()

# check_files(WHO MAY FILES...): reports each include of a layer outside MAY, the layers that WHO
# (the files' owner, for the message) may include.
set(violations "")
function(check_files who may)
    foreach(file IN LISTS ARGN)
        file(STRINGS "${file}" lines REGEX "${directive}")
        foreach(line IN LISTS lines)
            if(NOT line MATCHES "${directive}[ \t]*([^>\" \t]([^>\"]*[^>\" \t])?)[ \t]*[>\"]")
                continue()
            endif()
            set(path "${CMAKE_MATCH_1}")
            string(REGEX MATCH "[<\"]" form "${line}")
            included_layer(used "${file}" "${form}" "${path}")
            if(used AND NOT used IN_LIST may)
                file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
                string(STRIP "${line}" line)
                if(may)
                    string(JOIN ", " allowed ${may})
                    set(allowed "only ${allowed}")
                else()
                    set(allowed "nothing of Sources/")
                endif()
                string(APPEND violations "\n  ${shown}: ${line}\n    ${who} may include ${allowed}")
            endif()
        endforeach()
    endforeach()
    set(violations "${violations}" PARENT_SCOPE)
endfunction()

function(files_under result folder)
    file(GLOB_RECURSE found "${folder}/*.h" "${folder}/*.hpp" "${folder}/*.inl" "${folder}/*.c"
        "${folder}/*.cc" "${folder}/*.cpp" "${folder}/*.mm")
    set(${result} ${found} PARENT_SCOPE)
endfunction()

set(may "")
foreach(layer IN LISTS LAYERS)
    list(APPEND may ${layer})
    files_under(files "${SOURCE_DIR}/Sources/${layer}")
    check_files("the ${layer} layer" "${may}" ${files})
endforeach()

files_under(support_files "${SOURCE_DIR}/Support")
check_files("Support/" "" ${support_files})

if(violations)
    message(FATAL_ERROR "Layer violation: an include against the direction of the layers${violations}")
endif()
