// wizard.h - the setup wizard: entry, dialog procedure, pages and commands.
#ifndef APP_WIZARD_H
#define APP_WIZARD_H

#include <windows.h>

// Sent by the Next command on the Folder page to itself: run the installation now,
// after the Installing page has been painted.
#define WM_RUN_INSTALL 0x97FF
// lParam of the IDCANCEL command that a failed installation sends: close without asking.
#define SILENT_CANCEL 101

extern HICON SmallIcon;
extern HICON LargeIcon;
extern int WizardStep;

void ShowSetupWizard(void);
INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Wizard navigation: the commands and the install run that SetupDlgProc routes here.
void OnWizardCommand(HWND dialog, WPARAM wParam, LPARAM lParam);
void OnRunInstall(HWND dialog);

#endif
