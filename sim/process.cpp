// Processes on the simulated system: a table of every process the system
// knows, the handles the program holds to them and to named objects, and the
// kernel calls over both. A wait without a time limit on a running process
// runs the test's script steps until the process has ended, as a wait for
// messages does.
#include "sim/system.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace sim {

static const DWORD PROCESS_TERMINATE = 0x0001;
static const DWORD PROCESS_QUERY_INFORMATION = 0x0400;
static const DWORD PROCESS_ALL_ACCESS = 0x001FFFFF;
static const DWORD MUTEX_ALL_ACCESS = 0x001F0001;

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

// The object is destroyed when its last handle has been closed.
static void DropHolder(const std::string &object, DWORD pid, bool allHandles)
{
    auto it = S().namedObjects.find(object);
    if (it == S().namedObjects.end())
        return;
    std::map<DWORD, int> &holders = it->second.holders;
    if (allHandles || --holders[pid] <= 0)
        holders.erase(pid);
    if (holders.empty())
        S().namedObjects.erase(it);
}

void EndProcess(DWORD pid, DWORD exitCode)
{
    auto it = Table().find(pid);
    if (pid == ProgramProcessId() || it == Table().end() || !it->second.running)
        return;
    it->second.running = false;
    it->second.exitCode = exitCode;
    // The system closes a process's handles when it ends, however it ends.
    std::vector<std::string> held;
    for (const auto &o : S().namedObjects)
        if (o.second.holders.count(pid))
            held.push_back(o.first);
    for (const std::string &object : held)
        DropHolder(object, pid, true);
    // Windows destroys the windows of a process that ends.
    std::vector<HWND> windows;
    for (const auto &w : D().windows)
        if (w.second.pid == pid && IsTopLevel(w.second))
            windows.push_back(w.first);
    for (HWND w : windows)
        DestroyInternal(w);
}

void SetProcessSession(DWORD pid, DWORD session)
{
    if (FindProcess(pid))
        Table()[pid].session = session;
}

void SetProcessElevated(DWORD pid, bool elevated)
{
    if (FindProcess(pid))
        Table()[pid].elevated = elevated;
}

// Names go to the namespace of the creator's session unless they begin
// with "Global\", the one namespace all sessions share; "Local\" names the
// session's own explicitly (Kernel Object Namespaces). Services in session
// 0 default to the global one; no simulated process is a service.
static std::string FullName(const std::string &name, DWORD session)
{
    static const std::string global = "Global\\", local = "Local\\";
    if (name.compare(0, global.size(), global) == 0)
        return name;
    std::string rest = name.compare(0, local.size(), local) == 0 ? name.substr(local.size()) : name;
    return "Session" + std::to_string(session) + "\\" + rest;
}

// CreateMutexA for a process: a new object, or the existing one opened with
// the all access it asks for then. The object's full name, or "" when
// access is refused; the error as CreateMutexA sets it.
static std::string CreateOrOpenMutex(DWORD pid, const std::string &name)
{
    const ProcessRecord &p = Table()[pid];
    std::string full = FullName(name, p.session);
    auto it = S().namedObjects.find(full);
    if (it == S().namedObjects.end()) {
        NamedObject &object = S().namedObjects[full];
        object.highIntegrity = p.elevated;
        object.holders[pid] = 1;
        SetLastError(ERROR_SUCCESS);
        return full;
    }
    if (!MayOpenWithAllAccess(it->second, p)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return "";
    }
    it->second.holders[pid]++;
    SetLastError(ERROR_ALREADY_EXISTS);
    return full;
}

void HoldMutex(DWORD pid, const char *name)
{
    DWORD programError = GetLastError();
    if (FindProcess(pid) && name)
        CreateOrOpenMutex(pid, name);
    SetLastError(programError);
}

bool MutexExists(const char *name)
{
    return name && S().namedObjects.count(FullName(name, Table()[ProgramProcessId()].session));
}

size_t OpenHandles() { return S().handles.size(); }
size_t BadHandleCloses() { return S().badCloses; }
void SetModulePath(const char *path) { S().modulePath = path ? path : ""; }
void KeepShortNames(bool kept) { S().shortNames = kept; }

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

// A handle to a process or its thread; null for one to a named object.
static HandleEntry *FindProcessHandle(HANDLE h)
{
    HandleEntry *e = FindHandle(h);
    return e && e->object.empty() ? e : nullptr;
}

