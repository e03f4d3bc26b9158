// install.h - the installation engine: variant selection, manifest, file installer, install run.
#ifndef INSTALL_INSTALL_H
#define INSTALL_INSTALL_H

#include <windows.h>

enum PlatformVariant { VariantNone = 0, VariantWinSock1 = 1, VariantWinSock2 = 2 };

#define ENTRY_COUNT 8
#define ENTRY_NAME_SIZE 257
#define INSTALL_FOLDER_SIZE 260
#define WORK_BUFFER_SIZE 516

struct InstallEntry {
  WORD ResourceId;
  char PackedName[ENTRY_NAME_SIZE];
  char InstalledName[ENTRY_NAME_SIZE];
};

// Rows in the order of installation.
extern const InstallEntry InstallManifest[ENTRY_COUNT];

// How far one InstallFile call got; only moves forward, and decides the clean-up.
enum EntryStage { StageNone = 0, StagePackedOpen = 1, StagePackedWritten = 2, StageInstalled = 3 };

// Process-wide state shared by the wizard and the engine.
extern HINSTANCE AppInstance;
extern PlatformVariant CurrentVariant;
extern char InstallFolder[INSTALL_FOLDER_SIZE];  // ends in a backslash
extern char* WorkBuffer;                          // WORK_BUFFER_SIZE characters

// TRUE when the folder text ends in a backslash, as every folder that files are joined to must.
BOOL FolderTextIsComplete(const char* folder);

BOOL SelectPlatformVariant(HWND dialog);
int InstallFile(UINT index);
int InstallAllFiles(HWND dialog);

#endif
