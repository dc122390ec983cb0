// Kernel side of the simulated Win32 API: heap, strings, time, processes.
#pragma once

#include "sim/w32_types.h"

// Heap
#define HEAP_ZERO_MEMORY 0x00000008
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID mem, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID mem);
HLOCAL LocalFree(HLOCAL mem);

// Strings: the ANSI helpers of kernel32 and user32
LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int max);
int lstrlenA(LPCSTR s);
int wsprintfA(LPSTR out, LPCSTR format, ...);
int MulDiv(int number, int numerator, int denominator);
#define CP_ACP 0
#define CP_UTF8 65001
UINT GetACP();
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
#define WC_NO_BEST_FIT_CHARS 0x00000400u
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen, LPCSTR defaultChar,
                        LPBOOL usedDefault);

// Time
void Sleep(DWORD ms);
DWORD GetTickCount();

// Processes and handles
#define SHUTDOWN_NORETRY 0x00000001u
BOOL SetProcessShutdownParameters(DWORD level, DWORD flags);
#define SYNCHRONIZE 0x00100000u
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000u
#define CREATE_NO_WINDOW 0x08000000u
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259u

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE *lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR path, DWORD size);
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size);
HMODULE GetModuleHandleA(LPCSTR name);
BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId);
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
BOOL CloseHandle(HANDLE handle);
// Named objects
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name);

DWORD GetLastError();
void SetLastError(DWORD error);
