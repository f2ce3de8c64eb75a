# Turns the plug-in's string resources (INPUT: lines of the form "String<ID>" = "<text>"; with C
# escapes in the text), and the prototypes of the function table (FUNCTIONS, when given: string
# ID + 100 for each function, see Resources/Functions.table), into one platform's form (OUTPUT):
#   FORMAT=table    a C++ source defining the table that the Linux lookup searches;
#   FORMAT=rc       a Windows resource script: a string table in US English (1033), UTF-8;
#   FORMAT=strings  a macOS Localizable.strings file: the same entries under the same keys.
# Usage: cmake -DFORMAT=... -DINPUT=... [-DFUNCTIONS=...] -DOUTPUT=... -P GenerateStrings.cmake
file(READ "${INPUT}" content)
if(FUNCTIONS)
    include(${CMAKE_CURRENT_LIST_DIR}/FunctionTable.cmake)
    talvero_read_function_table("${FUNCTIONS}" functions)
    foreach(row IN LISTS functions)
        string(REPLACE "|" ";" fields "${row}")
        list(GET fields 0 id)
        list(GET fields 4 prototype)
        math(EXPR string_id "${id} + 100")
        string(REPLACE "@SEMICOLON@" ";" prototype "${prototype}")
        string(APPEND content "\n\"String${string_id}\" = \"${prototype}\";")
    endforeach()
endif()
# Semicolons separate CMake list items: hide them while the text is cut into lines.
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(entries "")
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^\"String([0-9]+)\" = \"(.*)\"@SEMICOLON@[ \t\r]*$")
        continue()
    endif()
    set(id "${CMAKE_MATCH_1}")
    set(text "${CMAKE_MATCH_2}")
    string(REPLACE "@SEMICOLON@" ";" text "${text}")
    if(FORMAT STREQUAL "table")
        string(APPEND entries "    {${id}, u\"${text}\"},\n")
    elseif(FORMAT STREQUAL "rc")
        # A resource script writes a quote inside a text as two quotes; its other escapes are C's.
        string(REPLACE "\\\"" "\"\"" text "${text}")
        string(APPEND entries "    ${id}, \"${text}\"\n")
    elseif(FORMAT STREQUAL "strings")
        string(APPEND entries "\"String${id}\" = \"${text}\"@SEMICOLON@\n")
    else()
        message(FATAL_ERROR "FORMAT must be table, rc or strings, not '${FORMAT}'")
    endif()
endforeach()

if(FORMAT STREQUAL "table")
    file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.
#include \"Shell/Linux/StringTable.h\"

const StringTableEntry kStringTable[] = {
${entries}};
const std::size_t kStringTableSize = sizeof kStringTable / sizeof kStringTable[0];
")
elseif(FORMAT STREQUAL "rc")
    file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.
#pragma code_page(65001)

LANGUAGE 0x09, 0x01 // LANG_ENGLISH, SUBLANG_ENGLISH_US: 1033

STRINGTABLE
BEGIN
${entries}END
")
else()
    string(REPLACE "@SEMICOLON@" ";" entries "${entries}")
    file(WRITE "${OUTPUT}" "/* Generated from ${INPUT}; do not edit. */
${entries}")
endif()
