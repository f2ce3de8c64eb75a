// Puts the plug-in's shared state back as it is when the library has just been loaded, so that
// tests linked in-process do not depend on what earlier tests of the same executable did.
#pragma once

void resetPluginState();
