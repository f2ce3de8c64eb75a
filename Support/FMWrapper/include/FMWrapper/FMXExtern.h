// The plug-in's entry point and the call record the host passes to it.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"
#include "FMWrapper/FMXTypes.h"

// Lifecycle messages (FMX_ExternCallStruct::whichCall).
enum : fmx::uint8 {
    kFMXT_Init = 0,
    kFMXT_Shutdown = 4,
    kFMXT_GetString = 7,
    // A host session ended (parm2: its ID, as ExprEnv::SessionID gave it).
    kFMXT_SessionShutdown = 16
};

// Get-string selectors (FMX_ExternCallStruct::parm1 with kFMXT_GetString).
enum : fmx::uint8 { kFMXT_NameStr = 128, kFMXT_AppConfigStr = 129, kFMXT_OptionsStr = 131 };

// The call record of one lifecycle message.
struct FMX_ExternCallStruct {
    fmx::int16 extnVersion; // the host's plug-in interface version (kFMXT_Init)
    fmx::uint8 whichCall;   // the message
    fmx::uint8 parm1;       // get string: the selector
    fmx::ptrtype parm2;     // get string: the buffer size in UTF-16 units; session shutdown: the ID
    fmx::unichar16* parm3;  // get string: the host's buffer
    fmx::ptrtype result;    // the plug-in's answer (kFMXT_Init: its interface version)
    void* instanceID;       // the plug-in's resource handle
};
typedef FMX_ExternCallStruct* FMX_ExternCallPtr;
typedef void(FMX_CALL* FMX_ExternCallProc)(FMX_ExternCallPtr);

// The only symbol a plug-in exports: by its visibility where symbols have one; on Windows the
// plug-in's module-definition file names it.
#if defined(_WIN32)
#define FMX_ENTRY_POINT
#else
#define FMX_ENTRY_POINT __attribute__((visibility("default")))
#endif
extern "C" FMX_ENTRY_POINT void FMX_CALL FMExternCallProc(FMX_ExternCallPtr pb);
