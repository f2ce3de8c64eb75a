#include "Shell/SerialisedCall.h"

#include <exception>

SessionId callingSession(const fmx::ExprEnv& env) {
    try {
        return static_cast<SessionId>(env.SessionID());
    } catch (const std::exception&) {
        return kDefaultSession;
    }
}
