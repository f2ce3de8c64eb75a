// Turns a script into statements, resolving every name against the Let and While variables in
// scope, the host's own functions and the registered functions, and checking every argument
// count, so that nothing runs when any line is wrong.
#pragma once

#include "Script.h"

#include <string>
#include <vector>

// `firstLine` numbers the script's first line. Throws ScriptError.
std::vector<Statement> parseScript(const std::string& script, int firstLine = 1);

// The registered function called `name`, ignoring case as FileMaker does.
std::optional<fmx::host::RegisteredFunction> lookupFunction(const std::string& name);
