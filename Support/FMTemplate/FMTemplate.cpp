#include "FMTemplate.h"

#include "FMUtils.h"
#include "Functions/CardDav.h"
#include "Shell/FMPluginHandlers.h"
#include "Shell/LastErrorText.h"
#include "Shell/SerialisedCall.h"
#include "Shell/Vorlix.h"

#include <algorithm>
#include <iterator>
#include <string_view>

FMX_ExternCallPtr gFMX_ExternCallPtr = nullptr;
void* gPluginResourceHandle = nullptr;
bool gPlugInInitialized = false;

namespace {

struct FunctionRow {
    fmx::int16 id;
    fmx::int16 minArgs;
    fmx::int16 maxArgs;
    fmx::ExtPluginType handler;
};

// Every external function, in ascending ID order, each run under the plug-in's call lock. The
// name and prototype of each are string resource 100 + ID.
const FunctionRow kFunctionTable[] = {
    {1, 1, 3, serialised<CardDav_SetServer>},
    {2, 2, 3, serialised<CardDav_SetAuth>},
    {3, 1, 2, serialised<CardDav_SetSsl>},
    {4, 0, 1, serialised<CardDav_GetvCard>},
    {5, 0, 3, serialised<CardDav_GetvCardItem>},
    {6, 0, 1, serialised<CardDav_GetAddressBooks>},
    {7, 1, 2, serialised<CardDav_SelectAddressBook>},
    {8, 2, 3, serialised<CardDav_SetvCardItem>},
    {9, 1, 2, serialised<CardDav_NewvCard>},
    {10, 0, 1, serialised<CardDav_SaveCard>},
    {11, 0, 2, serialised<CardDav_DeleteCard>},
    {12, 0, 1, serialised<CardDav_DeleteAllCards>},
    {14, 1, 2, serialised<CardDav_GetvCardGroups>},
    {15, 0, 1, serialised<CardDav_Connect>},
    {16, 0, 0, serialised<CardDav_GetAddressbookvCards>},
    {17, 0, 0, serialised<CardDav_GetAddressbookGroups>},
    {18, 0, 0, serialised<CardDav_LastError>},
    {19, 2, 2, serialised<CardDav_SetvCardGroups>},
    {20, 1, 1, serialised<CardDav_SetTimeout>},
    {21, 1, 1, serialised<CardDav_SetMapping>},
    {22, 0, 1, serialised<VorlixPlugin_Version>},
    {23, 2, 2, serialised<CardDav_CheckvCardIfChanged>},
    {24, 0, 0, serialised<CardDav_GetMapping>},
    {25, 0, 0, serialised<CardDav_GetAddressbookETags>},
    {26, 1, 2, serialised<CardDav_GetChanges>},
    {27, 0, 0, serialised<CardDav_GetSyncToken>},
    {28, 1, 2, serialised<CardDav_FetchvCards>},
    {29, 1, 1, serialised<CardDav_SetSessionIdleLimit>},
    {30, 1, 1, serialised<CardDav_CompareETags>},
    {31, 0, 0, serialised<CardDav_LastErrorText>},
    {32, 0, 1, serialised<CardDav_GetvCardJSON>},
    {33, 1, 1, serialised<CardDav_SetvCardJSON>},
    {34, 1, 1, serialised<CardDav_SetGroupStyle>},
    {35, 0, 0, serialised<CardDav_GetGroupStyle>},
};

constexpr fmx::uint32 kFunctionFlags =
    fmx::ExprEnv::kDisplayInAllDialogs | fmx::ExprEnv::kMayEvaluateOnServer;

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
                                        row.handler);
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
    const FunctionRow* const begin = std::begin(kFunctionTable);
    for (const FunctionRow* row = begin; row != std::end(kFunctionTable); ++row) {
        if (registerRow(*row) != 0) {
            unregisterRows(begin, row);
            return false;
        }
    }
    return true;
}

void UnRegisterExternalFunctions() {
    unregisterRows(std::begin(kFunctionTable), std::end(kFunctionTable));
}
