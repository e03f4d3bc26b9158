// window.h - the dialog manager's windows: a dialog and its controls behind HWND handles.
// Platform-internal, shared by the user and common-controls libraries.
#ifndef PLATFORM_USER_WINDOW_H
#define PLATFORM_USER_WINDOW_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "user/dialog_view.h"

namespace winhost {

struct Dialog;

// What an HWND points at: the dialog itself (control -1) or one of its controls.
struct Window {
  Dialog* dialog;
  int control;
};

struct Dialog {
  DialogView view;
  std::vector<std::unique_ptr<Window>> windows;  // [0] the dialog, [i + 1] control i
  DLGPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  bool shown = false;   // after WM_INITDIALOG, until the dialog is destroyed
  bool ended = false;
  INT_PTR result = 0;
  std::string tracedVisible;  // ids of the visible controls as last traced
  std::string tracedState;    // the whole traced line as last written
};

// The dialogs between creation and the end of their modal loop, innermost last.
std::vector<Dialog*>& LiveDialogs();
// A window menu as a new window gets it: Restore, Move, Size, Minimize, Maximize, -, Close.
std::vector<UINT> DefaultSystemMenu();

// The window behind a handle; null for a handle that is no live window.
Window* FromHandle(HWND handle);
inline ControlView* ControlOf(Window* window) {
  return window && window->control >= 0 ? &window->dialog->view.controls[window->control] : nullptr;
}

// A message sent by the platform itself (the dialog manager's commands, WM_SETTEXT of
// SetWindowTextA): SendMessageA without the call log.
LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// Message to a control, by its class: the class's own messages, then the common ones.
LRESULT SendToControl(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// Writes the page or state line if what is visible changed since the last one.
void TracePageChange(Dialog& dialog);
// Paints the dialog now through the front end (UpdateWindow, a progress step).
void RepaintNow(Dialog& dialog);

// The focus rule shared by ShowWindow and EnableWindow: a control that can no longer take
// the focus loses it, and nothing else gets it.
void DropFocusIfUnfocusable(Dialog& dialog);
// The first visible, enabled tab stop, -1 when there is none.
int FirstTabStop(const Dialog& dialog);

}  // namespace winhost

#endif
