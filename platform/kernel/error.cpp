// error.cpp - the last-error code of each thread, and the names of the error values.
#include "kernel/error.h"

#include <charconv>
#include <iterator>

namespace {

thread_local DWORD LastError = ERROR_SUCCESS;

struct NamedError {
  DWORD code;
  const char* name;
};

#define WINHOST_NAMED(e) {e, #e}
constexpr NamedError NamedErrors[] = {
    WINHOST_NAMED(ERROR_SUCCESS),          WINHOST_NAMED(ERROR_INVALID_FUNCTION),
    WINHOST_NAMED(ERROR_FILE_NOT_FOUND),   WINHOST_NAMED(ERROR_PATH_NOT_FOUND),
    WINHOST_NAMED(ERROR_TOO_MANY_OPEN_FILES), WINHOST_NAMED(ERROR_ACCESS_DENIED),
    WINHOST_NAMED(ERROR_INVALID_HANDLE),   WINHOST_NAMED(ERROR_NOT_ENOUGH_MEMORY),
    WINHOST_NAMED(ERROR_BAD_FORMAT),       WINHOST_NAMED(ERROR_WRITE_FAULT),
    WINHOST_NAMED(ERROR_READ_FAULT),       WINHOST_NAMED(ERROR_GEN_FAILURE),
    WINHOST_NAMED(ERROR_SHARING_VIOLATION), WINHOST_NAMED(ERROR_HANDLE_EOF),
    WINHOST_NAMED(ERROR_HANDLE_DISK_FULL), WINHOST_NAMED(ERROR_NOT_SUPPORTED),
    WINHOST_NAMED(ERROR_FILE_EXISTS),      WINHOST_NAMED(ERROR_INVALID_PARAMETER),
    WINHOST_NAMED(ERROR_DISK_FULL),        WINHOST_NAMED(ERROR_INSUFFICIENT_BUFFER),
    WINHOST_NAMED(ERROR_INVALID_NAME),     WINHOST_NAMED(ERROR_DIR_NOT_EMPTY),
    WINHOST_NAMED(ERROR_ALREADY_EXISTS),   WINHOST_NAMED(ERROR_FILENAME_EXCED_RANGE),
    WINHOST_NAMED(ERROR_DIRECTORY),        WINHOST_NAMED(ERROR_RESOURCE_DATA_NOT_FOUND),
    WINHOST_NAMED(ERROR_RESOURCE_TYPE_NOT_FOUND), WINHOST_NAMED(ERROR_RESOURCE_NAME_NOT_FOUND),
};
#undef WINHOST_NAMED

}  // namespace

DWORD WINAPI GetLastError() { return LastError; }
void WINAPI SetLastError(DWORD dwErrCode) { LastError = dwErrCode; }

namespace winhost {

std::string ErrorName(DWORD error) {
  for (const NamedError& e : NamedErrors)
    if (e.code == error) return e.name;
  return std::to_string(error);
}

std::optional<DWORD> ParseErrorName(std::string_view text) {
  for (const NamedError& e : NamedErrors)
    if (text == e.name) return e.code;
  DWORD value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace winhost
