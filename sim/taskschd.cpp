// Task Scheduler on the simulated system: the service, the root folder, task
// definitions and registered tasks over an in-memory store. Objects are
// reference-counted and kept after their last release, so that a release
// too many or a call on a released object is caught rather than crashing.
#include "sim/system.h"

#include <string.h>
#include <memory>

namespace sim {
namespace {

const GUID IidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID IidTaskService = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
const GUID IidTaskFolder = {0x8CFAC062, 0xA080, 0x4C15, {0x9A, 0x88, 0xAA, 0x7C, 0x2A, 0xF8, 0x0D, 0xFC}};
const GUID IidTaskDefinition = {0xF5BC8FC5, 0x536D, 0x4F77, {0xB8, 0x52, 0xFB, 0xC1, 0x35, 0x6F, 0xDE, 0xB6}};
const GUID IidRegisteredTask = {0x9C86F320, 0xDEE3, 0x4DD1, {0xB9, 0x72, 0xA3, 0x03, 0xF2, 0x6B, 0x06, 0x1E}};

const HRESULT NotFound = (HRESULT)0x80070002;         // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
const HRESULT PathNotFound = (HRESULT)0x80070003;
const HRESULT NotConnected = (HRESULT)0x800704E3;     // ERROR_ONLY_IF_CONNECTED
const HRESULT AlreadyExists = (HRESULT)0x800700B7;
const HRESULT BadNetPath = (HRESULT)0x80070035;
const HRESULT MalformedXml = (HRESULT)0x8004131A;     // SCHED_E_MALFORMEDXML
const HRESULT MissingNode = (HRESULT)0x80041319;      // SCHED_E_MISSINGNODE

bool Same(const GUID &a, const GUID &b) { return memcmp(&a, &b, sizeof a) == 0; }

struct Lifetime {
    virtual ~Lifetime() {}
};

std::vector<std::unique_ptr<Lifetime>> &Kept()
{
    static std::vector<std::unique_ptr<Lifetime>> objects;
    return objects;
}

template <class Interface>
struct Object : Interface, Lifetime {
    ULONG refs = 1;
    const char *name;
    const GUID *iid;

    Object(const char *n, const GUID *i) : name(n), iid(i) { S().liveObjects++; }

    std::string Method(const char *method) const { return std::string(name) + "::" + method; }

    bool Alive(const char *method)
    {
        if (refs > 0)
            return true;
        NoteMisuse(Method(method) + " on a released object");
        return false;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!Alive("QueryInterface"))
            return E_UNEXPECTED;
        if (!Same(riid, IidUnknown) && !Same(riid, *iid))
            return E_NOINTERFACE;
        *out = static_cast<Interface *>(this);
        refs++;
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        Log(Method("AddRef").c_str(), "");
        return Alive("AddRef") ? ++refs : 0;
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        Log(Method("Release").c_str(), "");
        if (!Alive("Release"))
            return 0;
        if (--refs == 0)
            S().liveObjects--;
        return refs;
    }
};

template <class T, class... Args>
T *Make(Args... args)
{
    T *object = new T(args...);
    Kept().emplace_back(object);
    return object;
}

bool CheckBstr(BSTR text, const std::string &method)
{
    if (IsLiveBstr(text))
        return true;
    NoteMisuse(method + ": string argument is not a live BSTR");
    return false;
}

const char *VariantText(const VARIANT &v)
{
    switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_BSTR: return "BSTR";
    case VT_I4: return "I4";
    default: return "other";
    }
}

std::string LogText(BSTR text) { return text ? Shown(text, FromBstr(text).size()) : "0"; }

// The task's key in the store: its name without a leading backslash, in
// lower case (task names are not case-sensitive).
std::u16string Key(const std::u16string &name)
{
    std::u16string key = name;
    if (!key.empty() && key[0] == u'\\')
        key.erase(0, 1);
    for (char16_t &c : key)
        if (c >= u'A' && c <= u'Z')
            c = (char16_t)(c - u'A' + u'a');
    return key;
}

bool InSubfolder(const std::u16string &key) { return key.find(u'\\') != std::u16string::npos; }

struct Definition : Object<ITaskDefinition> {
    std::u16string xml;
    bool hasXml = false;

    Definition() : Object("ITaskDefinition", &IidTaskDefinition) {}

    HRESULT STDMETHODCALLTYPE get_XmlText(BSTR *out) override
    {
        Log("ITaskDefinition::get_XmlText", "");
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!Alive("get_XmlText"))
            return E_UNEXPECTED;
        *out = NewBstr(xml);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE put_XmlText(BSTR text) override
    {
        Log("ITaskDefinition::put_XmlText", "%s", LogText(text).c_str());
        if (!Alive("put_XmlText"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskDefinition::put_XmlText"))
            return hr;
        if (!CheckBstr(text, Method("put_XmlText")))
            return E_INVALIDARG;
        std::string why;
        if (!IsWellFormedXml(FromBstr(text), "Task", &why))
            return MalformedXml;
        xml = FromBstr(text);
        hasXml = true;
        return S_OK;
    }
};

struct Registered : Object<IRegisteredTask> {
    std::u16string taskName, xml;

    Registered(const std::u16string &n, const std::u16string &x)
        : Object("IRegisteredTask", &IidRegisteredTask), taskName(n), xml(x) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR *out) override
    {
        if (!out)
            return E_POINTER;
        *out = Alive("get_Name") ? NewBstr(taskName) : nullptr;
        return *out ? S_OK : E_UNEXPECTED;
    }

    HRESULT STDMETHODCALLTYPE get_Xml(BSTR *out) override
    {
        if (!out)
            return E_POINTER;
        *out = Alive("get_Xml") ? NewBstr(xml) : nullptr;
        return *out ? S_OK : E_UNEXPECTED;
    }
};

struct Folder : Object<ITaskFolder> {
    Folder() : Object("ITaskFolder", &IidTaskFolder) {}

