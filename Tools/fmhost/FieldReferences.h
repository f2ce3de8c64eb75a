// Fields and record steps checked against the record table before anything runs, as FileMaker's
// script editor takes no field its file does not have: each field reference gets its field's
// index in the table.
#pragma once

#include "RecordTable.h"
#include "ScriptSteps.h"

#include <vector>

// Throw ScriptError at the first field the table does not have, or at the first field or record
// step when there is no table (`table` null).
void resolveFields(std::vector<Statement>& statements, const RecordTable* table);
void resolveFields(std::vector<Step>& steps, const RecordTable* table);
