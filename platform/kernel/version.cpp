// version.cpp - the version query, answered from WINHOST_VERSION.
#include <windows.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kernel/error.h"
#include "kernel/osversion.h"

namespace winhost {
namespace {

constexpr DWORD AnsiInfoSize = sizeof(OSVERSIONINFOA);
static_assert(AnsiInfoSize == 148);

// The build number that each release shipped with; other versions report 0.
struct KnownRelease {
  DWORD platformId, major, minor, build;
};
constexpr KnownRelease KnownReleases[] = {
    {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950},   {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000}, {VER_PLATFORM_WIN32_NT, 3, 51, 1057},
    {VER_PLATFORM_WIN32_NT, 4, 0, 1381},       {VER_PLATFORM_WIN32_NT, 5, 0, 2195},
    {VER_PLATFORM_WIN32_NT, 5, 1, 2600},       {VER_PLATFORM_WIN32_NT, 5, 2, 3790},
    {VER_PLATFORM_WIN32_NT, 6, 0, 6002},       {VER_PLATFORM_WIN32_NT, 6, 1, 7601},
    {VER_PLATFORM_WIN32_NT, 6, 2, 9200},       {VER_PLATFORM_WIN32_NT, 6, 3, 9600},
    {VER_PLATFORM_WIN32_NT, 10, 0, 19045},
};

DWORD BuildNumber(DWORD platformId, DWORD major, DWORD minor) {
  DWORD build = 0;
  for (const KnownRelease& r : KnownReleases)
    if (r.platformId == platformId && r.major == major && r.minor == minor) build = r.build;
  // The 95 family puts the major and minor version into the high word.
  if (platformId == VER_PLATFORM_WIN32_WINDOWS) build |= (major & 0xFF) << 24 | (minor & 0xFF) << 16;
  return build;
}

std::optional<DWORD> Number(std::string_view text) {
  DWORD value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 0xFFFF) return std::nullopt;
  return value;
}

struct Chosen {
  bool decided = false;
  OsVersionSetting setting;
};

Chosen& State() {
  static Chosen chosen;
  return chosen;
}

const OsVersionSetting& Current() {
  Chosen& chosen = State();
  if (!chosen.decided) {
    chosen.decided = true;
    const char* value = std::getenv("WINHOST_VERSION");
    chosen.setting = ParseOsVersion(value ? value : "2:10.0");
    if (!chosen.setting.valid)
      std::fprintf(stderr,
                   "winhost: WINHOST_VERSION is \"%s\": expected PLATFORMID:MAJOR.MINOR (e.g. 1:4.10 or 2:10.0) "
                   "or fail; the version query fails\n",
                   value);
  }
  return chosen.setting;
}

}  // namespace

OsVersionSetting ParseOsVersion(std::string_view text) {
  OsVersionSetting setting;
  if (text == "fail") {
    setting.valid = true;
    return setting;
  }
  size_t colon = text.find(':');
  size_t dot = text.find('.', colon == std::string_view::npos ? 0 : colon);
  if (colon == std::string_view::npos || dot == std::string_view::npos) return setting;
  std::optional<DWORD> platform = Number(text.substr(0, colon));
  std::optional<DWORD> major = Number(text.substr(colon + 1, dot - colon - 1));
  std::optional<DWORD> minor = Number(text.substr(dot + 1));
  // Any family may be reported: the program must cope with ones it does not know.
  if (!platform || !major || !minor) return setting;
  setting.valid = true;
  setting.version = OsVersion{*platform, *major, *minor, BuildNumber(*platform, *major, *minor)};
  return setting;
}

void SetOsVersion(std::optional<OsVersion> version) {
  State().decided = true;
  State().setting = OsVersionSetting{true, version};
}

void ResetOsVersion() { State() = Chosen(); }

}  // namespace winhost

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (lpVersionInformation->dwOSVersionInfoSize != winhost::AnsiInfoSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const winhost::OsVersionSetting& setting = winhost::Current();
  if (!setting.version) {
    SetLastError(setting.valid ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpVersionInformation->dwMajorVersion = setting.version->major;
  lpVersionInformation->dwMinorVersion = setting.version->minor;
  lpVersionInformation->dwBuildNumber = setting.version->build;
  lpVersionInformation->dwPlatformId = setting.version->platformId;
  std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
