// Entity tags are kept without their double quotes (a weak one as W/x); HTTP wants them quoted.
#pragma once

#include <string>

// The tag as an "If-Match" header needs it: `abc` gives `"abc"`, `W/x` gives `W/"x"`; a tag that
// already begins with a double quote or with `W/"` is returned as it is. CR and LF are dropped
// so that a tag can never end the header line early.
std::string quotedEntityTag(const std::string& tag);
