// One call at a time per host session. FileMaker Server evaluates plug-in functions for several
// sessions at once, on threads of its own: every external function is registered as the one
// thunk below, which runs the function's handler in the calling session's state
// (Functions/Sessions.h) under that session's lock, so that the calls of one session run one
// after another, each to its end, while other sessions' calls go on beside them.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"
#include "Functions/Sessions.h"
#include "Shell/FMXCall.h"

// The session a call belongs to, as the host names it; the default session when it names none.
SessionId callingSession(const fmx::ExprEnv& env);

// The function `functionId` of the function table, run in the calling session: what the host
// calls, in its calling convention, for every external function.
fmx::errcode FMX_CALL callFunction(short functionId, const fmx::ExprEnv& env,
                                   const fmx::DataVect& args, fmx::Data& result);
