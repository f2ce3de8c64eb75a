# talvero_string_resource(FORMAT OUTPUT [INPUT strings-file]): generates OUTPUT, one platform's
# form of the string resources (see GenerateStrings.cmake), from Resources/Talvero.strings and the
# prototypes of Resources/Functions.table, or from INPUT alone, again whenever a source or the
# generator changes.
set(TALVERO_STRINGS ${CMAKE_CURRENT_LIST_DIR}/../Resources/Talvero.strings)
set(TALVERO_FUNCTIONS ${CMAKE_CURRENT_LIST_DIR}/../Resources/Functions.table)
set(TALVERO_STRINGS_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/GenerateStrings.cmake)

function(talvero_string_resource format output)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "INPUT" "")
    set(functions "")
    if(NOT arg_INPUT)
        set(arg_INPUT ${TALVERO_STRINGS})
        set(functions ${TALVERO_FUNCTIONS})
    endif()
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DFORMAT=${format} -DINPUT=${arg_INPUT} -DFUNCTIONS=${functions}
                -DOUTPUT=${output} -P ${TALVERO_STRINGS_GENERATOR}
        DEPENDS ${arg_INPUT} ${functions} ${TALVERO_STRINGS_GENERATOR}
                ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/FunctionTable.cmake
        COMMENT "Generating ${output}"
        VERBATIM)
endfunction()
