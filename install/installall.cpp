// installall.cpp - the install run over the manifest, with its progress bar.
#include "install.h"

#include <commctrl.h>

#include "../res/resource.h"

// The build each row holds, by row index; common rows are marked VariantNone.
static const PlatformVariant RowBuild[ENTRY_COUNT] = {
    VariantNone, VariantWinSock1, VariantWinSock2, VariantWinSock1,
    VariantWinSock2, VariantNone, VariantNone, VariantNone,
};

static BOOL RowLeftOut(UINT row) {
  return CurrentVariant != VariantNone && RowBuild[row] != VariantNone && RowBuild[row] != CurrentVariant;
}

int InstallAllFiles(HWND dialog) {
  SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, ENTRY_COUNT));
  SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
  for (UINT row = 0; row < ENTRY_COUNT; row++) {
    if (!RowLeftOut(row) && !InstallFile(row)) {
      MessageBoxA(dialog,
                  "Could not install Qelt\n\nPossible reason: one or more files are in use\n"
                  "please close all Qelt related apps and try again!",
                  "Qelt setup : Fatal Error", MB_ICONERROR);
      return -1;
    }
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_STEPIT, 1, 0);
  }
  return 0;
}
