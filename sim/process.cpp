// Processes on the simulated system: a table of every process the system
// knows, the handles the program holds to them, and the kernel calls over
// both. A wait without a time limit on a running process runs the test's
// script steps until the process has ended, as a wait for messages does.
#include "sim/system.h"

#include <string.h>

namespace sim {

static const DWORD PROCESS_TERMINATE = 0x0001;
static const DWORD PROCESS_QUERY_INFORMATION = 0x0400;
static const DWORD PROCESS_ALL_ACCESS = 0x001FFFFF;

static std::string BaseName(const std::string &path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The table always holds the program's own process.
static std::map<DWORD, ProcessRecord> &Table()
{
    std::map<DWORD, ProcessRecord> &t = S().processes;
    if (!t.count(ProgramProcessId())) {
        ProcessRecord &me = t[ProgramProcessId()];
        me.pid = ProgramProcessId();
        me.image = BaseName(S().modulePath);
    }
    return t;
}

void AddProcess(DWORD pid, const char *image)
{
    ProcessRecord &p = Table()[pid];
    p = ProcessRecord();
    p.pid = pid;
    p.image = image ? image : "";
}

const ProcessRecord *FindProcess(DWORD pid)
{
    auto it = Table().find(pid);
    return it == Table().end() ? nullptr : &it->second;
}

std::vector<ProcessRecord> StartedProcesses()
{
    std::vector<ProcessRecord> out;
    for (DWORD pid : S().started)
        out.push_back(Table()[pid]);
    return out;
}

void OnProcessStart(const char *image, std::function<void(const ProcessRecord &)> action)
{
    S().onStart[Lower(image)] = std::move(action);
}

void MissingProgram(const char *image) { S().missing.push_back(Lower(image)); }

void EndProcess(DWORD pid, DWORD exitCode)
{
    auto it = Table().find(pid);
    if (pid == ProgramProcessId() || it == Table().end() || !it->second.running)
        return;
    it->second.running = false;
    it->second.exitCode = exitCode;
    // Windows destroys the windows of a process that ends.
    std::vector<HWND> windows;
    for (const auto &w : D().windows)
        if (w.second.pid == pid && IsTopLevel(w.second))
            windows.push_back(w.first);
    for (HWND w : windows)
        DestroyInternal(w);
}

size_t OpenHandles() { return S().handles.size(); }
size_t BadHandleCloses() { return S().badCloses; }
void SetModulePath(const char *path) { S().modulePath = path ? path : ""; }

static HANDLE NewHandle(DWORD pid, bool thread, DWORD access)
{
    HANDLE h = (HANDLE)S().nextHandle;
    S().nextHandle += 4;
    S().handles[h] = {pid, thread, access};
    return h;
}

static HandleEntry *FindHandle(HANDLE h)
{
    auto it = S().handles.find(h);
    return it == S().handles.end() ? nullptr : &it->second;
}

// "P2001" for a process handle, "T2001" for its thread, "?" for anything else.
static std::string HandleName(HANDLE h)
{
    HandleEntry *e = FindHandle(h);
    if (!e)
        return h ? "?" : "0";
    return (e->thread ? "T" : "P") + std::to_string(e->pid);
}

// The executable a command line names: its first token, quoted or not, with
// ".exe" added when it has no extension, as the search for it does.
static std::string ImageOf(LPCSTR application, LPCSTR commandLine)
{
    std::string first;
    if (application) {
        first = application;
    } else if (commandLine) {
        const char *p = commandLine;
        while (*p == ' ' || *p == '\t')
            p++;
        if (*p == '"') {
            const char *end = strchr(p + 1, '"');
            first = end ? std::string(p + 1, end) : std::string(p + 1);
        } else {
            const char *end = p;
            while (*end && *end != ' ' && *end != '\t')
                end++;
            first = std::string(p, end);
        }
    }
    std::string base = BaseName(first);
    if (!base.empty() && base.find('.') == std::string::npos)
        base += ".exe";
    return base;
}

} // namespace sim

using namespace sim;

DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size)
{
    Log("GetModuleFileNameA", "%s, %u", module ? "module" : "0", size);
    if (ShouldFail("GetModuleFileNameA") || !path || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string &p = S().modulePath;
    // Cut to the buffer, terminated, and reported as filling it.
    DWORD n = (DWORD)p.size() < size ? (DWORD)p.size() : size - 1;
    memcpy(path, p.data(), n);
    path[n] = 0;
    if ((DWORD)p.size() >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return n;
}

BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation)
{
    Log("CreateProcessA", "%s, %s, %#x", application ? application : "0", commandLine ? commandLine : "0",
        creationFlags);
    if (ShouldFail("CreateProcessA")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!startupInfo || !processInformation || (!application && !commandLine)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string image = ImageOf(application, commandLine);
    for (const std::string &m : S().missing) {
        if (m == Lower(image)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
    }
    DWORD pid = StartForeignProcess(image.c_str());
    if (!FindProcess(pid))
        AddProcess(pid, image.c_str());
    ProcessRecord &p = Table()[pid];
    p.applicationName = application ? application : "";
    p.commandLine = commandLine ? commandLine : "";
    p.creationFlags = creationFlags;
    p.inheritHandles = inheritHandles;
    p.startupInfoSize = startupInfo->cb;
    p.startedByProgram = true;
    S().started.push_back(pid);
    (void)environment;
    (void)currentDirectory;
    processInformation->hProcess = NewHandle(pid, false, PROCESS_ALL_ACCESS);
    processInformation->hThread = NewHandle(pid, true, PROCESS_ALL_ACCESS);
    processInformation->dwProcessId = pid;
    processInformation->dwThreadId = pid + 1;
    auto action = S().onStart.find(Lower(image));
    if (action != S().onStart.end()) {
        ProcessRecord copy = p;
        action->second(copy);
    }
    return TRUE;
}

HANDLE OpenProcess(DWORD access, BOOL, DWORD processId)
{
    Log("OpenProcess", "%#x, %u", access, processId);
    if (ShouldFail("OpenProcess")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const ProcessRecord *p = FindProcess(processId);
    bool held = false;
    for (const auto &h : S().handles)
        held = held || h.second.pid == processId;
    // An ended process is gone once no handle keeps its object alive.
    if (processId == 0 || !p || (!p->running && !held)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return NewHandle(processId, false, access);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD ms)
{
    Log("WaitForSingleObject", "%s, %s", HandleName(handle).c_str(),
        ms == INFINITE ? "INFINITE" : std::to_string(ms).c_str());
    HandleEntry *e = FindHandle(handle);
    if (ShouldFail("WaitForSingleObject") || !e) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (!(e->access & SYNCHRONIZE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    DWORD pid = e->pid;
    if (ms == INFINITE) {
        while (FindProcess(pid)->running)
            RunNextStep();
        return WAIT_OBJECT_0;
    }
    // A bounded wait lets the time pass, with the timed steps that fall due.
    if (FindProcess(pid)->running && ms > 0)
        AdvanceTime(ms);
    return FindProcess(pid)->running ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    Log("GetExitCodeProcess", "%s", HandleName(process).c_str());
    HandleEntry *e = FindHandle(process);
    if (ShouldFail("GetExitCodeProcess") || !e || e->thread || !exitCode) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(e->access & (PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const ProcessRecord *p = FindProcess(e->pid);
    *exitCode = p->running ? STILL_ACTIVE : p->exitCode;
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
    Log("TerminateProcess", "%s, %u", HandleName(process).c_str(), exitCode);
    HandleEntry *e = FindHandle(process);
    if (ShouldFail("TerminateProcess") || !e || e->thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(e->access & PROCESS_TERMINATE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (e->pid == ProgramProcessId()) {
        NoteMisuse("TerminateProcess of the program's own process");
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    EndProcess(e->pid, exitCode);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    Log("CloseHandle", "%s", HandleName(handle).c_str());
    if (!FindHandle(handle)) {
        S().badCloses++;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (ShouldFail("CloseHandle")) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    S().handles.erase(handle);
    return TRUE;
}
