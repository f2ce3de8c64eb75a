// The frame shared by the external functions that work on the server's data: the entry check,
// the failure result when it fails, the work guarded against exceptions, and the code recorded
// through Error.
#pragma once

#include "FMWrapper/FMXData.h"
#include "Functions/CardDavState.h"
#include "Functions/HostValues.h"
#include "Utils/VorlixUtils.h"

#include <memory>
#include <string>

// Runs the entry check (connecting first when `connect` is set). When it fails, `checkFailed`
// sets the function's result for that case and the check's code is returned; otherwise `work`
// runs under `guarded`, with `onException` setting the result when an exception ends it.
template <class Work, class CheckFailed, class OnException>
fmx::errcode runFunction(bool connect, Work&& work, CheckFailed&& checkFailed,
                         OnException&& onException) {
    const fmx::int16 check = InitFunction(connect);
    if (check != ErrorCode::None) {
        // A host error while setting the failure result changes nothing: the check's code
        // already says what went wrong.
        guarded(
            [&] {
                checkFailed();
                return ErrorCode::None;
            },
            [] {});
        return Error(check);
    }
    return Error(guarded(work, onException));
}

// Argument `index` (0-based) as UTF-8 text; empty when missing.
inline std::string textArgument(const fmx::DataVect& args, unsigned index) {
    return *ParameterToString(args, index);
}

// A text result handed to the host as UTF-8.
inline void SetTextResult(const std::string& text, fmx::Data& result) {
    SetResult(std::make_unique<std::string>(text), result);
}
