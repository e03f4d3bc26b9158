// probe.cpp - a WinMain behind the Windows build's start-up, reporting what it was given.
// Linked with platform/win32/binding.cpp exactly as the setup is. Writes probe.txt into the
// current folder, one "key=value" line each, and returns 42 so that the exit code shows
// whether the entry hands WinMain's result to the process.
#include <windows.h>
#include <winver.h>

static HANDLE Report;

static void Line(const char* key, const char* value) {
  DWORD written;
  WriteFile(Report, key, lstrlenA(key), &written, NULL);
  WriteFile(Report, "=", 1, &written, NULL);
  WriteFile(Report, value, lstrlenA(value), &written, NULL);
  WriteFile(Report, "\r\n", 2, &written, NULL);
}

static void ModulePath(const char* key, const char* module) {
  char path[MAX_PATH] = "";
  HMODULE handle = GetModuleHandleA(module);
  if (handle) GetModuleFileNameA(handle, path, MAX_PATH);
  Line(key, handle ? path : "(not loaded)");
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
  char text[MAX_PATH + 32];
  Report = CreateFileA("probe.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (Report == INVALID_HANDLE_VALUE) return 3;
  Line("tail", tail);
  wsprintfA(text, "%d", show);
  Line("show", text);
  Line("instance", instance == GetModuleHandleA(NULL) && !previous ? "own" : "other");
  // The class must exist before WinMain runs: nothing here initialises the common controls.
  HWND bar = CreateWindowExA(0, "msctls_progress32", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, instance, NULL);
  Line("progress", bar ? "created" : "missing");
  if (bar) DestroyWindow(bar);
  ModulePath("comctl32", "comctl32.dll");

  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  lstrcatA(folder, "\\");
  char source[] = "source.txt", dest[] = "dest.txt", temp[MAX_PATH] = "";
  UINT tempLength = MAX_PATH;
  DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, source, dest, folder, folder, folder, temp, &tempLength);
  wsprintfA(text, "%lu", result);
  Line("install", text);
  ModulePath("version", "version.dll");
  CloseHandle(Report);
  return 42;
}
