// The host's own functions whose arguments are all evaluated before they run (the text, list,
// number and JSON functions, Char), and its named constants. Let, While, If, Case and File are
// the evaluator's: they decide what to evaluate, or need the script's folder.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <optional>
#include <string>
#include <vector>

struct BuiltIn {
    static constexpr int kUnbounded = -1;

    const char* name;
    int minArgs;
    int maxArgs; // kUnbounded: no limit
    // Above 0: instead of its plain arguments after the first, the function also takes any
    // number of bracketed groups of this many, as Substitute ( text ; [ a ; b ] ; [ c ; d ] ).
    // They arrive one after another, as plain arguments would.
    int groupSize;
    fmx::host::Value (*apply)(const std::vector<fmx::host::Value>& args);
};

// The function called `name`, ignoring case; null when the host has none by that name.
const BuiltIn* findBuiltIn(const std::string& name);

// True, False and the JSON type constants (JSONString ...), ignoring case.
std::optional<fmx::host::Value> constantNamed(const std::string& name);
