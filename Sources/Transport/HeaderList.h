// libcurl's header list for a request's lines. Used by the Transport layer only.
#pragma once

#include <string>
#include <vector>

struct curl_slist;

// The lines in the given order. Throws std::bad_alloc (after freeing what was built) when
// libcurl cannot extend the list.
curl_slist* headerList(const std::vector<std::string>& lines);
