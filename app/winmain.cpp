// winmain.cpp - the program's entry and the wizard window's frame.
#include "wizard.h"
#include "install.h"
#include "../res/resource.h"

HICON SmallIcon;
HICON LargeIcon;

// The work buffer lives here, so obtaining it cannot fail.
static char WorkSpace[WORK_BUFFER_SIZE];

void ShowSetupWizard(void) {
  DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_SETUP), NULL, SetupDlgProc, 0);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  AppInstance = instance;
  SmallIcon = (HICON)LoadImageA(AppInstance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
  LargeIcon = (HICON)LoadImageA(AppInstance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR);
  ShowSetupWizard();
  return 0;
}

// The window has a fixed size and no help: no sizing commands, no context-help button.
static BOOL OnInitDialog(HWND dialog) {
  SetWindowLongA(dialog, GWL_STYLE, GetWindowLongA(dialog, GWL_STYLE) | WS_CAPTION | WS_SYSMENU);
  SetWindowLongA(dialog, GWL_EXSTYLE, GetWindowLongA(dialog, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
  HMENU menu = GetSystemMenu(dialog, FALSE);
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)SmallIcon);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)LargeIcon);
  return SelectPlatformVariant(dialog);
}

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!WorkBuffer) WorkBuffer = WorkSpace;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      OnWizardCommand(dialog, wParam, lParam);
      return TRUE;
    case WM_RUN_INSTALL:
      OnRunInstall(dialog);
      return TRUE;
  }
  return FALSE;
}
