// planted_dll.cpp - a stand-in for a DLL planted beside a downloaded setup. When any process
// loads it, it leaves planted-loaded.txt beside itself, naming that process.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  while (length > 0 && path[length - 1] != '\\') --length;
  lstrcpyA(path + length, "planted-loaded.txt");
  HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (marker != INVALID_HANDLE_VALUE) {
    char process[MAX_PATH];
    DWORD written, size = GetModuleFileNameA(NULL, process, MAX_PATH);
    WriteFile(marker, process, size, &written, NULL);
    CloseHandle(marker);
  }
  return TRUE;
}
