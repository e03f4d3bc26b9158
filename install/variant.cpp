// variant.cpp - chooses the WinSock build from the Windows version.
#include <string.h>

#include "install.h"
#include "../res/resource.h"

// Within each family one version number decides: below the threshold the WinSock1 build.
static const struct {
  DWORD PlatformId;
  BOOL ByMinor;  // Windows 95 family: 4.0 against 4.10 and 4.90; NT: 3.x against 4.0 and later
  DWORD Threshold;
} VariantRules[] = {
    {VER_PLATFORM_WIN32_WINDOWS, TRUE, 10},
    {VER_PLATFORM_WIN32_NT, FALSE, 4},
};

static const char* const VariantNotes[] = {
    NULL,
    "WinSock1 version would be installed\n\nPress Next to continue",
    "WinSock2 version would be installed\n\nPress Next to continue",
};

BOOL SelectPlatformVariant(HWND dialog) {
  OSVERSIONINFOA version;
  memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  // A failed query leaves no version to trust: it takes the unsupported-version path.
  if (!GetVersionExA(&version)) memset(&version, 0, sizeof version);

  CurrentVariant = VariantNone;
  if (version.dwMajorVersion < 4 && version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    MessageBoxA(NULL, "Unsupported OS version", "Qelt setup : Setup", MB_ICONERROR);
    return FALSE;
  }
  for (size_t i = 0; i < sizeof VariantRules / sizeof VariantRules[0]; i++) {
    if (version.dwPlatformId != VariantRules[i].PlatformId) continue;
    DWORD number = VariantRules[i].ByMinor ? version.dwMinorVersion : version.dwMajorVersion;
    CurrentVariant = number < VariantRules[i].Threshold ? VariantWinSock1 : VariantWinSock2;
  }
  if (CurrentVariant == VariantNone) {
    MessageBoxA(NULL, "Are you sure you have\nan Operating System installed?", "Qelt setup : Question",
                MB_ICONQUESTION);
    return FALSE;
  }
  strcpy(WorkBuffer, VariantNotes[CurrentVariant]);
  SetDlgItemTextA(dialog, IDC_WELCOME_NOTE, WorkBuffer);
  return TRUE;
}