// "P2001" for a process handle, "T2001" for its thread, "mutex" for a named
// object's, "?" for anything else.
static std::string HandleName(HANDLE h)
{
    HandleEntry *e = FindHandle(h);
    if (!e)
        return h ? "?" : "0";
    if (!e->object.empty())
        return "mutex";
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

// 0x000-0x0FF and 0x400-0x4FF are the system's own ranges, but the call
// takes them too; above 0x4FF it refuses.
BOOL SetProcessShutdownParameters(DWORD level, DWORD flags)
{
    Log("SetProcessShutdownParameters", "%#lx, %#lx", (unsigned long)level, (unsigned long)flags);
    if (level > 0x4FF || (flags & ~SHUTDOWN_NORETRY) || ShouldFail("SetProcessShutdownParameters")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Table()[ProgramProcessId()].shutdownLevel = level;
    return TRUE;
}

// The true name (UTF-8) in the code page: whole in UTF-8, with '?' for
// every letter the Latin-1 stand-in lacks.
DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size)
{
    Log("GetModuleFileNameA", "%s, %u", module ? "module" : "0", size);
    if (ShouldFail("GetModuleFileNameA") || !path || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string p = S().modulePath;
    if (GetACP() != CP_UTF8) {
        std::vector<WCHAR> wide = Utf16Of(p);
        p.clear();
        for (WCHAR c : wide)
            p += c > 0xFF ? '?' : (char)c;
    }
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

static DWORD CopyWide(const std::vector<WCHAR> &text, LPWSTR out, DWORD size)
{
    if (!out || text.size() >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return (DWORD)text.size() + 1;
    }
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = 0;
    return (DWORD)text.size();
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size)
{
    Log("GetModuleFileNameW", "%s, %u", module ? "module" : "0", size);
    if (ShouldFail("GetModuleFileNameW") || !path || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<WCHAR> wide = Utf16Of(S().modulePath);
    DWORD n = CopyWide(wide, path, size);
    return n > size ? size : n;
}

// Each component beyond ASCII gets a short name of its first ASCII letters
// and "~1", as NTFS makes them, where the volume keeps short names; without
// them the long path comes back unchanged.
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size)
{
    Log("GetShortPathNameW", "%u", size);
    if (!longPath || ShouldFail("GetShortPathNameW")) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<WCHAR> in;
    for (const WCHAR *p = longPath; *p; p++)
        in.push_back(*p);
    if (!S().shortNames)
        return CopyWide(in, shortPath, size);
    std::vector<WCHAR> out, part;
    auto flush = [&] {
        bool ascii = std::all_of(part.begin(), part.end(), [](WCHAR c) { return c < 0x80; });
        if (ascii) {
            out.insert(out.end(), part.begin(), part.end());
        } else {
            int kept = 0;
            for (WCHAR c : part)
                if (c < 0x80 && isalnum(c) && kept < 6) {
                    out.push_back((WCHAR)toupper(c));
                    kept++;
                }
            out.push_back('~');
            out.push_back('1');
        }
        part.clear();
    };
    for (WCHAR c : in) {
        if (c == '\\') {
            flush();
            out.push_back(c);
        } else {
            part.push_back(c);
        }
    }
    flush();
    return CopyWide(out, shortPath, size);
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
    HandleEntry *e = FindProcessHandle(handle);
    if (FindHandle(handle) && !e)
        NoteMisuse("a wait on a mutex, which the simulated system does not model");
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
    HandleEntry *e = FindProcessHandle(process);
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
    HandleEntry *e = FindProcessHandle(process);
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
    std::string object = FindHandle(handle)->object;
    S().handles.erase(handle);
    if (!object.empty())
        DropHolder(object, ProgramProcessId(), false);
    return TRUE;
}

// Ownership is not modelled: nothing in the program waits on a mutex. A
// handle made without security attributes is not inheritable, so no child
// process holds the object through it.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name)
{
    Log("CreateMutexA", "%s, %d, %s", attributes ? "attributes" : "0", initialOwner, name ? name : "0");
    // The documented failure for a name an object of another type holds.
    if (ShouldFail("CreateMutexA")) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!name) {
        NoteMisuse("an unnamed mutex, which the simulated system does not model");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string object = CreateOrOpenMutex(ProgramProcessId(), name);
    if (object.empty())
        return nullptr;
    HANDLE h = NewHandle(ProgramProcessId(), false, MUTEX_ALL_ACCESS);
    S().handles[h].object = object;
    return h;
}

HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name)
{
    Log("OpenMutexA", "%#lx, %d, %s", (unsigned long)access, inherit, name ? name : "0");
    const ProcessRecord &p = Table()[ProgramProcessId()];
    auto it = name ? S().namedObjects.find(FullName(name, p.session)) : S().namedObjects.end();
    if (it == S().namedObjects.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // As for CreateMutexA: a lower integrity level may not open an object of
    // a higher one.
    if (!MayOpenWithAllAccess(it->second, p)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    it->second.holders[ProgramProcessId()]++;
    HANDLE h = NewHandle(ProgramProcessId(), false, access);
    S().handles[h].object = it->first;
    return h;
}
