// error.h - the calling thread's last-error code and the error values the platform sets.
// Platform-internal: the setup program never reads the last error, so windows.h leaves it out.
#ifndef PLATFORM_KERNEL_ERROR_H
#define PLATFORM_KERNEL_ERROR_H

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#define ERROR_SUCCESS 0
#define ERROR_INVALID_FUNCTION 1
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_TOO_MANY_OPEN_FILES 4
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_BAD_FORMAT 11
#define ERROR_WRITE_FAULT 29
#define ERROR_READ_FAULT 30
#define ERROR_GEN_FAILURE 31
#define ERROR_SHARING_VIOLATION 32
#define ERROR_HANDLE_EOF 38
#define ERROR_HANDLE_DISK_FULL 39
#define ERROR_NOT_SUPPORTED 50
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_NAME 123
#define ERROR_DIR_NOT_EMPTY 145
#define ERROR_ALREADY_EXISTS 183
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_DIRECTORY 267
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD dwErrCode);

namespace winhost {

// The error's symbolic name ("ERROR_DISK_FULL"), or its number as text when it has none here.
std::string ErrorName(DWORD error);
// The inverse, for settings that name an error: a symbolic name or a decimal number.
std::optional<DWORD> ParseErrorName(std::string_view text);

}  // namespace winhost

#endif
