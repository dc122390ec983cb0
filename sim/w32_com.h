// COM side of the simulated Win32 API: apartments and class activation
// (ole32), OLE Automation strings and variants (oleaut32), and the Task
// Scheduler 2.0 interfaces (taskschd.h) for the methods the program uses,
// declared with the SDK's method names, parameter types and order so that
// one program source compiles against both.
#pragma once

#include "sim/w32_types.h"
#include "sim/w32_errors.h"

// ---- Apartments and activation -------------------------------------------
typedef enum tagCOINIT {
    COINIT_MULTITHREADED = 0,
    COINIT_APARTMENTTHREADED = 2,
    COINIT_DISABLE_OLE1DDE = 4,
    COINIT_SPEED_OVER_MEMORY = 8
} COINIT;

typedef enum tagCLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10
} CLSCTX;

#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown *LPUNKNOWN;

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID iid, LPVOID *object);

// ---- OLE Automation strings and variants -----------------------------------
typedef unsigned short VARTYPE;
typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

enum VARENUM { VT_EMPTY = 0, VT_NULL = 1, VT_I4 = 3, VT_BSTR = 8, VT_UNKNOWN = 13 };

// Laid out as Windows' VARIANT in a 64-bit process: 24 bytes, the type
// first, the value at offset 8.
typedef struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        int64_t llVal;
        LONG lVal;
        BSTR bstrVal;
        IUnknown *punkVal;
        VARIANT_BOOL boolVal;
        void *pvRecord[2];
    };
} VARIANT, VARIANTARG;

BSTR SysAllocString(const OLECHAR *text);
BSTR SysAllocStringLen(const OLECHAR *text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
void VariantInit(VARIANTARG *variant);
HRESULT VariantClear(VARIANTARG *variant);

// Text conversion: MultiByteToWideChar fails on a byte sequence that is not
// a whole character of the code page.
#define MB_ERR_INVALID_CHARS 0x00000008u

// ---- Task Scheduler 2.0 ------------------------------------------------------
typedef enum _TASK_LOGON_TYPE {
    TASK_LOGON_NONE = 0,
    TASK_LOGON_PASSWORD = 1,
    TASK_LOGON_S4U = 2,
    TASK_LOGON_INTERACTIVE_TOKEN = 3,
    TASK_LOGON_GROUP = 4,
    TASK_LOGON_SERVICE_ACCOUNT = 5,
    TASK_LOGON_INTERACTIVE_TOKEN_OR_PASSWORD = 6
} TASK_LOGON_TYPE;

typedef enum _TASK_CREATION {
    TASK_VALIDATE_ONLY = 0x1,
    TASK_CREATE = 0x2,
    TASK_UPDATE = 0x4,
    TASK_CREATE_OR_UPDATE = 0x6,
    TASK_DISABLE = 0x8,
    TASK_DONT_ADD_PRINCIPAL_ACE = 0x10,
    TASK_IGNORE_REGISTRATION_TRIGGERS = 0x20
} TASK_CREATION;

// Declared here as the SDK declares them; the program defines them.
extern "C" const GUID CLSID_TaskScheduler;
extern "C" const GUID IID_ITaskService;

struct ITaskFolder;
struct ITaskDefinition;
struct IRegisteredTask;

struct ITaskService : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder **folder) = 0;
    virtual HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition **definition) = 0;
    virtual HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) = 0;
};

struct ITaskFolder : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTask(BSTR path, IRegisteredTask **task) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition *definition, LONG flags,
                                                             VARIANT user, VARIANT password, TASK_LOGON_TYPE logon,
                                                             VARIANT sddl, IRegisteredTask **task) = 0;
};

struct ITaskDefinition : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_XmlText(BSTR *xml) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_XmlText(BSTR xml) = 0;
};

struct IRegisteredTask : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR *name) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Xml(BSTR *xml) = 0;
};
