// Filled in as the program needs it.
#pragma once
#include "sim/w32_types.h"
