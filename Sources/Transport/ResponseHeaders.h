// Reading the header lines of an answer. libcurl hands over every response it went through (an
// authentication challenge, an interim 100, a redirect) one block after another; what counts is
// the final response's block.
#pragma once

#include <string>
#include <string_view>

// The value of the header `name` (any case) in the final response, blanks around it trimmed
// (the first such line, where a response repeats it); empty when that response has none.
std::string finalHeader(std::string_view headers, std::string_view name);

// The reason phrase of the final status line ("Precondition Failed"); empty when it has none
// (HTTP/2 sends none).
std::string finalReasonPhrase(std::string_view headers);
