#include "logintask/taskclient.h"

#include "logintask/taskxml.h"

// Defined here from their published values, so that no import library has
// to provide them.
extern "C" const GUID CLSID_TaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
extern "C" const GUID IID_ITaskService = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};

// UTF-16 texts spelt out, as wide literals differ in type between the
// platforms (wchar_t on Windows, 32-bit elsewhere).
static const OLECHAR RootFolderPath[] = {'\\', 0};
static const OLECHAR LoginTaskName[] = {'P', 'l', 'i', 'n', 't', 'h', 'w', 'i', 's', 'e', 0};

// The opening sequence of every operation: the service, connected to the
// local machine under the caller's identity, and its root folder. On
// failure nothing is held and both pointers are nullptr.
static HRESULT OpenRootFolder(ITaskService **service, ITaskFolder **folder)
{
    *service = nullptr;
    *folder = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService, (void **)service);
    if (FAILED(hr)) {
        *service = nullptr;
        return hr;
    }
    VARIANT server, user, domain, password;
    VariantInit(&server);
    VariantInit(&user);
    VariantInit(&domain);
    VariantInit(&password);
    hr = (*service)->Connect(server, user, domain, password);
    VariantClear(&server);
    VariantClear(&user);
    VariantClear(&domain);
    VariantClear(&password);
    if (SUCCEEDED(hr)) {
        BSTR path = SysAllocString(RootFolderPath);
        if (path) {
            hr = (*service)->GetFolder(path, folder);
            SysFreeString(path);
        } else {
            hr = E_OUTOFMEMORY;
        }
    }
    if (FAILED(hr)) {
        if (*folder)
            (*folder)->Release();
        *folder = nullptr;
        (*service)->Release();
        *service = nullptr;
    }
    return hr;
}

static void CloseRootFolder(ITaskService *service, ITaskFolder *folder)
{
    folder->Release();
    service->Release();
}

bool LoginTaskExists()
{
    ITaskService *service;
    ITaskFolder *folder;
    if (FAILED(OpenRootFolder(&service, &folder)))
        return false;
    IRegisteredTask *task = nullptr;
    HRESULT hr = E_OUTOFMEMORY;
    BSTR name = SysAllocString(LoginTaskName);
    if (name) {
        hr = folder->GetTask(name, &task);
        SysFreeString(name);
    }
    if (task)
        task->Release();
    CloseRootFolder(service, folder);
    return SUCCEEDED(hr);
}

// Create-or-update replaces a task of the same name instead of failing as
// a duplicate. The user reaches Task Scheduler only through the document's
// UserId, so user, password and security descriptor stay empty.
static HRESULT RegisterLoginTask(ITaskFolder *folder, ITaskDefinition *definition)
{
    BSTR name = SysAllocString(LoginTaskName);
    if (!name)
        return E_OUTOFMEMORY;
    VARIANT user, password, sddl;
    VariantInit(&user);
    VariantInit(&password);
    VariantInit(&sddl);
    HRESULT hr = folder->RegisterTaskDefinition(name, definition, TASK_CREATE_OR_UPDATE, user, password,
                                                TASK_LOGON_INTERACTIVE_TOKEN, sddl, nullptr);
    SysFreeString(name);
    VariantClear(&user);
    VariantClear(&password);
    VariantClear(&sddl);
    return hr;
}

HRESULT InstallLoginTask()
{
    // The document comes first: one that cannot be made touches no COM object.
    char document[LoginTaskXmlSize];
    HRESULT hr = BuildLoginTaskXml(document);
    if (FAILED(hr))
        return hr;
    ITaskService *service;
    ITaskFolder *folder;
    hr = OpenRootFolder(&service, &folder);
    if (FAILED(hr))
        return hr;
    ITaskDefinition *definition = nullptr;
    hr = service->NewTask(0, &definition);
    if (SUCCEEDED(hr)) {
        BSTR xml;
        hr = WidenLoginTaskXml(document, &xml);
        if (SUCCEEDED(hr)) {
            hr = definition->put_XmlText(xml);
            SysFreeString(xml);
        }
    }
    if (SUCCEEDED(hr))
        hr = RegisterLoginTask(folder, definition);
    if (definition)
        definition->Release();
    CloseRootFolder(service, folder);
    return hr;
}

HRESULT RemoveLoginTask()
{
    ITaskService *service;
    ITaskFolder *folder;
    HRESULT hr = OpenRootFolder(&service, &folder);
    if (FAILED(hr))
        return hr;
    BSTR name = SysAllocString(LoginTaskName);
    if (name) {
        hr = folder->DeleteTask(name, 0);
        SysFreeString(name);
    } else {
        hr = E_OUTOFMEMORY;
    }
    CloseRootFolder(service, folder);
    return hr;
}
