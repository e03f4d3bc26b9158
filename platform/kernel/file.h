// file.h - the kernel's file services that the program does not call but the platform's own
// libraries do (the version-install service reads and replaces files through them).
// Win32 conventions: FALSE or none on failure, with the reason in the last error.
#ifndef PLATFORM_KERNEL_FILE_H
#define PLATFORM_KERNEL_FILE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace winhost {

// Reads up to `size` bytes at the handle's position; fewer only at the end of the file.
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read);
// The open file's size in bytes.
std::optional<std::uint64_t> GetFileSize(HANDLE file);
// Renames `from` to `to`; with `replace` an existing file `to` is replaced, which needs it
// writable and not open without FILE_SHARE_DELETE (as the rename needs of `from`).
BOOL MoveFile(LPCSTR from, LPCSTR to, bool replace);

// Tests: handles this process has open, to find a leaked one.
std::size_t OpenFileCount();

}  // namespace winhost

#endif
