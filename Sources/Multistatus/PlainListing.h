// Reads a batch of a listing (DocumentBatches) written in the plain shape that nearly every
// server writes, without building a document of it: an XML declaration at most before the
// multistatus; namespaces declared on it alone; below it elements without attributes, their text
// in one piece, with no comments, CDATA sections or processing instructions, and no entities but
// the predefined and numeric ones. What it reads of such a batch is what pugixml's document of it
// gives (readParsedResponses); any other batch, whatever it holds, is left to that.
#pragma once

#include "Multistatus/ListedResponse.h"

#include <string>
#include <vector>

// Reads the responses of `batch` into `responses`, its texts decoded where they lie (so that
// `responses` holds views of it); false, with `batch` and `responses` as they were, for a batch
// of any other shape.
bool readPlainResponses(std::string& batch, std::vector<ListedResponse>& responses);
