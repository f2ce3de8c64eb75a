// The plug-in's entry point: the host's lifecycle messages (init, shutdown, get string) and the
// table of external functions registered on init.
#pragma once

#include "FMWrapper/FMXExtern.h"
#include "Shell/FMXCall.h"

// The plug-in's only export: the host's lifecycle messages arrive here.
extern "C" void FMX_CALL FMExternCallProc(FMX_ExternCallPtr pb);

// The call record of the message being handled. It stays set after the call returns but is only
// read while a message is handled: the host may free the record afterwards.
extern FMX_ExternCallPtr gFMX_ExternCallPtr;
// The plug-in's resource handle, copied from each message's call record so that string lookups
// made between messages (during function calls) never read a stale record.
extern void* gPluginResourceHandle;
// True while the external functions are registered.
extern bool gPlugInInitialized;

// The plug-in's interface version, answered to an accepted init.
constexpr fmx::int32 kPluginInterfaceVersion = 53;
// Init answers: host version not supported; plug-in not to be enabled.
constexpr fmx::int32 kInitBadHostVersion = -1;
constexpr fmx::int32 kInitDisable = -2;

// Checks the host version (50 to 255), runs the start-up hook and registers every function.
fmx::int32 Do_PluginInit(fmx::int16 hostVersion);
void Do_PluginShutdown();
// Answers the get-string message of gFMX_ExternCallPtr.
void Do_PluginGetString();

void ProvideNameString(fmx::unichar16* buffer, fmx::uint32 size);
void ProvidePreferencesString(fmx::unichar16* buffer, fmx::uint32 size);
// The configuration string "Talv1nnYnnn"; the empty string when the buffer is too small for it.
void ProvideConfigString(fmx::unichar16* buffer, fmx::uint32 size);

// Registers every function in ascending ID order; on the first refusal unregisters those already
// registered (last first) and returns false.
bool RegisterExternalFunctions();
// Unregisters every function in descending ID order; the host's answers are ignored.
void UnRegisterExternalFunctions();
