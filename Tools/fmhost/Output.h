// How fmhost shows each statement's outcome: a readable block, or one JSON object per line whose
// form is stable for other programs and tests:
//   {"line": N, "call": "Name" | null, "var": "name" | null,
//    "result": {"type": "text" | "number" | "container" | "none", "value": ...}, "error": code}
// A text value is the exact text; a number a JSON number (null when not finite); a container a
// list of streams {"type": "JPEG", "size": n, "sha256": hex}, where "FNAM" shows "text" and
// "SIZE" "width" and "height" instead of the digest. A boolean shows as the number 1 or 0.
// After "error" come, where they apply: "seen": "?" when a call returned a non-zero code ("result"
// is then what that call returned, which the script did not see), "step": the script step's
// name, and "title": a custom dialog's title (its message is the result).
#pragma once

#include "RecordTable.h"
#include "Script.h"
#include "ScriptRunner.h"

#include <string>

std::string jsonLine(const Statement& statement, const StatementOutcome& outcome);
std::string readableBlock(const Statement& statement, const StatementOutcome& outcome);

// The table as a script left it: its globals, then each record on a line of its own, the fields
// that are not empty as "Name: value", a carriage return shown as ¶, a long value cut short.
std::string readableTable(const RecordTable& table);

// `text` as a JSON string literal (UTF-8 kept, control characters escaped).
std::string jsonString(const std::string& text);
