// The named components of the structured properties: the parts of an ADR, N or GEO value, in
// the order the value holds them.
#pragma once

#include <string>
#include <vector>

// The component names of ADR, N and GEO in value order; empty for every other property name.
const std::vector<std::string>& componentNames(const std::string& property);
