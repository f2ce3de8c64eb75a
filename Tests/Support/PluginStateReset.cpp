#include "PluginStateReset.h"

#include "Functions/Sessions.h"

void resetPluginState() {
    sessions().endAll();
}
