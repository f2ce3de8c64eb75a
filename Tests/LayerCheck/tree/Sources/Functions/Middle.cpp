#include "Shell/Above.h" // forbidden
#include "Utils/Own.h"
#include <Functions/Own.h>
