// One call at a time per host session. FileMaker Server evaluates plug-in functions for several
// sessions at once, on threads of its own: every handler is registered behind this thunk, which
// runs it in the calling session's state (Functions/Sessions.h) under that session's lock, so
// that the calls of one session run one after another, each to its end, while other sessions'
// calls go on beside them.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"
#include "FMXCall.h"
#include "Functions/Sessions.h"

// The handler of an external function: an ordinary C++ function, called only by serialised().
using PluginHandler = fmx::errcode (*)(short functionId, const fmx::ExprEnv& env,
                                       const fmx::DataVect& args, fmx::Data& result);

// The session a call belongs to, as the host names it; the default session when it names none.
SessionId callingSession(const fmx::ExprEnv& env);

// `handler`, run in the calling session. The function table registers this in place of each
// handler, so it is what the host calls, in the host's calling convention.
template <PluginHandler handler>
fmx::errcode FMX_CALL serialised(short functionId, const fmx::ExprEnv& env,
                                 const fmx::DataVect& args, fmx::Data& result) {
    const SessionCall call(callingSession(env));
    session().calling_function = functionId;
    return handler(functionId, env, args, result);
}
