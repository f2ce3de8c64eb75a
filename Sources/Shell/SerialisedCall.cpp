#include "Shell/SerialisedCall.h"

#include "Engine/ErrorCodes.h"
#include "Shell/FunctionTable.h"

#include <exception>

SessionId callingSession(const fmx::ExprEnv& env) {
    try {
        return static_cast<SessionId>(env.SessionID());
    } catch (const std::exception&) {
        return kDefaultSession;
    }
}

fmx::errcode FMX_CALL callFunction(short functionId, const fmx::ExprEnv& env,
                                   const fmx::DataVect& args, fmx::Data& result) {
    const FunctionRow* row = functionRow(functionId);
    if (!row)
        return ErrorCode::Failed;
    const SessionCall call(callingSession(env));
    session().calling_function = functionId;
    return runHandler(*row->handler, args, result);
}
