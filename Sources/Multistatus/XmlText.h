// Text as pugixml reads it with its default options, for a reader of XML of its own that must
// give the same texts: the predefined entities and character references replaced, every line
// end ("\r\n" or a lone "\r") made "\n".
#pragma once

#include <cstddef>
#include <string_view>

// The length of the reference at `at` (a '&') where pugixml replaces it: a predefined entity, or
// a character reference in decimal or lower-case "x" hexadecimal digits to a scalar value other
// than zero; 0 for any other, which pugixml keeps as written.
std::size_t referenceLength(const char* at, const char* end);

// `text` decoded where it lies (the decoded text is never longer): its references, each of which
// referenceLength takes, replaced and its line ends made "\n".
std::string_view decodedInPlace(std::string_view text);
