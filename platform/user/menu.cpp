// menu.cpp - the window menu of a dialog: its commands, and deleting them.
#include <windows.h>

#include <algorithm>

#include "user/call_log.h"
#include "user/window.h"

namespace winhost {
namespace {

const struct {
  UINT command;
  const char* name;
} CommandNames[] = {{SC_RESTORE, "SC_RESTORE"}, {SC_MOVE, "SC_MOVE"},         {SC_SIZE, "SC_SIZE"},
                    {SC_MINIMIZE, "SC_MINIMIZE"}, {SC_MAXIMIZE, "SC_MAXIMIZE"}, {SC_CLOSE, "SC_CLOSE"}};

std::string CommandName(UINT command) {
  for (const auto& c : CommandNames)
    if (c.command == command) return c.name;
  return std::to_string(command);
}

// The dialog whose window menu HANDLE is; null for any other value.
Dialog* MenuOwner(HMENU handle) {
  for (Dialog* dialog : LiveDialogs())
    if (reinterpret_cast<HMENU>(&dialog->view.systemMenu) == handle) return dialog;
  return nullptr;
}

}  // namespace

std::vector<UINT> DefaultSystemMenu() { return {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE}; }

}  // namespace winhost

HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert) {
  winhost::Window* w = winhost::FromHandle(hWnd);
  if (!w || w->control >= 0) return nullptr;
  if (bRevert) {
    w->dialog->view.systemMenu = winhost::DefaultSystemMenu();
    return nullptr;
  }
  return reinterpret_cast<HMENU>(&w->dialog->view.systemMenu);
}

BOOL WINAPI DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
  winhost::Dialog* owner = winhost::MenuOwner(hMenu);
  if (!owner) return FALSE;
  std::vector<UINT>& menu = owner->view.systemMenu;
  BOOL deleted = FALSE;
  if (uFlags & MF_BYPOSITION) {
    if (uPosition < menu.size()) {
      menu.erase(menu.begin() + uPosition);
      deleted = TRUE;
    }
  } else if (auto at = std::find(menu.begin(), menu.end(), uPosition); uPosition != 0 && at != menu.end()) {
    menu.erase(at);
    deleted = TRUE;
  }
  winhost::LogCall("DeleteMenu", owner->view.handle,
                   ((uFlags & MF_BYPOSITION) ? "position " + std::to_string(uPosition) : winhost::CommandName(uPosition)) +
                       (deleted ? " TRUE" : " FALSE"));
  return deleted;
}
