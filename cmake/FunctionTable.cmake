# talvero_read_function_table(FILE VARIABLE): reads the function table (Resources/Functions.table:
# ID, fewest arguments, most arguments, prototype, tab-separated; '#' starts a comment line) into
# VARIABLE, a list of rows "ID|MIN|MAX|NAME|PROTOTYPE", where NAME is the prototype's text before
# its parenthesis and the prototype's semicolons are written @SEMICOLON@ (CMake's list
# separator). A malformed line stops the build with its text; a prototype holds no quote or
# backslash, so that it goes into every platform's string resources as it is.
function(talvero_read_function_table file variable)
    file(READ "${file}" content)
    string(REPLACE ";" "@SEMICOLON@" content "${content}")
    string(REPLACE "\n" ";" lines "${content}")
    set(rows "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "\r$" "" line "${line}")
        if(line MATCHES "^#" OR line STREQUAL "")
            continue()
        endif()
        if(NOT line MATCHES "^([0-9]+)\t([0-9]+)\t([0-9]+)\t(([A-Za-z_]+) *\\([^\"\\|]*\\))$")
            message(FATAL_ERROR "${file}: not a function row: '${line}'")
        endif()
        list(APPEND rows
             "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_3}|${CMAKE_MATCH_5}|${CMAKE_MATCH_4}")
    endforeach()
    set(${variable} "${rows}" PARENT_SCOPE)
endfunction()

# talvero_generate_function_table(FILE OUTPUT_DIR): writes, from the function table FILE, into
# OUTPUT_DIR (at configure time; a changed table configures again):
#   FunctionRows.inc     one TALVERO_FUNCTION(ID, MIN, MAX, NAME) per function, for the table the
#                        plug-in registers;
#   FunctionHandlers.h   the declaration of each function's handler (Functions/Frame.h).
function(talvero_generate_function_table file output_dir)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    talvero_read_function_table("${file}" functions)
    set(rows "")
    set(declarations "")
    foreach(row IN LISTS functions)
        string(REPLACE "|" ";" fields "${row}")
        list(GET fields 0 id)
        list(GET fields 1 min)
        list(GET fields 2 max)
        list(GET fields 3 name)
        string(APPEND rows "TALVERO_FUNCTION(${id}, ${min}, ${max}, ${name})\n")
        string(APPEND declarations "extern const Handler ${name};\n")
    endforeach()
    set(header "// Generated from ${file}; do not edit.\n")
    # Written only when changed, so that an unchanged table rebuilds nothing.
    file(CONFIGURE OUTPUT "${output_dir}/FunctionRows.inc" CONTENT "${header}${rows}")
    file(CONFIGURE OUTPUT "${output_dir}/FunctionHandlers.h"
         CONTENT "${header}#pragma once\n\n#include \"Functions/Frame.h\"\n\n${declarations}")
endfunction()
