// System error codes that the simulated account, process and COM calls set
// with SetLastError, with Windows' values (winerror.h).
#pragma once

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_NONE_MAPPED 1332L
#define ERROR_HOTKEY_ALREADY_REGISTERED 1409L
#define ERROR_TIMEOUT 1460L
#define ERROR_INVALID_SID 1337L
