// dialog.cpp - modal dialogs from their templates, and the window services over their controls.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "comctl/progress.h"
#include "core/frontend.h"
#include "core/trace.h"
#include "user/call_log.h"
#include "user/input.h"
#include "user/template.h"
#include "user/window.h"

namespace winhost {
namespace {

std::vector<std::string>*& CallLog() {
  static std::vector<std::string>* log = nullptr;
  return log;
}

// The registered control classes and the kind that a style makes of each.
ControlKind ButtonKind(DWORD style) {
  switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return ControlKind::PushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: return ControlKind::CheckBox;
  }
  return ControlKind::Button;
}
ControlKind StaticKind(DWORD style) {
  return (style & SS_TYPEMASK) == SS_ICON ? ControlKind::StaticIcon : ControlKind::StaticText;
}
ControlKind EditKind(DWORD) { return ControlKind::Edit; }
ControlKind OtherKind(DWORD) { return ControlKind::Other; }
ControlKind ProgressKind(DWORD) { return ControlKind::Progress; }

struct ControlClass {
  const char* name;
  ControlKind (*kind)(DWORD style);
  bool (*available)();
};
bool Always() { return true; }
const ControlClass ControlClasses[] = {
    {"button", ButtonKind, Always},    {"edit", EditKind, Always},
    {"static", StaticKind, Always},    {"listbox", OtherKind, Always},
    {"scrollbar", OtherKind, Always},  {"combobox", OtherKind, Always},
    {"msctls_progress32", ProgressKind, ProgressClassAvailable},
};

const ControlClass* FindClass(const std::string& lowerName) {
  for (const ControlClass& c : ControlClasses)
    if (lowerName == c.name && c.available()) return &c;
  return nullptr;
}

std::string ResourceNameText(LPCSTR name) {
  if (!name) return "(null)";
  return IS_INTRESOURCE(name) ? std::to_string(LOWORD(name)) : "\"" + std::string(name) + "\"";
}

INT_PTR Failed(const std::string& why) {
  std::fprintf(stderr, "winhost: %s\n", why.c_str());
  Trace(TraceEscape(why));
  return -1;
}

HWND HandleOf(Window* window) { return reinterpret_cast<HWND>(window); }

// The words that stand for a control in the trace: [ID "TEXT" state...].
std::string ControlWords(const ControlView& c, bool focused) {
  std::string words = "[" + std::to_string(c.id);
  if (c.kind == ControlKind::StaticIcon) words += " icon";
  else if (c.kind == ControlKind::Progress) words += " progress " + ProgressText(c.progress);
  else words += " \"" + TraceEscape(c.text) + "\"";
  bool reacts = c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox ||
                c.kind == ControlKind::Button || c.kind == ControlKind::Edit;
  if (reacts) words += c.Enabled() ? " enabled" : " disabled";
  else if (!c.Enabled()) words += " disabled";
  if (c.kind == ControlKind::CheckBox)
    words += c.check == BST_CHECKED ? " checked" : c.check == BST_INDETERMINATE ? " indeterminate" : " unchecked";
  if (focused) words += " focus";
  return words + "]";
}

std::unique_ptr<Dialog> BuildDialog(const DialogTemplate& t, HINSTANCE instance, std::string* why) {
  auto dialog = std::make_unique<Dialog>();
  DialogView& view = dialog->view;
  view.title = t.title;
  view.style = t.style & ~WS_VISIBLE;  // shown once WM_INITDIALOG has been handled
  view.exStyle = t.exStyle;
  view.rect = {t.x, t.y, t.cx, t.cy};
  view.fontPointSize = t.pointSize;
  view.fontFace = t.fontFace;
  view.systemMenu = DefaultSystemMenu();
  dialog->instance = instance;
  for (const DialogItemTemplate& item : t.items) {
    const ControlClass* cls = FindClass(item.className.text);
    if (!cls) {
      std::string what = "control " + std::to_string(item.id) + ": class \"" + item.className.text +
                         "\" is not registered";
      if (!(t.style & DS_NOFAILCREATE)) {
        *why = what;
        return nullptr;
      }
      Trace("dialog skips " + what);
      continue;
    }
    ControlView c;
    c.id = item.id;
    c.className = cls->name;
    c.kind = cls->kind(item.style);
    c.style = item.style;
    c.exStyle = item.exStyle;
    c.rect = {item.x, item.y, item.cx, item.cy};
    c.text = item.text.isOrdinal ? "#" + std::to_string(item.text.ordinal) : item.text.text;
    if (c.kind == ControlKind::StaticIcon)
      c.icon = static_cast<HICON>(LoadImageA(instance, item.text.isOrdinal ? MAKEINTRESOURCEA(item.text.ordinal)
                                                                           : item.text.text.c_str(),
                                             IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    view.controls.push_back(std::move(c));
  }
  dialog->windows.push_back(std::make_unique<Window>(Window{dialog.get(), -1}));
  view.handle = HandleOf(dialog->windows.back().get());
  for (size_t i = 0; i < view.controls.size(); i++) {
    dialog->windows.push_back(std::make_unique<Window>(Window{dialog.get(), static_cast<int>(i)}));
    view.controls[i].handle = HandleOf(dialog->windows.back().get());
  }
  return dialog;
}

// What the dialog manager does with a message that the procedure left to it.
LRESULT DefaultDialogMessage(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogView& view = dialog.view;
  switch (message) {
    case WM_SETICON: {
      HICON& slot = wParam == ICON_SMALL ? view.smallIcon : view.bigIcon;
      HICON previous = slot;
      slot = reinterpret_cast<HICON>(lParam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_SETTEXT:
      view.title = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(view.title.size());
      if (wParam == 0 || !lParam) return 0;
      size_t n = std::min(view.title.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), view.title.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) Send(view.handle, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: {
      // Close is the cancel command, unless a Cancel button exists and is disabled.
      HWND cancel = GetDlgItem(view.handle, IDCANCEL);
      if (cancel && !ControlOf(FromHandle(cancel))->Enabled()) return 0;
      Send(view.handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
  }
  return 0;
}

std::string Quoted(LPCSTR text) { return text ? "\"" + TraceEscape(text) + "\"" : "(null)"; }

}  // namespace

std::vector<Dialog*>& LiveDialogs() {
  static std::vector<Dialog*> dialogs;
  return dialogs;
}

Window* FromHandle(HWND handle) {
  auto* window = reinterpret_cast<Window*>(handle);
  if (!window) return nullptr;
  for (Dialog* dialog : LiveDialogs())
    for (const auto& w : dialog->windows)
      if (w.get() == window) return window;
  return nullptr;
}

const ControlView* DialogView::Find(int id) const {
  for (const ControlView& c : controls)
    if (static_cast<WORD>(c.id) == static_cast<WORD>(id)) return &c;
  return nullptr;
}

void RecordUserCalls(std::vector<std::string>* log) { CallLog() = log; }

void LogCall(const char* call, HWND window, const std::string& arguments) {
  if (!CallLog()) return;
  Window* w = FromHandle(window);
  std::string who = !w ? "invalid" : w->control < 0 ? "dialog" : std::to_string(ControlOf(w)->id);
  CallLog()->push_back(std::string(call) + " " + who + (arguments.empty() ? "" : " " + arguments));
}

int FirstTabStop(const Dialog& dialog) {
  const auto& controls = dialog.view.controls;
  for (size_t i = 0; i < controls.size(); i++)
    if (controls[i].Visible() && controls[i].Enabled() && controls[i].TabStop()) return static_cast<int>(i);
  return -1;
}

void DropFocusIfUnfocusable(Dialog& dialog) {
  const ControlView* focused = dialog.view.Focused();
  if (focused && !(focused->Visible() && focused->Enabled())) dialog.view.focus = -1;
}

void TracePageChange(Dialog& dialog) {
  if (!dialog.shown) return;
  std::string visible, line;
  for (size_t i = 0; i < dialog.view.controls.size(); i++) {
    const ControlView& c = dialog.view.controls[i];
    if (!c.Visible()) continue;
    visible += std::to_string(c.id) + " ";
    line += " " + ControlWords(c, dialog.view.focus == static_cast<int>(i));
  }
  if (visible != dialog.tracedVisible) Trace("page" + line);
  else if (line != dialog.tracedState) Trace("state" + line);
  dialog.tracedVisible = visible;
  dialog.tracedState = line;
}

void RepaintNow(Dialog& dialog) {
  if (dialog.shown) CurrentFrontend().Repaint(dialog.view);
}

LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(handle);
  if (!w) return 0;
  if (w->control >= 0) return SendToControl(*w, message, wParam, lParam);
  Dialog& d = *w->dialog;
  if (INT_PTR handled = d.proc(handle, message, wParam, lParam)) return handled;
  return DefaultDialogMessage(d, message, wParam, lParam);
}

LRESULT SendToControl(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlView& c = *ControlOf(&window);
  if (c.kind == ControlKind::Progress) {
    bool handled = false;
    LRESULT result = ProgressMessage(window, message, wParam, lParam, &handled);
    if (handled) return result;
  }
  switch (message) {
    case WM_SETTEXT:
      c.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      return TRUE;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(c.text.size());
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t n = std::min(c.text.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), c.text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case BM_GETCHECK:
      return c.kind == ControlKind::CheckBox ? c.check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (c.kind == ControlKind::CheckBox) c.check = static_cast<int>(wParam);
      return 0;
    case BM_CLICK:
      ClickControl(*window.dialog, window.control);
      return 0;
  }
  return 0;
}

}  // namespace winhost

using winhost::ControlOf;
using winhost::FromHandle;
using winhost::LogCall;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  std::string name = "dialog " + winhost::ResourceNameText(lpTemplateName);
  HRSRC found = lpTemplateName ? FindResourceA(hInstance, lpTemplateName, RT_DIALOG) : nullptr;
  const void* bytes = found ? LoadResource(hInstance, found) : nullptr;
  if (!bytes || !lpDialogFunc) return winhost::Failed(name + " failed: " + (bytes ? "no dialog procedure" : "no RT_DIALOG resource"));
  std::string why;
  auto parsed = winhost::ParseDialogTemplate(
      std::span(static_cast<const std::uint8_t*>(bytes), SizeofResource(hInstance, found)), &why);
  if (!parsed) return winhost::Failed(name + " failed: " + why);
  auto dialog = winhost::BuildDialog(*parsed, hInstance, &why);
  if (!dialog) return winhost::Failed(name + " failed: " + why);

  winhost::Dialog& d = *dialog;
  d.proc = lpDialogFunc;
  winhost::LiveDialogs().push_back(&d);
  HWND hwnd = d.view.handle;
  if (d.view.style & DS_SETFONT) {
    static int dialogFont;  // the one font object the dialogs' WM_SETFONT hands out
    d.proc(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(&dialogFont), FALSE);
  }
  int first = winhost::FirstTabStop(d);
  HWND firstHandle = first >= 0 ? d.view.controls[first].handle : nullptr;
  if (d.proc(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstHandle), dwInitParam) && !d.ended)
    d.view.focus = winhost::FirstTabStop(d);
  if (!d.ended) {
    // A modal dialog is shown whether or not its template says WS_VISIBLE.
    d.view.style |= WS_VISIBLE;
    d.shown = true;
    winhost::Trace("dialog \"" + winhost::TraceEscape(d.view.title) + "\" shown");
  }
  while (!d.ended) {
    winhost::TracePageChange(d);
    std::optional<winhost::UserAction> action = winhost::CurrentFrontend().NextAction(d.view);
    if (!action) winhost::StopForUser("no further user action, and dialog \"" + d.view.title + "\" is still open");
    winhost::PerformAction(d, *action);
  }
  auto& live = winhost::LiveDialogs();
  live.erase(std::find(live.begin(), live.end(), &d));
  return d.result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  winhost::Window* w = FromHandle(hDlg);
  if (!w || w->control >= 0) return FALSE;
  LogCall("EndDialog", hDlg, std::to_string(nResult));
  w->dialog->ended = true;
  w->dialog->result = nResult;
  winhost::Trace("enddialog " + std::to_string(nResult));
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  winhost::Window* w = FromHandle(hDlg);
  if (!w || w->control >= 0) return nullptr;
  const winhost::ControlView* c = w->dialog->view.Find(nIDDlgItem);
  return c ? c->handle : nullptr;
}

namespace {

// Sets or clears style bits of a window, keeping the focus rule; returns the old style.
DWORD ChangeStyle(winhost::Window* w, DWORD set, DWORD clear) {
  DWORD& style = w->control < 0 ? w->dialog->view.style : ControlOf(w)->style;
  DWORD old = style;
  style = (style | set) & ~clear;
  winhost::DropFocusIfUnfocusable(*w->dialog);
  return old;
}

}  // namespace

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  winhost::Window* w = FromHandle(hWnd);
  if (!w) return FALSE;
  LogCall("ShowWindow", hWnd, (nCmdShow == SW_HIDE ? "SW_HIDE" : nCmdShow == SW_SHOW ? "SW_SHOW" : std::to_string(nCmdShow)));
  DWORD old = nCmdShow == SW_HIDE ? ChangeStyle(w, 0, WS_VISIBLE) : ChangeStyle(w, WS_VISIBLE, 0);
  return (old & WS_VISIBLE) != 0;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  winhost::Window* w = FromHandle(hWnd);
  if (!w) return FALSE;
  LogCall("EnableWindow", hWnd, std::string(bEnable ? "TRUE" : "FALSE"));
  DWORD old = bEnable ? ChangeStyle(w, 0, WS_DISABLED) : ChangeStyle(w, WS_DISABLED, 0);
  return (old & WS_DISABLED) != 0;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  if (!FromHandle(hWnd)) return FALSE;
  LogCall("SetWindowTextA", hWnd, winhost::Quoted(lpString));
  return winhost::Send(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item) return FALSE;
  LogCall("SetDlgItemTextA", item, winhost::Quoted(lpString));
  return winhost::Send(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
  if (!lpString || cchMax <= 0) return 0;
  lpString[0] = '\0';
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item) return 0;
  return static_cast<UINT>(winhost::Send(item, WM_GETTEXT, static_cast<WPARAM>(cchMax), reinterpret_cast<LPARAM>(lpString)));
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  char message[8];
  std::snprintf(message, sizeof message, "0x%04X", Msg);
  LogCall("SendMessageA", hWnd, message + (" " + std::to_string(wParam)) + " " + std::to_string(lParam));
  return winhost::Send(hWnd, Msg, wParam, lParam);
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SendMessageA(item, Msg, wParam, lParam) : 0;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
  winhost::Window* w = FromHandle(hWnd);
  if (!w) return FALSE;
  LogCall("UpdateWindow", hWnd, "");
  winhost::TracePageChange(*w->dialog);
  winhost::RepaintNow(*w->dialog);
  return TRUE;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
  winhost::Window* w = FromHandle(hWnd);
  if (!w) return 0;
  bool isDialog = w->control < 0;
  switch (nIndex) {
    case GWL_STYLE: return static_cast<LONG>(isDialog ? w->dialog->view.style : ControlOf(w)->style);
    case GWL_EXSTYLE: return static_cast<LONG>(isDialog ? w->dialog->view.exStyle : ControlOf(w)->exStyle);
    case GWL_ID: return isDialog ? 0 : ControlOf(w)->id;
  }
  return 0;
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
  winhost::Window* w = FromHandle(hWnd);
  if (!w || (nIndex != GWL_STYLE && nIndex != GWL_EXSTYLE)) return 0;
  char value[16];
  std::snprintf(value, sizeof value, "0x%08X", static_cast<unsigned>(dwNewLong));
  LogCall("SetWindowLongA", hWnd, std::string(nIndex == GWL_STYLE ? "GWL_STYLE " : "GWL_EXSTYLE ") + value);
  bool isDialog = w->control < 0;
  DWORD& slot = nIndex == GWL_EXSTYLE ? (isDialog ? w->dialog->view.exStyle : ControlOf(w)->exStyle)
                                      : (isDialog ? w->dialog->view.style : ControlOf(w)->style);
  DWORD old = slot;
  slot = static_cast<DWORD>(dwNewLong);
  winhost::DropFocusIfUnfocusable(*w->dialog);
  return static_cast<LONG>(old);
}
