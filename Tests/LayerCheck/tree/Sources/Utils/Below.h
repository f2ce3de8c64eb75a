// Includes of the layers above, in every form the compiler takes, beside includes it may make.
#pragma once
#include "Functions/Above.h" // forbidden
#include <Functions/Above.h> // forbidden
#include"Shell/Above.h" // forbidden
#  include   <  Shell/Above.h  >   // forbidden
	#	include	"Functions/Above.h"	// forbidden
#include "../Functions/Above.h" // forbidden
#include <../Shell/Above.h> // forbidden
#include "..\Functions\Above.h" // forbidden
#include "./../Shell/Above.h" // forbidden
#include "../../Sources/Functions/Above.h" // forbidden
#include <Sources/Shell/Above.h> // forbidden
#include "Utils/Own.h"
#include <Utils/Own.h>
#include "../Utils/Own.h"
#include "Own.h"
#include <string>
// #include "Functions/Above.h"
