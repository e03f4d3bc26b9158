// binding.cpp - what the Windows build's start-up provides before WinMain runs.
#include <windows.h>
#include <commctrl.h>

// Loads a library that is not one of the system's known DLLs from the system folder by full
// path: a setup runs from download folders, where a planted DLL of the same name would
// otherwise be found first.
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
static void RegisterProgressClass() {
  HMODULE controls = LoadSystemLibrary("comctl32.dll");
  if (!controls) return;
  typedef BOOL(WINAPI * InitProc)(const INITCOMMONCONTROLSEX*);
  InitProc init = (InitProc)(void*)GetProcAddress(controls, "InitCommonControlsEx");
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  if (init) init(&classes);
}

__attribute__((constructor)) static void BindPlatform() { RegisterProgressClass(); }