    HRESULT STDMETHODCALLTYPE GetTask(BSTR path, IRegisteredTask **task) override
    {
        Log("ITaskFolder::GetTask", "%s", LogText(path).c_str());
        if (!task)
            return E_POINTER;
        *task = nullptr;
        if (!Alive("GetTask"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskFolder::GetTask"))
            return hr;
        if (!CheckBstr(path, Method("GetTask")))
            return E_INVALIDARG;
        std::u16string key = Key(FromBstr(path));
        auto it = S().tasks.find(key);
        if (it == S().tasks.end())
            return InSubfolder(key) ? PathNotFound : NotFound;
        *task = Make<Registered>(FromBstr(path), it->second.xml);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG flags) override
    {
        Log("ITaskFolder::DeleteTask", "%s, %d", LogText(name).c_str(), flags);
        if (!Alive("DeleteTask"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskFolder::DeleteTask"))
            return hr;
        if (!CheckBstr(name, Method("DeleteTask")) || flags != 0)
            return E_INVALIDARG;
        if (S().denyChanges)
            return E_ACCESSDENIED;
        if (!S().tasks.erase(Key(FromBstr(name))))
            return NotFound;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition *definition, LONG flags,
                                                     VARIANT user, VARIANT password, TASK_LOGON_TYPE logon,
                                                     VARIANT sddl, IRegisteredTask **task) override
    {
        Log("ITaskFolder::RegisterTaskDefinition", "%s, %s, %d, %s, %s, %d, %s, %s", LogText(path).c_str(),
            definition ? "definition" : "0", flags, VariantText(user), VariantText(password), (int)logon,
            VariantText(sddl), task ? "task" : "0");
        if (task)
            *task = nullptr;
        if (!Alive("RegisterTaskDefinition"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskFolder::RegisterTaskDefinition"))
            return hr;
        if (!CheckBstr(path, Method("RegisterTaskDefinition")) || !definition)
            return E_INVALIDARG;
        Definition *d = static_cast<Definition *>(definition);
        if (!d->Alive("(definition passed to RegisterTaskDefinition)"))
            return E_UNEXPECTED;
        TaskRegistration r;
        r.name = Narrow(FromBstr(path));
        r.flags = flags;
        r.logon = logon;
        r.user = user.vt;
        r.password = password.vt;
        r.sddl = sddl.vt;
        r.askedForTask = task != nullptr;
        S().registrations.push_back(r);
        if (!d->hasXml)
            return MissingNode;
        if (S().denyChanges)
            return E_ACCESSDENIED;
        std::u16string key = Key(FromBstr(path));
        if (InSubfolder(key))
            return PathNotFound;
        bool exists = S().tasks.count(key) != 0;
        if (flags & TASK_VALIDATE_ONLY)
            return S_OK;
        if (exists && !(flags & TASK_UPDATE))
            return AlreadyExists;
        if (!exists && !(flags & TASK_CREATE))
            return NotFound;
        S().tasks[key].xml = d->xml;
        if (task)
            *task = Make<Registered>(FromBstr(path), d->xml);
        return S_OK;
    }
};

struct Service : Object<ITaskService> {
    bool connected = false;

    Service() : Object("ITaskService", &IidTaskService) {}

    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override
    {
        Log("ITaskService::Connect", "%s, %s, %s, %s", VariantText(server), VariantText(user), VariantText(domain),
            VariantText(password));
        if (!Alive("Connect"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskService::Connect"))
            return hr;
        // Only the local machine is there to be reached.
        if (server.vt != VT_EMPTY && !(server.vt == VT_BSTR && FromBstr(server.bstrVal).empty()))
            return BadNetPath;
        connected = true;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder **folder) override
    {
        Log("ITaskService::GetFolder", "%s", LogText(path).c_str());
        if (!folder)
            return E_POINTER;
        *folder = nullptr;
        if (!Alive("GetFolder"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskService::GetFolder"))
            return hr;
        if (!CheckBstr(path, Method("GetFolder")))
            return E_INVALIDARG;
        if (!connected)
            return NotConnected;
        if (FromBstr(path) != u"\\")
            return PathNotFound;
        *folder = Make<Folder>();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition **definition) override
    {
        Log("ITaskService::NewTask", "%u", flags);
        if (!definition)
            return E_POINTER;
        *definition = nullptr;
        if (!Alive("NewTask"))
            return E_UNEXPECTED;
        if (HRESULT hr = InjectedFailure("ITaskService::NewTask"))
            return hr;
        if (flags != 0)
            return E_INVALIDARG;
        if (!connected)
            return NotConnected;
        *definition = Make<Definition>();
        return S_OK;
    }
};

} // namespace

ITaskService *NewTaskService() { return Make<Service>(); }
bool IsTaskServiceIid(const GUID &iid) { return Same(iid, IidTaskService); }

void DenyTaskChanges(bool deny) { S().denyChanges = deny; }

void PutTask(const char *name, const char *xml) { S().tasks[Key(Widen(name))].xml = Widen(xml); }

bool HasTask(const char *name) { return S().tasks.count(Key(Widen(name))) != 0; }

size_t TaskCount() { return S().tasks.size(); }

std::string TaskXml(const char *name)
{
    auto it = S().tasks.find(Key(Widen(name)));
    return it == S().tasks.end() ? std::string() : Narrow(it->second.xml);
}

const std::vector<TaskRegistration> &Registrations() { return S().registrations; }

} // namespace sim
