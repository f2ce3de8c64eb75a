#include "Shell/FunctionTable.h"

#include "FunctionHandlers.h"

#include <algorithm>

const FunctionRow kFunctionTable[] = {
#define TALVERO_FUNCTION(id, minArgs, maxArgs, name) {id, minArgs, maxArgs, #name, &name},
#include "FunctionRows.inc"
#undef TALVERO_FUNCTION
};
const std::size_t kFunctionCount = sizeof kFunctionTable / sizeof kFunctionTable[0];

const FunctionRow* functionRow(short id) {
    const FunctionRow* const end = kFunctionTable + kFunctionCount;
    const FunctionRow* found =
        std::find_if(kFunctionTable, end, [&](const FunctionRow& row) { return row.id == id; });
    return found == end ? nullptr : found;
}
