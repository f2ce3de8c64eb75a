# The Linux string resources: Talvero.strings is compiled into the plug-in as a table of UTF-16
# texts by ID (Support/FMTemplate/Linux/StringTable.h).
set(TALVERO_STRINGS ${CMAKE_CURRENT_LIST_DIR}/Talvero.strings)
set(TALVERO_STRING_TABLE ${CMAKE_BINARY_DIR}/generated/StringTable.cpp)
add_custom_command(
    OUTPUT ${TALVERO_STRING_TABLE}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${TALVERO_STRINGS} -DOUTPUT=${TALVERO_STRING_TABLE}
            -P ${CMAKE_CURRENT_LIST_DIR}/GenerateStringTable.cmake
    DEPENDS ${TALVERO_STRINGS} ${CMAKE_CURRENT_LIST_DIR}/GenerateStringTable.cmake
    COMMENT "Generating the string table")
target_sources(talvero_core PRIVATE ${TALVERO_STRING_TABLE})
