// VorlixPlugin_Version( { versionFormat } ): which plug-in and version the host is talking to.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"

// Text result by format word: none, "" or "short": "0.10"; "long": "Talvero 0.10";
// "platform": the platform word; "autoupdate": "00100000"; any other word: empty text.
fmx::errcode VorlixPlugin_Version(short functionId, const fmx::ExprEnv& env,
                                  const fmx::DataVect& args, fmx::Data& result);
