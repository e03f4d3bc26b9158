// install.cpp - the version-install service: expands a packed file into its installed name.
//
// The file is always installed whatever the versions (the only use made of the service is
// with VIFF_FORCEINSTALL), and an old copy elsewhere (szCurDir) is never touched. The
// expanded bytes go to a temporary file in the destination folder, which then replaces the
// destination in one rename: on any failure the destination is as it was, and no temporary
// is left behind. Every file access goes through the kernel's services, so that read-only
// files, sharing and injected faults apply here as they do to the program.
#include <windows.h>

#include <cstdio>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "kernel/error.h"
#include "kernel/faults.h"
#include "kernel/file.h"
#include "version/szdd.h"

namespace {

using winhost::faults::Site;

// The stage that failed, and the detail that the kernel's error adds to it.
struct ErrorBit {
  DWORD error;
  DWORD bits;
};
constexpr ErrorBit DetailBits[] = {
    {ERROR_SHARING_VIOLATION, VIF_SHARINGVIOLATION | VIF_FILEINUSE},
    {ERROR_ACCESS_DENIED, VIF_ACCESSVIOLATION},
    {ERROR_DISK_FULL, VIF_OUTOFSPACE},
    {ERROR_HANDLE_DISK_FULL, VIF_OUTOFSPACE},
    {ERROR_NOT_ENOUGH_MEMORY, VIF_OUTOFMEMORY},
};

DWORD Result(DWORD stage, DWORD error) {
  for (const ErrorBit& e : DetailBits)
    if (e.error == error) return stage | e.bits;
  return stage;
}

// A folder and a bare name, with a backslash between them unless the folder ends in one.
std::string Join(LPCSTR folder, LPCSTR name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  return path + name;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  BOOL Close() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE ? TRUE : CloseHandle(handle);
  }

 private:
  HANDLE handle_;
};

// Commit or remove: the bytes are written under a temporary name in the destination folder,
// Commit() renames that over the target, and an uncommitted temporary is deleted.
class PendingFile {
 public:
  explicit PendingFile(LPCSTR folder) : folder_(folder) {}
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (!created_ || committed_) return;
    handle_.Close();
    // A second try covers a passing failure; a temporary must not stay behind.
    if (!DeleteFileA(path_.c_str())) DeleteFileA(path_.c_str());
  }

  // Creates the temporary file; the kernel's error, or 0.
  DWORD Create() {
    static unsigned counter = 0;
    for (unsigned tries = 0; tries < 0x10000; tries++) {
      char name[16];
      std::snprintf(name, sizeof name, "VIF%04X.TMP", ++counter & 0xFFFF);
      path_ = Join(folder_, name);
      HANDLE handle = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
      if (handle != INVALID_HANDLE_VALUE) {
        handle_.Reset(handle);
        created_ = true;
        return 0;
      }
      if (GetLastError() != ERROR_FILE_EXISTS) return GetLastError();
    }
    return ERROR_FILE_EXISTS;
  }

  DWORD Write(std::span<const std::uint8_t> bytes) {
    DWORD written = 0;
    if (!WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL))
      return GetLastError();
    return handle_.Close() ? 0 : GetLastError();
  }

  DWORD Commit(const std::string& target) {
    if (!winhost::MoveFile(path_.c_str(), target.c_str(), true)) return GetLastError();
    committed_ = true;
    return 0;
  }

 private:
  LPCSTR folder_;
  std::string path_;
  Handle handle_{INVALID_HANDLE_VALUE};
  bool created_ = false;
  bool committed_ = false;
};

// The source file's bytes; the kernel's error, or 0.
DWORD ReadSource(const std::string& path, winhost::ByteBuffer* bytes) {
  Handle source(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
  if (!source.valid()) return GetLastError();
  std::optional<std::uint64_t> size = winhost::GetFileSize(source.get());
  if (!size) return GetLastError();
  if (*size > 0xFFFFFFFFu) return ERROR_NOT_ENOUGH_MEMORY;
  bytes->resize(static_cast<std::size_t>(*size));
  DWORD read = 0;
  if (!winhost::ReadFile(source.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read)) return GetLastError();
  return read == bytes->size() ? 0 : ERROR_READ_FAULT;
}

DWORD Install(LPCSTR srcName, LPCSTR destName, LPCSTR srcDir, LPCSTR destDir) {
  winhost::ByteBuffer source;
  if (DWORD error = ReadSource(Join(srcDir, srcName), &source)) return Result(VIF_CANNOTREADSRC, error);

  // A file that is not packed is installed as it is, as the platform's expander does.
  winhost::ByteBuffer expanded;
  if (winhost::IsSzdd(source)) {
    std::optional<winhost::ByteBuffer> bytes = winhost::ExpandSzdd(source);
    if (!bytes) return VIF_CANNOTREADSRC;  // corrupt or cut short: nothing is installed
    expanded = std::move(*bytes);
  } else {
    expanded = std::move(source);
  }

  std::string destination = Join(destDir, destName);
  DWORD attributes = GetFileAttributesA(destination.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return VIF_CANNOTCREATE;
    if (attributes & FILE_ATTRIBUTE_READONLY) return VIF_WRITEPROT;
  }

  PendingFile pending(destDir);
  if (DWORD error = pending.Create()) return Result(VIF_CANNOTCREATE, error);
  if (DWORD error = pending.Write(expanded)) return Result(VIF_CANNOTCREATE, error);
  switch (DWORD error = pending.Commit(destination)) {
    case 0: return 0;
    case ERROR_SHARING_VIOLATION: return VIF_FILEINUSE | VIF_SHARINGVIOLATION;
    case ERROR_ACCESS_DENIED: return VIF_WRITEPROT;
    default: return Result(VIF_CANNOTRENAME, error);
  }
}

}  // namespace

DWORD WINAPI VerInstallFileA(DWORD, LPCSTR szSrcFileName, LPCSTR szDestFileName, LPCSTR szSrcDir, LPCSTR szDestDir,
                             LPCSTR, LPSTR szTmpFile, PUINT puTmpFileLen) {
  // No temporary file is ever left for the caller to deal with.
  if (szTmpFile && puTmpFileLen && *puTmpFileLen) szTmpFile[0] = '\0';
  if (puTmpFileLen) *puTmpFileLen = 0;
  if (auto fault = winhost::faults::Check(Site::VerInstallFile)) return Result(VIF_CANNOTREADSRC, *fault);
  if (!szSrcFileName || !szDestFileName || !szSrcDir || !szDestDir) return VIF_CANNOTREADSRC;
  try {
    return Install(szSrcFileName, szDestFileName, szSrcDir, szDestDir);
  } catch (const std::bad_alloc&) {
    return VIF_OUTOFMEMORY;
  }
}
