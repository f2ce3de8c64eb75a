// The responses a listing batch reads as, one line each, and what pugixml's document of a batch
// reads as: for the plain scanner's tests and the multistatus fuzz target alike.
#pragma once

#include "Multistatus/ListedResponse.h"

#include <deque>
#include <string>
#include <vector>

inline std::string linesOf(const std::vector<ListedResponse>& responses) {
    std::string lines;
    for (const ListedResponse& r : responses) {
        lines += std::string(r.href) + "|" + std::to_string(r.status) + (r.hasProp ? "|p" : "|-");
        for (const ListedProperty& property : kListedProperties)
            lines += "|" + std::string(r.*property.text);
        lines += "\n";
    }
    return lines;
}

inline std::string parsedLines(const std::string& batch) {
    const ParsedBody parsed(batch);
    std::vector<ListedResponse> responses;
    std::deque<std::string> joined;
    readParsedResponses(parsed, responses, joined);
    return linesOf(responses);
}
