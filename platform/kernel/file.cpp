// file.cpp - files, attributes and folders on the mapped drives, with Windows' rules for
// read-only files and for sharing.
//
// Read-only is the host file's owner-write bit (clear = read-only), enforced here: the
// platform runs as root, where permission bits stop nothing.
//
// Sharing is checked twice. This process's open handles are in a table keyed by the host
// file's identity. Other processes' are seen through open-file-description locks on bytes
// far past any real data: each handle holds a shared lock on a byte for each access it has
// and each sharing it denies, and an open probes for the bytes that would conflict.
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>

#include "kernel/drive.h"
#include "kernel/error.h"
#include "kernel/faults.h"
#include "kernel/file.h"

namespace fs = std::filesystem;
using winhost::faults::Site;

namespace {

constexpr DWORD GenericAll = 0x10000000u;

struct Identity {
  dev_t dev;
  ino_t ino;
  bool operator<(const Identity& other) const {
    return dev != other.dev ? dev < other.dev : ino < other.ino;
  }
};

struct OpenFile {
  int fd;
  Identity id;
  bool read;
  bool write;
  DWORD share;
};

std::map<std::uintptr_t, std::unique_ptr<OpenFile>>& Handles() {
  static std::map<std::uintptr_t, std::unique_ptr<OpenFile>> handles;
  return handles;
}

// Handle values: small multiples of 4 from 0x100, never NULL or INVALID_HANDLE_VALUE.
std::uintptr_t NextHandleValue() {
  static std::uintptr_t next = 0x100;
  return next += 4;
}

OpenFile* Lookup(HANDLE handle) {
  auto it = Handles().find(reinterpret_cast<std::uintptr_t>(handle));
  return it == Handles().end() ? nullptr : it->second.get();
}

struct ErrnoError {
  int code;
  DWORD error;
};
constexpr ErrnoError ErrnoErrors[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},     {ENOTDIR, ERROR_PATH_NOT_FOUND},   {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},       {EROFS, ERROR_ACCESS_DENIED},      {EISDIR, ERROR_ACCESS_DENIED},
    {ENOSPC, ERROR_DISK_FULL},          {EDQUOT, ERROR_DISK_FULL},         {EEXIST, ERROR_ALREADY_EXISTS},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE}, {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES}, {EBUSY, ERROR_SHARING_VIOLATION}, {ETXTBSY, ERROR_SHARING_VIOLATION},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},   {ENOMEM, ERROR_NOT_ENOUGH_MEMORY}, {EBADF, ERROR_INVALID_HANDLE},
};

DWORD ErrorFromErrno(int code) {
  for (const ErrnoError& e : ErrnoErrors)
    if (e.code == code) return e.error;
  return ERROR_GEN_FAILURE;
}

template <typename T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

bool IsReadOnly(const struct stat& st) { return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR); }

// ---- sharing across processes ----------------------------------------------

// One lock byte per access held and per sharing denied.
enum LockByte : off_t { HoldsRead, HoldsWrite, DeniesRead, DeniesWrite, DeniesDelete };
constexpr off_t LockBase = 0x7FFFFFFF00000000;

bool OtherHolds(int fd, LockByte byte) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = LockBase + byte;
  lock.l_len = 1;
  // A file system without these locks shares nothing across processes, and refuses nothing.
  return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

void Hold(int fd, LockByte byte) {
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = LockBase + byte;
  lock.l_len = 1;
  fcntl(fd, F_OFD_SETLK, &lock);
}

// FD is a fresh description of the file, holding no lock yet.
bool OthersConflict(int fd, bool read, bool write, DWORD share) {
  return (read && OtherHolds(fd, DeniesRead)) || (write && OtherHolds(fd, DeniesWrite)) ||
         (!(share & FILE_SHARE_READ) && OtherHolds(fd, HoldsRead)) ||
         (!(share & FILE_SHARE_WRITE) && OtherHolds(fd, HoldsWrite));
}

// A handle without data access (attributes only) takes no part in sharing, on Windows too.
void HoldShareLocks(const OpenFile& file) {
  if (!file.read && !file.write) return;
  if (file.read) Hold(file.fd, HoldsRead);
  if (file.write) Hold(file.fd, HoldsWrite);
  if (!(file.share & FILE_SHARE_READ)) Hold(file.fd, DeniesRead);
  if (!(file.share & FILE_SHARE_WRITE)) Hold(file.fd, DeniesWrite);
  if (!(file.share & FILE_SHARE_DELETE)) Hold(file.fd, DeniesDelete);
}

// ---- sharing rules ----------------------------------------------------------

