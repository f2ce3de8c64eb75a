// Turns a calculation script into statements, one per line (or more while parentheses are
// open), each checked whole before anything runs.
#pragma once

#include "Script.h"

#include <string>
#include <vector>

// `firstLine` numbers the script's first line. Throws ScriptError.
std::vector<Statement> parseScript(const std::string& script, int firstLine = 1);
