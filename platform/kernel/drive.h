// drive.h - Windows paths on mapped drives: which host folder a path like c:\Program Files\x names.
// Drive C: is WINHOST_DRIVE_C (default $HOME/.winhost/drive_c), another letter X: is
// WINHOST_DRIVE_X when set and does not exist otherwise. Paths follow Windows' rules: either
// slash separates, names compare without regard to case (an existing host entry matching so
// is used; new names keep their case), a component's trailing dots and spaces are dropped,
// "." and ".." resolve lexically and stop at the drive root, the characters <>:"|?* and control
// characters are invalid, device names (CON, NUL, COM1, LPT1.txt, ...) are refused, and a
// path has at most MAX_PATH - 1 characters (a folder to be created, 247).
#ifndef PLATFORM_KERNEL_DRIVE_H
#define PLATFORM_KERNEL_DRIVE_H

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace winhost {

// The host path that a full Windows path names; none when the path breaks a rule above or
// its drive is not mapped. The path need not exist.
std::optional<std::filesystem::path> HostPath(std::string_view windowsPath);

// The drive's host folder, empty when the letter is not mapped. A drive folder that does not
// exist yet is created at first use, with a "Program Files" folder as a fresh Windows has.
std::filesystem::path DriveRoot(char letter);
std::vector<char> MappedDrives();
// Tests: map the letter to ROOT instead of the environment's choice (empty: unmapped).
void SetDriveRoot(char letter, const std::filesystem::path& root);

// The folder-creation limit of the ANSI services: MAX_PATH less room for an 8.3 name.
inline constexpr size_t MaxDirectoryPath = MAX_PATH - 12;

struct ResolvedPath {
  std::filesystem::path host;
  DWORD error = 0;            // nonzero: the path cannot be used, the kernel's error for it
  bool parentExists = false;  // every folder above the last component exists
  bool isRoot = false;        // the path is the drive's root itself
};

// The kernel's form of HostPath: says why a path is unusable and whether its folder exists.
// maxLength: characters allowed before the terminating NUL.
ResolvedPath ResolvePath(std::string_view windowsPath, size_t maxLength = MAX_PATH - 1);

}  // namespace winhost

#endif
