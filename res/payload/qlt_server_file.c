/* qlt_server_file.c - loads servers.qlt from beside the running executable. */
#include "qlt_build.h"

static int Fail(char *error, int error_size, const char *what, const char *path) {
  if (error_size > 0) {
    lstrcpynA(error, what, error_size);
    if (lstrlenA(error) + 3 + lstrlenA(path) < error_size) {
      lstrcatA(error, ": ");
      lstrcatA(error, path);
    }
  }
  return 0;
}

int QltLoadServerFile(QltServerFile *file, char *error, int error_size) {
  DWORD length = GetModuleFileNameA(NULL, file->path, sizeof file->path);
  DWORD cut = length;
  HANDLE handle;
  DWORD high = 0, size;
  QltServersResult result;

  file->size = 0;
  file->count = 0;
  /* A full buffer means the name may be cut short. */
  if (length == 0 || length >= sizeof file->path) return Fail(error, error_size, "cannot find own folder", "");
  while (cut > 0 && file->path[cut - 1] != '\\' && file->path[cut - 1] != '/') --cut;
  if (cut + sizeof QELT_SERVERS_FILE > sizeof file->path)
    return Fail(error, error_size, "folder name too long", file->path);
  lstrcpyA(file->path + cut, QELT_SERVERS_FILE);

  handle = CreateFileA(file->path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (handle == INVALID_HANDLE_VALUE) return Fail(error, error_size, "cannot open", file->path);
  size = GetFileSize(handle, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size > sizeof file->data) {
    CloseHandle(handle);
    return Fail(error, error_size, "too large for a server list", file->path);
  }
  if (!ReadFile(handle, file->data, size, &file->size, NULL) || file->size != size) {
    CloseHandle(handle);
    return Fail(error, error_size, "cannot read", file->path);
  }
  CloseHandle(handle);

  result = QltServersCheck(file->data, file->size, &file->count);
  if (result != QltServersOk) return Fail(error, error_size, QltServersResultText(result), file->path);
  return 1;
}
