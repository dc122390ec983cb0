// The five group digit icons, drawn at run time: the program carries no
// icon resources.
#pragma once

#include "platform/platform.h"
#include "workspace/groups.h"

// Entry i shows the digit i + 1; null until built, or where drawing failed.
extern HICON GroupIcons[GroupCount];

// Draws all five icons; called once at start, before the tray icon is added.
void BuildGroupIcons();
