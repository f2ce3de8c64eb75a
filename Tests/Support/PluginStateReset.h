// Frees every session's state, so that the plug-in is as it is when the library has just been
// loaded and tests linked in-process do not depend on what earlier tests of the same executable
// did.
#pragma once

void resetPluginState();
