// The simulated desktop's face towards the program: the Win32 types,
// constants and functions the program uses, with Windows' names, sizes and
// values, for a 64-bit process. Each area has its own header.
#pragma once

#include "sim/w32_types.h"
#include "sim/w32_kernel.h"
#include "sim/w32_user.h"
#include "sim/w32_dwm.h"
#include "sim/w32_gdi.h"
#include "sim/w32_shell.h"
#include "sim/w32_com.h"
#include "sim/w32_security.h"
