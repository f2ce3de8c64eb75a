// The record table's file: one JSON object, read before a script runs and written back when it
// commits and when it ends.
//
//   {
//     "table": "Contacts",
//     "fields": ["UID", "Name", "Photo"],
//     "globals": {"SyncToken": ""},
//     "records": [
//       {"UID": "ada-1", "Name": "Ada Lovelace", "Photo": {"file": "portrait.png"}}
//     ]
//   }
//
// Names are letters, digits and "_" (not beginning with a digit), field names unique ignoring
// case; "globals" (optional) names the global fields with their values. A record names only
// fields of "fields"; those it leaves out are empty. A value is a text, a number, null (empty)
// or a container: {"file": PATH} (relative to the table file's folder) or
// {"name": FILENAME, "base64": BYTES}, the form containers are written back in.
#pragma once

#include "RecordTable.h"

#include <string>

// Throws std::runtime_error naming what is wrong; nothing of a file that does not read whole is
// used.
RecordTable loadTable(const std::string& path);

// Writes the whole table to a file beside `path`, then puts it in its place. Throws
// std::runtime_error when it cannot be written.
void saveTable(const RecordTable& table, const std::string& path);
