// A relative include from a folder within a layer.
#include "../../Functions/Above.h" // forbidden
#include "../Own.h"
#include "../Below.h"
