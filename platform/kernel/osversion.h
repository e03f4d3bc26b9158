// osversion.h - the Windows version that GetVersionExA reports, from WINHOST_VERSION.
// The setting reads PLATFORMID:MAJOR.MINOR ("1:4.10" is Windows 98, "2:10.0" Windows 10), or
// "fail", which makes the query fail; unset means 2:10.0.
#ifndef PLATFORM_KERNEL_OSVERSION_H
#define PLATFORM_KERNEL_OSVERSION_H

#include <windows.h>

#include <optional>
#include <string_view>

namespace winhost {

struct OsVersion {
  DWORD platformId;
  DWORD major;
  DWORD minor;
  DWORD build;  // as GetVersionExA reports it: on the 95 family the high word holds the version
};

struct OsVersionSetting {
  bool valid = false;                 // false: malformed, the query fails
  std::optional<OsVersion> version;   // none: the query fails (the value "fail")
};

// Parses a WINHOST_VERSION value.
OsVersionSetting ParseOsVersion(std::string_view text);

// Tests: report VERSION from now on (none: fail), whatever WINHOST_VERSION says.
void SetOsVersion(std::optional<OsVersion> version);
// Tests: forget the test's choice; the next query reads WINHOST_VERSION again.
void ResetOsVersion();

}  // namespace winhost

#endif
