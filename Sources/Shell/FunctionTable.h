// The table of external functions the plug-in registers, built from the one function table
// (Resources/Functions.table): each function's ID, argument range, name and handler.
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Functions/Frame.h"

#include <cstddef>
#include <string_view>

struct FunctionRow {
    fmx::int16 id;
    fmx::int16 minArgs;
    fmx::int16 maxArgs;
    std::string_view name;
    const Handler* handler;
};

// Every external function, in ascending ID order.
extern const FunctionRow kFunctionTable[];
extern const std::size_t kFunctionCount;

// The row of function `id`; null for an ID no function has.
const FunctionRow* functionRow(short id);
