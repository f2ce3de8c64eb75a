// Turns a script of FileMaker script steps (ScriptSteps.h) into steps, with every If matched to
// its Else If, Else and End If and every Loop to its End Loop, checked whole before anything runs.
#pragma once

#include "ScriptSteps.h"

#include <string>
#include <vector>

// Throws ScriptError.
std::vector<Step> parseSteps(const std::string& script);

// Whether a script of no known kind holds script steps: its first line that is neither empty nor
// a comment begins with the name of a step fmhost runs.
bool looksLikeSteps(const std::string& script);
