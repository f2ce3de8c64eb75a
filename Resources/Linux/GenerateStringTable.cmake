# Turns the string resources (INPUT, lines of the form "String<ID>" = "<text>";) into a C++
# source (OUTPUT) defining the table that the Linux string lookup searches.
# Usage: cmake -DINPUT=... -DOUTPUT=... -P GenerateStringTable.cmake
file(READ "${INPUT}" content)
# Semicolons separate CMake list items: hide them while the text is cut into lines.
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(entries "")
foreach(line IN LISTS lines)
    if(line MATCHES "^\"String([0-9]+)\" = \"(.*)\"@SEMICOLON@[ \t\r]*$")
        set(text "${CMAKE_MATCH_2}")
        string(REPLACE "@SEMICOLON@" ";" text "${text}")
        string(APPEND entries "    {${CMAKE_MATCH_1}, u\"${text}\"},\n")
    endif()
endforeach()

file(WRITE "${OUTPUT}"
"// Generated from ${INPUT}; do not edit.
#include \"Linux/StringTable.h\"

const StringTableEntry kStringTable[] = {
${entries}};
const std::size_t kStringTableSize = sizeof kStringTable / sizeof kStringTable[0];
")
