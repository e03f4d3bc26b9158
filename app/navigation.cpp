// navigation.cpp - the wizard's pages, the folder picker, the install run and cancelling.
#include <string.h>

#include "wizard.h"
#include "install.h"

#include <shlobj.h>

#include "../res/resource.h"

#define DEFAULT_FOLDER "c:\\Program Files\\Qelt\\"
#define PICKER_FALLBACK_FOLDER "c:\\Program Files"
#define PRODUCT_SUBFOLDER "\\Qelt\\"
#define HELP_FILE_NAME "qelt.hlp"

int WizardStep;

static const int WelcomeControls[] = {IDC_WELCOME_TEXT, IDC_WELCOME_NOTE};
static const int FolderControls[] = {IDC_FOLDER_PROMPT, IDC_FOLDER, IDC_BROWSE};
static const int InstallingControls[] = {IDC_STATUS, IDC_PROGRESS};
static const int FinishedControls[] = {IDC_DONE_TEXT, IDC_VIEW_HELP, IDC_DONE_NOTE};

#define COUNT_OF(a) (sizeof(a) / sizeof((a)[0]))

static void ShowControls(HWND dialog, const int* ids, size_t count, int command) {
  for (size_t i = 0; i < count; i++) ShowWindow(GetDlgItem(dialog, ids[i]), command);
}

static void OnCancel(HWND dialog, LPARAM lParam) {
  if (lParam == SILENT_CANCEL ||
      MessageBoxA(dialog, "Are you sure you want\nto abort installation process?", "Qelt setup : Panic",
                  MB_YESNO | MB_ICONQUESTION) == IDYES)
    EndDialog(dialog, 0);
}

static void OnBrowse(HWND dialog) {
  BROWSEINFOA browse;
  memset(&browse, 0, sizeof browse);
  browse.hwndOwner = dialog;
  browse.pszDisplayName = WorkBuffer;
  browse.lpszTitle = "Select a folder for Qelt installation";
  LPITEMIDLIST item = SHBrowseForFolderA(&browse);
  // The picker may have left the item's display name in the buffer: a cancelled pick or
  // an item that is no folder must read as the empty path, never as that name.
  if (!item || !SHGetPathFromIDListA(item, WorkBuffer)) WorkBuffer[0] = '\0';

  size_t length = strlen(WorkBuffer);
  if (length > 0 && WorkBuffer[length - 1] == '\\') WorkBuffer[length - 1] = '\0';
  if (WorkBuffer[0] == '\0') strcpy(WorkBuffer, PICKER_FALLBACK_FOLDER);
  strcat(WorkBuffer, PRODUCT_SUBFOLDER);
  SetDlgItemTextA(dialog, IDC_FOLDER, WorkBuffer);
}

static void ShowFolderPage(HWND dialog) {
  ShowControls(dialog, WelcomeControls, COUNT_OF(WelcomeControls), SW_HIDE);
  ShowControls(dialog, FolderControls, COUNT_OF(FolderControls), SW_SHOW);
  SetDlgItemTextA(dialog, IDC_FOLDER, DEFAULT_FOLDER);
}

static void StartInstallation(HWND dialog) {
  GetDlgItemTextA(dialog, IDC_FOLDER, WorkBuffer, INSTALL_FOLDER_SIZE);
  // A text cut at the limit may have lost its closing backslash: never create that folder.
  if (FolderTextIsComplete(WorkBuffer)) CreateDirectoryA(WorkBuffer, NULL);
  strcpy(InstallFolder, WorkBuffer);
  ShowControls(dialog, FolderControls, COUNT_OF(FolderControls), SW_HIDE);
  ShowWindow(GetDlgItem(dialog, IDC_STATUS), SW_SHOW);
  SetDlgItemTextA(dialog, IDC_STATUS,
                  CurrentVariant == VariantWinSock1 ? "Installing Qelt 2.13b, WinSock1 version..."
                                                    : "Installing Qelt 2.13b, WinSock2 version...");
  EnableWindow(GetDlgItem(dialog, IDC_NEXT), FALSE);
  ShowWindow(GetDlgItem(dialog, IDC_PROGRESS), SW_SHOW);
  UpdateWindow(dialog);
  SendMessageA(dialog, WM_RUN_INSTALL, 0, 0);
}

static void ShowFinishedPage(HWND dialog) {
  ShowControls(dialog, InstallingControls, COUNT_OF(InstallingControls), SW_HIDE);
  ShowControls(dialog, FinishedControls, COUNT_OF(FinishedControls), SW_SHOW);
  SetWindowTextA(GetDlgItem(dialog, IDC_NEXT), "&Finish");
}

static void Finish(HWND dialog) {
  if (SendDlgItemMessageA(dialog, IDC_VIEW_HELP, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    strcat(WorkBuffer, HELP_FILE_NAME);  // still the folder text read when the Folder page was left
    WinHelpA(dialog, WorkBuffer, HELP_CONTENTS, 0);
  }
  EndDialog(dialog, 1);
}

static void OnNext(HWND dialog) {
  int step = WizardStep++;
  switch (step) {
    case 0: ShowFolderPage(dialog); break;
    case 1: StartInstallation(dialog); break;
    case 2: ShowFinishedPage(dialog); break;
    case 3: Finish(dialog); break;
  }
}

void OnWizardCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
  if (wParam == IDCANCEL)
    OnCancel(dialog, lParam);
  else if (wParam == IDC_BROWSE)
    OnBrowse(dialog);
  else if (wParam == IDC_NEXT)
    OnNext(dialog);
}

void OnRunInstall(HWND dialog) {
  if (InstallAllFiles(dialog) == -1) {
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, SILENT_CANCEL);
    return;
  }
  SetDlgItemTextA(dialog, IDC_STATUS, "All files successfully installed");
  EnableWindow(GetDlgItem(dialog, IDC_NEXT), TRUE);
  SetWindowTextA(GetDlgItem(dialog, IDC_NEXT), "&Next");
}
