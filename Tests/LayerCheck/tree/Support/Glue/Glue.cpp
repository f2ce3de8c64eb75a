// A folder of Support/ allowed, for now, what the topmost layer may include.
#include "Shell/Top.h"
#include "../../Sources/Functions/Middle.h"
