// The plug-in's string resources and the registration of one external function.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"
#include "FMWrapper/FMXText.h"

// String resource IDs; the prototype of function N is string kPrototypeStringBase + N.
enum : fmx::uint32 {
    kPluginNameString = 1,
    kDescriptionString = 2,
    kVersionString = 3,
    kPrototypeStringBase = 100
};

// The plug-in ID "Talv", under which every function is registered.
fmx::QuadCharAutoPtr PluginId();

// The plug-in's resource handle, as the host passed it with its latest lifecycle message.
void* GetPluginBundle();

// Copies string `id` with a terminating zero unit into `buffer` of `size` units and returns its
// length. Returns 0 and leaves the buffer as it is when the buffer is null, `size` is below 2, the
// ID is unknown, or the text has `size` - 1 units or more.
fmx::uint32 Sub_OSXLoadString(fmx::uint32 id, fmx::unichar16* buffer, fmx::uint32 size);

// Like Sub_OSXLoadString; `language` is ignored.
fmx::uint32 Do_GetString(fmx::uint32 id, fmx::int16 language, fmx::uint32 size,
                         fmx::unichar16* buffer);

// Loads string `id` (up to 1022 units) into `text`; with `nameOnly`, only what comes before its
// first "(": the function name of a prototype.
void Do_GetString(fmx::uint32 id, fmx::TextAutoPtr& text, bool nameOnly);

// Copies string `id` into `buffer` of `size` units; the buffer holds the empty string when the ID
// is unknown or the text does not fit. Does nothing to a null buffer or one of size 0.
void ReadString(fmx::unichar16* buffer, fmx::uint32 size, fmx::uint32 id);

// Registers function `id` under the plug-in ID, with the name and prototype of its string
// resource; returns the host's code (0 = registered).
fmx::errcode RegisterExternalFunction(fmx::int16 id, fmx::int16 minArgs, fmx::int16 maxArgs,
                                      fmx::uint32 flags, fmx::ExtPluginType handler);
