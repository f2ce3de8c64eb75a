// FMX_CALL: the calling convention of the functions the host calls in the plug-in, that is
// FMExternCallProc and the thunk registered for each external function. The SDK's header defines
// it where the host has a convention of its own (32-bit Windows); without a definition there it
// is the compiler's default. A convention that differs from the SDK's handler type does not go
// unnoticed: the function table then fails to compile.
#pragma once

#include "FMWrapper/FMXTypes.h"

#ifndef FMX_CALL
#define FMX_CALL
#endif
