// How fmhost shows each statement's outcome: a readable block, or one JSON object per line whose
// form is stable for other programs and tests:
//   {"line": N, "call": "Name" | null, "var": "name" | null,
//    "result": {"type": "text" | "number" | "container" | "none", "value": ...}, "error": code}
// A text value is the exact text; a number a JSON number (null when not finite); a container a
// list of streams {"type": "JPEG", "size": n, "sha256": hex}, where "FNAM" shows "text" and
// "SIZE" "width" and "height" instead of the digest. A boolean shows as the number 1 or 0.
#pragma once

#include "Script.h"
#include "ScriptRunner.h"

#include <string>

std::string jsonLine(const Statement& statement, const StatementOutcome& outcome);
std::string readableBlock(const Statement& statement, const StatementOutcome& outcome);

// `text` as a JSON string literal (UTF-8 kept, control characters escaped).
std::string jsonString(const std::string& text);
