// Control side of the simulated system services, for tests: processes and
// their handles, the user account, COM bookkeeping and the Task Scheduler's
// task store. Faults are injected with sim::FailCall using the names below.
#pragma once

#include "sim/sim.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

// ---- Processes ----------------------------------------------------------
// The table holds the program itself, the programs a test starts with
// StartForeignProcess, and those the program starts with CreateProcessA.
// Fault names: "CreateProcessA", "OpenProcess", "WaitForSingleObject",
// "GetExitCodeProcess", "TerminateProcess", "CloseHandle", "GetModuleFileNameA".
struct ProcessRecord {
    DWORD pid = 0;
    std::string image;            // file name of the executable, without directory
    std::string applicationName;  // CreateProcessA's application name, "" for NULL
    std::string commandLine;      // the command line CreateProcessA received
    DWORD creationFlags = 0;
    BOOL inheritHandles = FALSE;
    DWORD startupInfoSize = 0;    // STARTUPINFOA::cb as passed
    bool startedByProgram = false;
    bool running = true;
    DWORD exitCode = STILL_ACTIVE;
    DWORD session = 1;            // the logon session it runs in
    bool elevated = false;        // runs with an administrator's full token
    DWORD shutdownLevel = 0x280;  // SetProcessShutdownParameters; asked first when highest
};

// Runs inside CreateProcessA once a process of this image (file name,
// compared without regard to case) exists. It may end the process at once
// with EndProcess, or script its end with Then; without an action a started
// process runs until the test ends it.
void OnProcessStart(const char *image, std::function<void(const ProcessRecord &)> action);
// CreateProcessA finds no such executable: it fails with ERROR_FILE_NOT_FOUND.
void MissingProgram(const char *image);
// The process ends with the exit code, as if it returned it or was killed;
// a wait on it completes and its top-level windows are destroyed. The
// program's own process cannot be ended.
void EndProcess(DWORD pid, DWORD exitCode);
// The record of a process, or null for an unknown pid.
const ProcessRecord *FindProcess(DWORD pid);
// The processes the program started, in order.
std::vector<ProcessRecord> StartedProcesses();
// Process and thread handles the program holds open.
size_t OpenHandles();
// Handles closed twice or never opened (CloseHandle returned FALSE).
size_t BadHandleCloses();
// The path of the program's executable, in UTF-8: GetModuleFileNameA gives
// it in the code page, GetModuleFileNameW in UTF-16.
void SetModulePath(const char *path);
// Whether the volume keeps short (8.3) names for GetShortPathNameW; it does
// at start.
void KeepShortNames(bool kept);

// ---- The program's manifest ---------------------------------------------
// As read from the file the Windows builds embed: GetACP answers codePage
// (65001 for UTF-8, else 1252, Western, standing in for the system's), and
// a process that is not "Unaware" gets GetDeviceCaps' true resolution, an
// unaware one 96. The simulated desktop's coordinates are physical pixels,
// which is what Windows gives a per-monitor aware process ("PerMonitorV2").
struct ManifestSettings {
    UINT codePage = 0;
    std::string dpiAwareness;  // "PerMonitorV2", "PerMonitor", "System" or "Unaware"
};
const ManifestSettings &Manifest();
// Windows 10 before version 1903, which ignores the manifest's code page:
// GetACP answers 1252 from here on.
void IgnoreManifestCodePage();

// ---- Named kernel objects -------------------------------------------------
// Fault name: "CreateMutexA" (fails as for a name an object of another type
// holds). Every process, the program's own included, runs in session 1 and
// not elevated until set otherwise.
void SetProcessSession(DWORD pid, DWORD session);
void SetProcessElevated(DWORD pid, bool elevated);
// Another process calls CreateMutexA with this name and keeps the handle
// until it ends.
void HoldMutex(DWORD pid, const char *name);
// Whether a mutex of this name exists in the program's session.
bool MutexExists(const char *name);

// ---- Ending the session ----------------------------------------------------
// The user signs out, restarts or shuts down (reason: ENDSESSION_LOGOFF or 0).
// As the session manager does, every process with top-level windows is asked
// in turn, highest shutdown level first, each of its windows getting
// WM_QUERYENDSESSION; the asking stops at the first that refuses. Then each
// process that agreed gets WM_ENDSESSION on its windows, wParam whether the
// session ends. The program's windows answer through their procedures, other
// processes through `answer` (pid -> TRUE to agree; it also sees the desktop
// as it stands when that process is asked). True when the session ends; the
// processes then live on here, where Windows would end them.
bool EndSession(LPARAM reason, std::function<BOOL(DWORD pid)> answer);

// ---- The user account ---------------------------------------------------
// Fault names: "GetUserNameA", "LookupAccountNameA", "ConvertSidToStringSidA",
// "LocalFree".
// The name GetUserNameA reports. Until set it is "alice", an account of
// domain "DESKTOP-SIM" that resolves to a SID.
void SetUserName(const char *name);
// An account that LookupAccountNameA resolves (names compared without
// regard to case) to the SID in its string form ("S-1-5-21-...").
void AddAccount(const char *name, const char *domain, const char *sid);
// Blocks handed out by the system (SID strings) and not yet given to LocalFree.
size_t LiveLocalBlocks();

// ---- COM ------------------------------------------------------------------
// Fault names: "CoInitializeEx", "CoCreateInstance", "SysAllocString",
// "SysAllocStringLen", and the Task Scheduler methods as
// "ITaskService::Connect", "ITaskService::GetFolder", "ITaskService::NewTask",
// "ITaskFolder::GetTask", "ITaskFolder::DeleteTask",
// "ITaskFolder::RegisterTaskDefinition", "ITaskDefinition::put_XmlText".
// A failing method returns FailureResult(name).
bool ComInitialized();
size_t LiveBstrs();
size_t LiveVariants();     // VariantInit without VariantClear
size_t LiveComObjects();   // objects with a reference count above zero
// Every misuse the simulated system calls noticed: a release of a released
// object, a call on one, a free of something that is not a live BSTR or
// system block, a string argument that is not a BSTR, terminating the
// program's own process. Empty when the program was correct.
const std::vector<std::string> &Misuse();
// The HRESULT an injected failure of the named call returns. Each call has
// a distinct default so that a test can tell which result came back.
HRESULT FailureResult(const char *function);
void SetFailureResult(const char *function, HRESULT result);

// ---- Task Scheduler's store ---------------------------------------------------
// Registering and deleting tasks fails with E_ACCESSDENIED while set.
void DenyTaskChanges(bool deny);
// A task registered in the root folder by someone else.
void PutTask(const char *name, const char *xml);
bool HasTask(const char *name);
size_t TaskCount();
// The task's document as registered, narrowed to bytes (Latin-1).
std::string TaskXml(const char *name);
struct TaskRegistration {
    std::string name;
    LONG flags = 0;
    TASK_LOGON_TYPE logon = TASK_LOGON_NONE;
    VARTYPE user = VT_EMPTY, password = VT_EMPTY, sddl = VT_EMPTY;
    bool askedForTask = false;    // a registered-task pointer was asked for
};
// Every call of RegisterTaskDefinition that reached the store, in order.
const std::vector<TaskRegistration> &Registrations();

} // namespace sim
