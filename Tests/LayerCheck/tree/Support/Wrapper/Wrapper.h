// Code under Support/ builds on nothing of Sources/.
#include "Utils/Own.h" // forbidden
#include <../../Sources/Shell/Top.h> // forbidden
#include "../../Sources/Utils/Own.h" // forbidden
#include "Wrapper.h"
#include <vector>
