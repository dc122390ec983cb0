// The retry with administrator rights: PowerShell starts an elevated copy
// of the program with a task option and hands back its exit code.
#pragma once

#include "platform/platform.h"

// The options that make the program install or remove the logon task and
// exit with 0 on success, 1 on failure.
const char InstallTaskOption[] = "--install-task";
const char RemoveTaskOption[] = "--remove-task";

// Runs the elevated copy with the option and waits for it without a time
// limit. Returns -1 when PowerShell cannot be started, 1 when its exit code
// cannot be read, otherwise PowerShell's exit code: the elevated copy's, or
// 1 when the copy was not started (prompt declined) or gave no exit code.
// Only 0 means success.
int RunElevatedTaskCommand(LPCSTR option);
