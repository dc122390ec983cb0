// The simulated system's own guarantees that the program's tests lean on:
// waits run the script, handles and rights behave as on Windows, and COM
// misuse is caught rather than passing unnoticed.
#include <gtest/gtest.h>

#include "sim/sim_system.h"

namespace {

TEST(SimProcesses, InfiniteWaitRunsTheScriptUntilTheProcessEnds)
{
    DWORD pid = sim::StartForeignProcess("app.exe");
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    ASSERT_NE(h, nullptr);
    int ran = 0;
    sim::Then([&] { ran++; });
    sim::Then([&] { ran++; sim::EndProcess(pid, 7); });
    sim::Then([&] { ran++; });
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ran, 2);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(h, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(sim::OpenHandles(), 0u);
}

TEST(SimProcesses, WaitWithNoStepLeftThrows)
{
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, sim::StartForeignProcess("app.exe"));
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT);
    EXPECT_THROW(WaitForSingleObject(h, INFINITE), sim::ScriptExhausted);
}

TEST(SimProcesses, AnEndedProcessLastsOnlyWhileAHandleHoldsIt)
{
    DWORD pid = sim::StartForeignProcess("app.exe");
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    sim::EndProcess(pid, 0);
    HANDLE again = OpenProcess(SYNCHRONIZE, FALSE, pid);
    EXPECT_NE(again, nullptr);
    CloseHandle(again);
    CloseHandle(h);
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, pid), nullptr);
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, 0), nullptr);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(sim::BadHandleCloses(), 1u);
}

TEST(SimProcesses, HandlesCarryOnlyTheRightsAskedFor)
{
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, sim::StartForeignProcess("app.exe"));
    DWORD code;
    EXPECT_FALSE(GetExitCodeProcess(h, &code));
    EXPECT_FALSE(TerminateProcess(h, 1));
    CloseHandle(h);
    h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, sim::StartForeignProcess("app.exe"));
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_FAILED);
    CloseHandle(h);
}

TEST(SimProcesses, StartedProgramIsRecordedAndCanBeTerminated)
{
    sim::SetModulePath("C:\\P\\plinthwise.exe");
    char line[] = "\"C:\\P\\plinthwise.exe\" --watch 1000";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(NULL, line, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &si, &pi));
    const sim::ProcessRecord *p = sim::FindProcess(pi.dwProcessId);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->image, "plinthwise.exe");
    EXPECT_EQ(p->commandLine, line);
    EXPECT_TRUE(p->running);
    HWND w = sim::MakeWindow("App", "of the watcher", WS_OVERLAPPEDWINDOW, 0, SW_SHOW, pi.dwProcessId);
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 3));
    EXPECT_FALSE(sim::FindProcess(pi.dwProcessId)->running);
    EXPECT_FALSE(sim::Exists(w));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST(SimCom, MisuseIsCaught)
{
    ASSERT_EQ(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED), S_OK);
    ITaskService *service = NULL;
    ASSERT_EQ(CoCreateInstance(CLSID_TaskScheduler, NULL, CLSCTX_INPROC_SERVER, IID_ITaskService, (void **)&service),
              S_OK);
    OLECHAR root[] = {'\\', 0};
    ITaskFolder *folder = NULL;
    EXPECT_EQ(service->GetFolder(root, &folder), E_INVALIDARG);  // not a BSTR
    service->Release();
    service->Release();
    SysFreeString(root);
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(sim::LiveVariants(), 1u);
    EXPECT_EQ(sim::Misuse().size(), 3u);
    EXPECT_EQ(sim::LiveComObjects(), 0u);
}

TEST(SimCom, ActivationNeedsAnApartment)
{
    ITaskService *service = NULL;
    EXPECT_EQ(CoCreateInstance(CLSID_TaskScheduler, NULL, CLSCTX_INPROC_SERVER, IID_ITaskService, (void **)&service),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(service, nullptr);
}

// A cut or unescaped document is refused as the real service refuses it.
TEST(SimCom, TaskDocumentMustBeWellFormed)
{
    ASSERT_EQ(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED), S_OK);
    ITaskService *service = NULL;
    CoCreateInstance(CLSID_TaskScheduler, NULL, CLSCTX_INPROC_SERVER, IID_ITaskService, (void **)&service);
    VARIANT empty;
    VariantInit(&empty);
    ASSERT_EQ(service->Connect(empty, empty, empty, empty), S_OK);
    ITaskDefinition *definition = NULL;
    ASSERT_EQ(service->NewTask(0, &definition), S_OK);
    const char *documents[] = {
        "<Task><Exec><Command>C:\\a.exe</Command></Exec></Task>",
        "<Task><Exec><Command>C:\\a.exe</Command></Ex",
        "<Task><Author>R&D</Author></Task>",
        "<Task><Author>a<b</Author></Task>",
        "<Task id=\"1\" id=\"2\"/>",
        "<Other/>",
    };
    for (const char *doc : documents) {
        std::u16string text(doc, doc + strlen(doc));
        BSTR xml = SysAllocStringLen((const OLECHAR *)text.data(), (UINT)text.size());
        EXPECT_EQ(SUCCEEDED(definition->put_XmlText(xml)), doc == documents[0]) << doc;
        SysFreeString(xml);
    }
    definition->Release();
    service->Release();
    VariantClear(&empty);
}

// The simulated desktop reads the program's manifest. Its coordinates are
// physical pixels throughout, which is what Windows gives a per-monitor v2
// process only: another awareness would need the system's scaling of
// positions modelled first.
TEST(SimManifest, AsksForWhatTheSimulatedDesktopModels)
{
    EXPECT_EQ(sim::Manifest().dpiAwareness, "PerMonitorV2");
    EXPECT_EQ(GetACP(), (UINT)CP_UTF8);
    WCHAR wide[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xd0\xaf", -1, wide, 4), 2);  // Cyrillic Ya
    EXPECT_EQ(wide[0], 0x042F);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xd0", 1, wide, 4), 0);  // half a character
}

} // namespace
