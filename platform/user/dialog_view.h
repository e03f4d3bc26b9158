// dialog_view.h - the live dialog as a front end sees it: what to draw and where the focus is.
// The dialog manager keeps this structure current; front ends only read it.
#ifndef PLATFORM_USER_DIALOG_VIEW_H
#define PLATFORM_USER_DIALOG_VIEW_H

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace winhost {

// What a control is, from its class and style: what a front end draws and how it reacts.
enum class ControlKind { PushButton, CheckBox, Button, StaticText, StaticIcon, Edit, Progress, Other };

struct DialogRect {
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units of the dialog's font
};

struct ProgressState {
  int min = 0, max = 100, pos = 0, step = 10;  // the control's defaults
};

struct ControlView {
  HWND handle = nullptr;
  int id = 0;                 // -1 for the template's 0xFFFF
  std::string className;      // in lower case: "button", "static", "msctls_progress32"
  ControlKind kind = ControlKind::Other;
  DWORD style = 0, exStyle = 0;
  std::string text;           // ANSI; for an icon control the icon's resource name as "#111"
  DialogRect rect;
  int check = BST_UNCHECKED;  // check boxes
  ProgressState progress;     // progress bars
  HICON icon = nullptr;       // icon controls

  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Enabled() const { return (style & WS_DISABLED) == 0; }
  bool TabStop() const { return (style & WS_TABSTOP) != 0; }
};

struct DialogView {
  HWND handle = nullptr;
  std::string title;
  DWORD style = 0, exStyle = 0;
  DialogRect rect;
  int fontPointSize = 0;      // 0 without DS_SETFONT
  std::string fontFace;
  std::vector<ControlView> controls;  // template order: creation order and tab order
  int focus = -1;                     // index into controls, -1: no control has the focus
  HICON smallIcon = nullptr, bigIcon = nullptr;
  std::vector<UINT> systemMenu;       // the window menu's commands (SC_*), 0 for a separator

  const ControlView* Focused() const { return focus >= 0 ? &controls[focus] : nullptr; }
  const ControlView* Find(int id) const;
};

// The letter after the single '&' of a control text, in lower case; 0 when there is none.
char Mnemonic(std::string_view text);

}  // namespace winhost

#endif
