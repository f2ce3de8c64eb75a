#include "Shell/FMTemplate.h"

#include "Shell/FMPluginHandlers.h"
#include "Shell/FMUtils.h"
#include "Shell/FunctionTable.h"
#include "Shell/SerialisedCall.h"

#include <algorithm>
#include <iterator>
#include <string_view>

FMX_ExternCallPtr gFMX_ExternCallPtr = nullptr;
void* gPluginResourceHandle = nullptr;
bool gPlugInInitialized = false;

namespace {

// Shown in every dialog, and run wherever the plug-in file is loaded: FileMaker Pro on macOS and
// Windows, FileMaker Server (scheduled scripts, Perform Script on Server, the Data API and
// custom web publishing) and WebDirect, which run on the server. Not FileMaker Go, which loads
// no plug-in of this kind: FileMaker warns where a script would call it there.
constexpr fmx::uint32 kFunctionFlags =
    fmx::ExprEnv::kDisplayInAllDialogs | fmx::ExprEnv::kMayEvaluateOnServer |
    fmx::ExprEnv::kMacCompatible | fmx::ExprEnv::kWinCompatible | fmx::ExprEnv::kServerCompatible |
    fmx::ExprEnv::kCustomWebCompatible | fmx::ExprEnv::kWebDirectCompatible;

// Unregisters the rows [begin, end), last first. A host error on one row does not keep the
// others registered; without the plug-in ID nothing can be unregistered.
void unregisterRows(const FunctionRow* begin, const FunctionRow* end) {
    try {
        fmx::QuadCharAutoPtr pluginId = PluginId();
        for (const FunctionRow* row = end; row != begin;) {
            --row;
            try {
                fmx::ExprEnv::UnRegisterExternalFunction(*pluginId, row->id);
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception&) {
    }
}

// What a host error while registering a row counts as: a refusal.
constexpr fmx::errcode kRegistrationFailed = -1;

// The host's code for one row.
fmx::errcode registerRow(const FunctionRow& row) {
    try {
        return RegisterExternalFunction(row.id, row.minArgs, row.maxArgs, kFunctionFlags,
                                        callFunction);
    } catch (const std::exception&) {
        return kRegistrationFailed;
    }
}

// Writes `text` with its terminating zero unit when it fits into `size` units, otherwise the
// empty string.
void provideFixedString(std::u16string_view text, fmx::unichar16* buffer, fmx::uint32 size) {
    if (!buffer || size == 0)
        return;
    if (text.size() >= size) {
        buffer[0] = 0;
        return;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
}

} // namespace

extern "C" void FMX_CALL FMExternCallProc(FMX_ExternCallPtr pb) {
    // A session may end while other sessions' calls run: its message writes nothing shared.
    if (pb && pb->whichCall == kFMXT_SessionShutdown) {
        SessionShutdown(static_cast<SessionId>(pb->parm2));
        return;
    }
    gFMX_ExternCallPtr = pb;
    if (!pb)
        return;
    gPluginResourceHandle = pb->instanceID;
    switch (pb->whichCall) {
    case kFMXT_GetString:
        Do_PluginGetString();
        break;
    case kFMXT_Shutdown:
        Do_PluginShutdown();
        break;
    case kFMXT_Init:
        pb->result = static_cast<fmx::ptrtype>(Do_PluginInit(pb->extnVersion));
        break;
    default:
        break; // no idle work, no preferences dialog
    }
}

fmx::int32 Do_PluginInit(fmx::int16 hostVersion) {
    if (hostVersion < 50 || hostVersion > 255)
        return kInitBadHostVersion;
    if (!Startup())
        return kInitDisable;
    if (!RegisterExternalFunctions()) {
        Shutdown();
        return kInitDisable;
    }
    gPlugInInitialized = true;
    return kPluginInterfaceVersion;
}

void Do_PluginShutdown() {
    gPlugInInitialized = false;
    UnRegisterExternalFunctions();
    Shutdown();
}

void Do_PluginGetString() {
    FMX_ExternCallStruct& call = *gFMX_ExternCallPtr;
    switch (call.parm1) {
    case kFMXT_NameStr:
        ProvideNameString(call.parm3, static_cast<fmx::uint32>(call.parm2));
        break;
    case kFMXT_AppConfigStr:
        ProvidePreferencesString(call.parm3, static_cast<fmx::uint32>(call.parm2));
        break;
    case kFMXT_OptionsStr:
        ProvideConfigString(call.parm3, static_cast<fmx::uint32>(call.parm2));
        break;
    default:
        break;
    }
}

void ProvideNameString(fmx::unichar16* buffer, fmx::uint32 size) {
    ReadString(buffer, size, kPluginNameString);
}

void ProvidePreferencesString(fmx::unichar16* buffer, fmx::uint32 size) {
    ReadString(buffer, size, kDescriptionString);
}

void ProvideConfigString(fmx::unichar16* buffer, fmx::uint32 size) {
    // The plug-in ID, then the host's option flags: "1", "n", "n", "Y", "n", "n", "n".
    provideFixedString(u"Talv1nnYnnn", buffer, size);
}

bool RegisterExternalFunctions() {
    const FunctionRow* const begin = kFunctionTable;
    for (const FunctionRow* row = begin; row != kFunctionTable + kFunctionCount; ++row) {
        if (registerRow(*row) != 0) {
            unregisterRows(begin, row);
            return false;
        }
    }
    return true;
}

void UnRegisterExternalFunctions() {
    unregisterRows(kFunctionTable, kFunctionTable + kFunctionCount);
}
