// binding.cpp - the Windows build's start-up and its bindings to libraries outside the known DLLs.
#include <windows.h>
#include <commctrl.h>
#include <winver.h>

// Loads a library that is not one of the system's known DLLs from the system folder by full
// path: a setup runs from download folders, where a planted DLL of the same name would
// otherwise be found first. The import table therefore names only known DLLs.
static HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) return NULL;
  lstrcatA(path, "\\");
  lstrcatA(path, name);
  return LoadLibraryA(path);
}

// The dialog template names the progress bar class, and the program itself makes no call
// to initialise the common controls, so the class must exist before the dialog is created.
// Without it the dialog still opens (DS_NOFAILCREATE), only without the bar.
static void RegisterProgressClass(void) {
  HMODULE controls = LoadSystemLibrary("comctl32.dll");
  if (!controls) return;
  typedef BOOL(WINAPI * InitProc)(const INITCOMMONCONTROLSEX*);
  InitProc init = (InitProc)(void*)GetProcAddress(controls, "InitCommonControlsEx");
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  if (init) init(&classes);
}

// The version library is not a known DLL: the program's calls of VerInstallFileA land here
// and are forwarded to the system folder's copy, loaded on the first call.
typedef DWORD(WINAPI* VerInstallFileProc)(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, PUINT);

extern "C" DWORD WINAPI VerInstallFileA(DWORD flags, LPSTR sourceName, LPSTR destName, LPSTR sourceDir,
                                        LPSTR destDir, LPSTR currentDir, LPSTR tempName, PUINT tempLength) {
  static VerInstallFileProc install;
  if (!install) {
    HMODULE version = LoadSystemLibrary("version.dll");
    if (version) install = (VerInstallFileProc)(void*)GetProcAddress(version, "VerInstallFileA");
  }
  // Without the service nothing can be expanded: the file is reported as not installed.
  if (!install) return VIF_CANNOTREADSRC;
  return install(flags, sourceName, destName, sourceDir, destDir, currentDir, tempName, tempLength);
}

// The command line after the program's name and the blanks that follow it. The name is
// quoted when it holds blanks; a quoted name ends at the closing quote.
static LPSTR CommandTail(void) {
  LPSTR p = GetCommandLineA();
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p > ' ') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// The process entry: this program's whole runtime start-up. Windows enters it with whatever
// stack alignment the loader leaves, hence the realignment for the code compiled below it.
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WinMainCRTStartup(void) {
  RegisterProgressClass();
  ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, CommandTail(), SW_SHOWDEFAULT));
}
