// The program's entry point: one of three run modes chosen by the
// command-line tail, returning the process exit code.
#pragma once

#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCmd);
