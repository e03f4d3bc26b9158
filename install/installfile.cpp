// installfile.cpp - installs one manifest row from its packed resource.
#include <string.h>

#include "install.h"

#define PATH_BUFFER_SIZE 516
#define PAYLOAD_RESOURCE_TYPE "FILE"

static void JoinFolder(char* path, const char* name) {
  strcpy(path, InstallFolder);
  strcat(path, name);
}

BOOL FolderTextIsComplete(const char* folder) {
  size_t length = strlen(folder);
  return length > 0 && folder[length - 1] == '\\';
}

namespace {
// The clean-up block: runs once on every exit, the normal ones and unwinding alike, and
// does what the stage reached calls for. It never changes the stage.
struct EntryCleanup {
  const EntryStage& Stage;
  const HANDLE& Packed;
  char* Path;
  const char* PackedName;
  ~EntryCleanup() {
    if (Stage == StagePackedOpen) {
      CloseHandle(Packed);  // a failed write: the partial packed copy stays
    } else if (Stage >= StagePackedWritten) {
      JoinFolder(Path, PackedName);
      DeleteFileA(Path);
    }
  }
};
}  // namespace

int InstallFile(UINT index) {
  const InstallEntry* entry = &InstallManifest[index];
  EntryStage stage = StageNone;
  HANDLE packed = INVALID_HANDLE_VALUE;
  char path[PATH_BUFFER_SIZE];
  EntryCleanup cleanup = {stage, packed, path, entry->PackedName};

  // A folder text cut short has lost its closing backslash; joining names to it would
  // write beside the folder, so nothing is written at all.
  if (!FolderTextIsComplete(InstallFolder)) return 0;

  HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(entry->ResourceId), PAYLOAD_RESOURCE_TYPE);
  if (!found) return 0;
  HGLOBAL bytes = LoadResource(AppInstance, found);
  if (!bytes) return 0;
  DWORD size = SizeofResource(AppInstance, found);
  if (!size) return 0;

  JoinFolder(path, entry->PackedName);
  packed = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (packed == INVALID_HANDLE_VALUE) return 0;
  stage = StagePackedOpen;

  // Straight from the loaded image, in one piece.
  DWORD written;
  if (!WriteFile(packed, bytes, size, &written, NULL)) return 0;
  CloseHandle(packed);
  stage = StagePackedWritten;

  // The service would refuse to replace a read-only file.
  JoinFolder(path, entry->InstalledName);
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);

  // Some headers declare the service's name arguments without const; it only reads them.
  path[0] = '\0';
  UINT tempLength = PATH_BUFFER_SIZE;
  if (VerInstallFileA(VIFF_FORCEINSTALL, (LPSTR)entry->PackedName, (LPSTR)entry->InstalledName,
                      InstallFolder, InstallFolder, InstallFolder, path, &tempLength) == 0)
    stage = StageInstalled;
  return stage == StageInstalled;
}
