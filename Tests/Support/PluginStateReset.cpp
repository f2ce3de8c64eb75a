#include "PluginStateReset.h"

#include "Functions/CardDavState.h"

void resetPluginState() {
    plugin_state = PluginState();
}
