// The logon task "\Plinthwise" in Task Scheduler's root folder. Each call
// opens its own connection and gives back every interface, string and
// VARIANT before it returns. The calling thread must have initialised COM.
#pragma once

#include "platform/platform.h"

// True when the root folder yields the task; any failure reads as false.
bool LoginTaskExists();
// Registers the task for the current user, replacing one of the same name.
// Callers test only the sign; a failure's HRESULT comes from Task Scheduler
// unchanged, or is E_FAIL (document did not fit) or E_OUTOFMEMORY.
HRESULT InstallLoginTask();
// Deletes the task; when there is none, Task Scheduler's negative HRESULT.
HRESULT RemoveLoginTask();