bool OpenConflicts(int fd, const Identity& id, bool read, bool write, DWORD share) {
  if (!read && !write) return false;
  for (const auto& [value, file] : Handles()) {
    if (file->id.dev != id.dev || file->id.ino != id.ino || (!file->read && !file->write)) continue;
    if ((read && !(file->share & FILE_SHARE_READ)) || (write && !(file->share & FILE_SHARE_WRITE)) ||
        (file->read && !(share & FILE_SHARE_READ)) || (file->write && !(share & FILE_SHARE_WRITE)))
      return true;
  }
  return OthersConflict(fd, read, write, share);
}

// Deleting or renaming a file needs every open handle to share delete.
bool InUse(const fs::path& host) {
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return false;
  for (const auto& [value, file] : Handles())
    if (file->id.dev == st.st_dev && file->id.ino == st.st_ino && (file->read || file->write) &&
        !(file->share & FILE_SHARE_DELETE))
      return true;
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  bool held = OtherHolds(fd, DeniesDelete);
  close(fd);
  return held;
}

// The last error for a path that does not name an existing entry.
DWORD MissingError(const winhost::ResolvedPath& resolved) {
  return resolved.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// Why an existing file cannot be deleted or replaced, or 0.
DWORD RemovalRefused(const fs::path& host, const struct stat& st) {
  if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return ERROR_ACCESS_DENIED;
  if (InUse(host)) return ERROR_SHARING_VIOLATION;
  return 0;
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
  if (auto fault = winhost::faults::Check(Site::CreateFile)) return Fail(*fault, INVALID_HANDLE_VALUE);
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  const bool read = dwDesiredAccess & (GENERIC_READ | GenericAll);
  const bool write = dwDesiredAccess & (GENERIC_WRITE | GenericAll);
  const bool truncates = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
  if (dwCreationDisposition == TRUNCATE_EXISTING && !write) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

  winhost::ResolvedPath resolved = winhost::ResolvePath(lpFileName);
  if (resolved.error) return Fail(resolved.error, INVALID_HANDLE_VALUE);
  if (resolved.isRoot) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  if (!resolved.parentExists) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

  struct stat st;
  const bool exists = stat(resolved.host.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    if (dwCreationDisposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    if (IsReadOnly(st) && (write || truncates)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  } else if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING) {
    return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  }

  // The host file is opened for reading too, which the sharing locks need.
  int flags = (write ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (!exists) flags |= O_CREAT | O_EXCL;
  const bool makesReadOnly = (!exists || truncates) && (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY);
  int fd = open(resolved.host.c_str(), flags, makesReadOnly ? 0444 : 0666);
  if (fd < 0) {
    DWORD error = errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno);
    return Fail(error, INVALID_HANDLE_VALUE);
  }
  if (fstat(fd, &st) != 0) {
    DWORD error = ErrorFromErrno(errno);
    close(fd);
    return Fail(error, INVALID_HANDLE_VALUE);
  }
  auto file = std::make_unique<OpenFile>(OpenFile{fd, {st.st_dev, st.st_ino}, read, write, dwShareMode});
  // A file created just now cannot be open elsewhere; an existing one is checked before
  // truncation touches it.
  if (exists && OpenConflicts(fd, file->id, read, write, dwShareMode)) {
    close(fd);
    return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
  }
  if (exists && truncates) {
    if (ftruncate(fd, 0) != 0) {
      DWORD error = ErrorFromErrno(errno);
      close(fd);
      return Fail(error, INVALID_HANDLE_VALUE);
    }
    if (makesReadOnly) fchmod(fd, st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) & 07777);
  }
  HoldShareLocks(*file);
  std::uintptr_t value = NextHandleValue();
  Handles()[value] = std::move(file);
  const bool opensOld = exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(opensOld ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(value);
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  OpenFile* file = Lookup(hFile);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->write) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!lpBuffer && nNumberOfBytesToWrite) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD size = nNumberOfBytesToWrite;
  std::optional<DWORD> fault = winhost::faults::Check(Site::WriteFile);
  // A disk that fills up does so part-way through a write.
  if (fault) size = (*fault == ERROR_DISK_FULL || *fault == ERROR_HANDLE_DISK_FULL) ? size / 2 : 0;
  const char* bytes = static_cast<const char*>(lpBuffer);
  DWORD done = 0;
  while (done < size) {
    ssize_t n = write(file->fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
      return Fail(n < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL, FALSE);
    }
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
  if (fault) return Fail(*fault, FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  auto it = Handles().find(reinterpret_cast<std::uintptr_t>(hObject));
  if (it == Handles().end()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  // Even a failing close lets go of the handle, as the host's close does.
  std::optional<DWORD> fault = winhost::faults::Check(Site::CloseHandle);
  int result = close(it->second->fd);
  int closeErrno = errno;
  Handles().erase(it);
  if (fault) return Fail(*fault, FALSE);
  if (result != 0 && closeErrno != EINTR) return Fail(ErrorFromErrno(closeErrno), FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  if (auto fault = winhost::faults::Check(Site::GetFileAttributes)) return Fail(*fault, INVALID_FILE_ATTRIBUTES);
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, INVALID_FILE_ATTRIBUTES);
  winhost::ResolvedPath resolved = winhost::ResolvePath(lpFileName);
  if (resolved.error) return Fail(resolved.error, INVALID_FILE_ATTRIBUTES);
  struct stat st;
  if (stat(resolved.host.c_str(), &st) != 0) return Fail(MissingError(resolved), INVALID_FILE_ATTRIBUTES);
  SetLastError(ERROR_SUCCESS);
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  if (!S_ISREG(st.st_mode)) return FILE_ATTRIBUTE_NORMAL;
  return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(st) ? FILE_ATTRIBUTE_READONLY : 0);
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  if (auto fault = winhost::faults::Check(Site::SetFileAttributes)) return Fail(*fault, FALSE);
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  winhost::ResolvedPath resolved = winhost::ResolvePath(lpFileName);
  if (resolved.error) return Fail(resolved.error, FALSE);
  struct stat st;
  if (stat(resolved.host.c_str(), &st) != 0) return Fail(MissingError(resolved), FALSE);
  // Only read-only is kept; a folder's read-only bit means nothing to Windows either.
  if (S_ISREG(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    if (chmod(resolved.host.c_str(), mode) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  if (auto fault = winhost::faults::Check(Site::DeleteFile)) return Fail(*fault, FALSE);
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  winhost::ResolvedPath resolved = winhost::ResolvePath(lpFileName);
  if (resolved.error) return Fail(resolved.error, FALSE);
  if (resolved.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
  struct stat st;
  if (lstat(resolved.host.c_str(), &st) != 0) return Fail(MissingError(resolved), FALSE);
  if (DWORD refused = RemovalRefused(resolved.host, st)) return Fail(refused, FALSE);
  if (unlink(resolved.host.c_str()) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  if (auto fault = winhost::faults::Check(Site::CreateDirectory)) return Fail(*fault, FALSE);
  if (!lpPathName) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  winhost::ResolvedPath resolved = winhost::ResolvePath(lpPathName, winhost::MaxDirectoryPath - 1);
  if (resolved.error) return Fail(resolved.error, FALSE);
  if (resolved.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
  struct stat st;
  if (lstat(resolved.host.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (!resolved.parentExists) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  if (mkdir(resolved.host.c_str(), 0777) != 0)
    return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno), FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

namespace winhost {

BOOL ReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* read) {
  if (read) *read = 0;
  OpenFile* file = Lookup(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->read) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (auto fault = faults::Check(Site::ReadFile)) return Fail(*fault, FALSE);
  char* bytes = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < size) {
    ssize_t n = ::read(file->fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (read) *read = done;
      return Fail(ErrorFromErrno(errno), FALSE);
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

std::optional<std::uint64_t> GetFileSize(HANDLE handle) {
  OpenFile* file = Lookup(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE, std::optional<std::uint64_t>());
  struct stat st;
  if (fstat(file->fd, &st) != 0) return Fail(ErrorFromErrno(errno), std::optional<std::uint64_t>());
  return static_cast<std::uint64_t>(st.st_size);
}

BOOL MoveFile(LPCSTR from, LPCSTR to, bool replace) {
  if (auto fault = faults::Check(Site::MoveFile)) return Fail(*fault, FALSE);
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  ResolvedPath source = ResolvePath(from);
  if (source.error) return Fail(source.error, FALSE);
  ResolvedPath target = ResolvePath(to);
  if (target.error) return Fail(target.error, FALSE);
  if (source.isRoot || target.isRoot) return Fail(ERROR_ACCESS_DENIED, FALSE);
  struct stat st;
  if (lstat(source.host.c_str(), &st) != 0) return Fail(MissingError(source), FALSE);
  // A read-only file may be renamed; one open without delete sharing may not.
  if (InUse(source.host)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (!target.parentExists) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  struct stat old;
  if (lstat(target.host.c_str(), &old) == 0 && !(old.st_dev == st.st_dev && old.st_ino == st.st_ino)) {
    if (!replace) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (DWORD refused = RemovalRefused(target.host, old)) return Fail(refused, FALSE);
  }
  if (rename(source.host.c_str(), target.host.c_str()) != 0) return Fail(ErrorFromErrno(errno), FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

std::size_t OpenFileCount() { return Handles().size(); }

}  // namespace winhost
