// The host's calculation engine: registration of external functions and the expression
// environment that the host passes to their handlers.
#pragma once

#include "FMWrapper/FMXData.h"
#include "FMWrapper/FMXText.h"
#include "FMWrapper/FMXTypes.h"

namespace fmx {
class ExprEnv;

// An external function's handler: called by the host with the function ID, the expression
// environment, the evaluated arguments and the result value to fill; returns the error code the
// host reports for the call (0 = no error).
typedef errcode(FMX_CALL* ExtPluginType)(short functionId, const ExprEnv& env, const DataVect& args,
                                         Data& result);
} // namespace fmx

extern "C" {
FMX_API fmx::errcode
FM_ExprEnv_RegisterExternalFunction(const fmx::QuadChar& pluginId, fmx::int16 functionId,
                                    const fmx::Text& name, const fmx::Text& prototype,
                                    fmx::int16 minArgs, fmx::int16 maxArgs, fmx::uint32 flags,
                                    fmx::ExtPluginType handler, fmx::_fmxcpt& x);
FMX_API fmx::errcode FM_ExprEnv_UnRegisterExternalFunction(const fmx::QuadChar& pluginId,
                                                           fmx::int16 functionId, fmx::_fmxcpt& x);
FMX_API fmx::ptrtype FM_ExprEnv_SessionID(const fmx::ExprEnv* self, fmx::_fmxcpt& x);
FMX_API fmx::ptrtype FM_ExprEnv_FileID(const fmx::ExprEnv* self, fmx::_fmxcpt& x);
}

namespace fmx {

class ExprEnv {
public:
    // Registration flags: where a function is shown, and where it can run (the host warns where
    // a script would call it elsewhere).
    enum : uint32 {
        kDisplayInAllDialogs = 0xFF00,
        kMayEvaluateOnServer = 0x0001,
        kMacCompatible = 0x0002,
        kWinCompatible = 0x0004,
        kServerCompatible = 0x0008,
        kIOSCompatible = 0x0010,
        kCustomWebCompatible = 0x0020,
        kWebDirectCompatible = 0x0040,
        kAllDeviceCompatible = kMacCompatible | kWinCompatible | kServerCompatible |
                               kIOSCompatible | kCustomWebCompatible | kWebDirectCompatible,
        kFutureCompatible = kAllDeviceCompatible | 0x00FF0000
    };

    // Makes the function known to the host under (pluginId, functionId); 0 when registered,
    // otherwise the host's refusal code. Registering a known (pluginId, functionId) again
    // replaces its row.
    static errcode RegisterExternalFunction(const QuadChar& pluginId, int16 functionId,
                                            const Text& name, const Text& prototype, int16 minArgs,
                                            int16 maxArgs, uint32 flags, ExtPluginType handler) {
        _fmxcpt x;
        errcode code = FM_ExprEnv_RegisterExternalFunction(pluginId, functionId, name, prototype,
                                                           minArgs, maxArgs, flags, handler, x);
        x.Check();
        return code;
    }
    // Removes the function; kNotRegistered when the host does not know it.
    static errcode UnRegisterExternalFunction(const QuadChar& pluginId, int16 functionId) {
        _fmxcpt x;
        errcode code = FM_ExprEnv_UnRegisterExternalFunction(pluginId, functionId, x);
        x.Check();
        return code;
    }

    enum : errcode { kNotRegistered = 100 };

    // The host session the call belongs to: in FileMaker Pro the one user's, on a server each
    // script run, WebDirect user and Data API call has its own. Stays the same for every call of
    // the session; the host sends kFMXT_SessionShutdown with it when the session ends.
    ptrtype SessionID() const {
        _fmxcpt x;
        ptrtype id = FM_ExprEnv_SessionID(this, x);
        x.Check();
        return id;
    }
    // The file whose calculation made the call.
    ptrtype FileID() const {
        _fmxcpt x;
        ptrtype id = FM_ExprEnv_FileID(this, x);
        x.Check();
        return id;
    }

protected:
    ExprEnv() = default;
    ~ExprEnv() = default;
    ExprEnv(const ExprEnv&) = delete;
    ExprEnv& operator=(const ExprEnv&) = delete;
};

} // namespace fmx
