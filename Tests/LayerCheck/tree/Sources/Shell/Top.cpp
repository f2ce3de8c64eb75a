#include "Functions/Middle.h"
#include < Functions/Middle.h >
#include "../Functions/Middle.h"
#include "Shell/Own.h"
