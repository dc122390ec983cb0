// Internal state of the simulated system services (processes, accounts,
// COM, Task Scheduler), shared by their source files. Tests use
// sim/sim_system.h.
#pragma once

#include "sim/desktop.h"
#include "sim/sim_system.h"

#include <map>
#include <string>

namespace sim {

struct HandleEntry {
    DWORD pid;
    bool thread;
    DWORD access;
    std::string object = "";   // a named object's full name; empty for a process or thread
};

// A named kernel object and the handles each process holds to it. It lives
// while any handle does.
struct NamedObject {
    bool highIntegrity = false;            // made by an elevated process
    std::map<DWORD, int> holders;          // pid -> open handles
};

struct StoredTask {
    std::u16string xml;
};

struct System {
    // processes
    std::map<DWORD, ProcessRecord> processes;
    std::vector<DWORD> started;                 // pids started by the program, in order
    std::map<std::string, std::function<void(const ProcessRecord &)>> onStart;  // by lower-case image
    std::vector<std::string> missing;           // lower-case images that cannot be found
    std::map<HANDLE, HandleEntry> handles;
    uintptr_t nextHandle = 0x7000010;
    size_t badCloses = 0;
    std::map<std::string, NamedObject> namedObjects;  // by full name: "Session1\x", "Global\x"
    std::string modulePath = "C:\\Program Files\\Plinthwise\\plinthwise.exe";  // UTF-8, the true name
    bool shortNames = true;  // the volume keeps 8.3 names, as a system volume does by default
    // accounts
    std::string userName = "alice";
    struct Account { std::string name, domain, sid; };
    std::vector<Account> accounts = {{"alice", "DESKTOP-SIM", "S-1-5-21-3623811015-3361044348-30300820-1013"}};
    std::map<void *, size_t> localBlocks;
    // COM
    int comInits = 0;
    DWORD comMode = 0;
    std::map<void *, size_t> bstrs;             // live BSTR -> length in characters
    std::map<void *, int> variants;             // VariantInit'ed addresses not yet cleared
    size_t liveObjects = 0;
    std::vector<std::string> misuse;
    std::map<std::string, HRESULT> failureResults;
    // Task Scheduler
    bool denyChanges = false;
    std::map<std::u16string, StoredTask> tasks; // by lower-case name
    std::vector<TaskRegistration> registrations;
};

System &S();

void NoteMisuse(const std::string &what);
bool IsLiveBstr(const OLECHAR *text);
std::u16string FromBstr(BSTR text);             // empty for null
BSTR NewBstr(const std::u16string &text);      // counted like SysAllocString's
std::string Narrow(const std::u16string &text); // Latin-1, '?' beyond it
std::u16string Widen(const std::string &text);  // Latin-1
std::string Lower(std::string text);
// A text for the call log: short ones as they are, long ones by length.
std::string Shown(const OLECHAR *text, size_t length);
// Fails the named call when a fault is set: its failure HRESULT, else S_OK.
HRESULT InjectedFailure(const char *function);
// True for a well-formed XML document with one root element named root;
// otherwise why says what is wrong.
bool IsWellFormedXml(const std::u16string &text, const char *root, std::string *why);
// A new Task Scheduler service object with one reference.
ITaskService *NewTaskService();
bool IsTaskServiceIid(const GUID &iid);
// A process the simulated system knows from now on.
void AddProcess(DWORD pid, const char *image);
// Whether a process may open an existing named object with all access.
bool MayOpenWithAllAccess(const NamedObject &object, const ProcessRecord &opener);

} // namespace sim
