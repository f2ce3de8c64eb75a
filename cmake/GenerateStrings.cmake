# Turns the plug-in's string resources (INPUT: lines of the form "String<ID>" = "<text>"; with C
# escapes in the text) into one platform's form (OUTPUT):
#   FORMAT=table    a C++ source defining the table that the Linux lookup searches;
#   FORMAT=rc       a Windows resource script: a string table in US English (1033), UTF-8;
#   FORMAT=strings  a macOS Localizable.strings file: the same entries under the same keys.
# Usage: cmake -DFORMAT=... -DINPUT=... -DOUTPUT=... -P GenerateStrings.cmake
file(READ "${INPUT}" content)
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
#include \"Linux/StringTable.h\"

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
