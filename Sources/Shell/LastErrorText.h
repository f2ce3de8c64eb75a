// CardDav_LastErrorText( ): the last error as a person reads it.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"

// The function that recorded the last error (without its "CardDav_" prefix), what failed, and the
// server's reason where it gave one: "SaveCard: HTTP 400 Bad Request: must contain at least 1 FN".
// Empty while the last error is 0. Runs no entry check and changes nothing.
fmx::errcode CardDav_LastErrorText(short functionId, const fmx::ExprEnv& env,
                                   const fmx::DataVect& args, fmx::Data& result);
