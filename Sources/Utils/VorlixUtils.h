// Text helpers shared by the whole plug-in, on 8-bit strings (UTF-8 or raw bytes).
#pragma once

#include <string>
#include <vector>

// Cuts `text` at every `separator`. With keepEmpty == 1 empty pieces between separators (and an
// empty first piece) are kept; any other value drops every empty piece. A trailing empty piece
// is never produced.
std::vector<std::string> split(const std::string& text, char separator, int keepEmpty);

// Replaces every occurrence of `pattern` until none is left, searching again from the start after
// each replacement. `pattern` must not be empty and `replacement` must not contain it.
std::string replace(std::string text, const std::string& pattern, const std::string& replacement);

bool startswith(const std::string& text, const std::string& prefix);
bool endswith(const std::string& text, const std::string& suffix);

// Equality ignoring ASCII case.
bool str_cmp(const std::string& a, const std::string& b);

std::string intToString(int value);
