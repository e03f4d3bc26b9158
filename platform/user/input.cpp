// input.cpp - the dialog manager's keyboard and mouse handling for one user action.
#include "user/input.h"

#include <cctype>

#include "core/trace.h"

namespace winhost {
namespace {

bool Reachable(const ControlView& c) { return c.Visible() && c.Enabled(); }
bool Clickable(const ControlView& c) {
  return c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox || c.kind == ControlKind::Button;
}

void Command(Dialog& dialog, int id, HWND from) {
  Send(dialog.view.handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(from));
}

// The next visible, enabled tab stop after FROM in DIRECTION, wrapping; -1 when there is none.
int NextTabStop(const Dialog& dialog, int from, int direction) {
  int count = static_cast<int>(dialog.view.controls.size());
  if (count == 0) return -1;
  int start = from >= 0 ? from : (direction > 0 ? count - 1 : 0);
  for (int step = 1; step <= count; step++) {
    int i = ((start + direction * step) % count + count) % count;
    const ControlView& c = dialog.view.controls[i];
    if (Reachable(c) && c.TabStop()) return i;
  }
  return -1;
}

// The control whose mnemonic is LETTER, searched from after the focus and wrapping round.
int MnemonicOwner(const Dialog& dialog, char letter) {
  int count = static_cast<int>(dialog.view.controls.size());
  for (int step = 1; step <= count; step++) {
    int i = ((dialog.view.focus + step) % count + count) % count;
    const ControlView& c = dialog.view.controls[i];
    if (!Reachable(c) || c.kind == ControlKind::StaticIcon || c.kind == ControlKind::Progress) continue;
    if (c.kind == ControlKind::StaticText && (c.style & SS_NOPREFIX)) continue;
    if (Mnemonic(c.text) == std::tolower(static_cast<unsigned char>(letter))) return i;
  }
  return -1;
}

// The command that Enter gives when no push button has the focus: the default push button's,
// or IDOK when there is none. A disabled default gives nothing.
void DefaultCommand(Dialog& dialog) {
  int id = IDOK;
  for (const ControlView& c : dialog.view.controls)
    if (c.Visible() && c.kind == ControlKind::PushButton && (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      id = c.id;
      break;
    }
  const ControlView* target = dialog.view.Find(id);
  if (target && !target->Enabled()) return;
  Command(dialog, id, target ? target->handle : nullptr);
}

// Why an action reached nothing; empty when it did something.
std::string Perform(Dialog& dialog, const UserAction& action) {
  DialogView& view = dialog.view;
  using Key = UserAction::Key;
  switch (action.kind) {
    case UserAction::Kind::Click: {
      const ControlView* c = view.Find(action.control);
      if (!c) return "no such control";
      if (!c->Visible()) return "hidden";
      if (!c->Enabled()) return "disabled";
      int index = static_cast<int>(c - view.controls.data());
      if (!Clickable(*c) && c->kind != ControlKind::Edit) return "the control does not react to clicks";
      view.focus = index;  // a mouse click focuses a button
      ClickControl(dialog, index);
      return "";
    }
    case UserAction::Kind::Key: {
      const ControlView* focused = view.Focused();
      switch (action.key) {
        case Key::Tab:
        case Key::ShiftTab: {
          int next = NextTabStop(dialog, view.focus, action.key == Key::Tab ? 1 : -1);
          if (next < 0) return "no tab stop";
          view.focus = next;
          return "";
        }
        case Key::Enter:
          if (focused && focused->kind == ControlKind::PushButton) ClickControl(dialog, view.focus);
          else DefaultCommand(dialog);
          return "";
        case Key::Space:
          if (!focused || !Clickable(*focused)) return "no button has the focus";
          ClickControl(dialog, view.focus);
          return "";
        case Key::Escape: {
          const ControlView* cancel = view.Find(IDCANCEL);
          if (cancel && !cancel->Enabled()) return "the Cancel button is disabled";
          Command(dialog, IDCANCEL, cancel ? cancel->handle : nullptr);
          return "";
        }
      }
      return "unknown key";
    }
    case UserAction::Kind::AltLetter: {
      int owner = MnemonicOwner(dialog, action.letter);
      if (owner < 0) return "no control has that mnemonic";
      if (!Clickable(view.controls[owner]) && view.controls[owner].kind != ControlKind::Edit) {
        // A label's mnemonic moves the focus to the control after it.
        int next = NextTabStop(dialog, owner, 1);
        if (next < 0) return "no control after the label takes the focus";
        view.focus = next;
        return "";
      }
      view.focus = owner;
      if (Clickable(view.controls[owner])) ClickControl(dialog, owner);
      return "";
    }
    case UserAction::Kind::SystemMenu: {
      if (!(view.style & WS_SYSMENU)) return "the dialog has no window menu";
      bool present = false;
      for (UINT command : view.systemMenu) present = present || (command != 0 && command == action.command);
      if (!present) return "the window menu has no such command";
      Send(view.handle, WM_SYSCOMMAND, action.command, 0);
      return "";
    }
  }
  return "unknown action";
}

}  // namespace

char Mnemonic(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); i++) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      i++;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

void ClickControl(Dialog& dialog, int index) {
  ControlView& c = dialog.view.controls[index];
  if (!Reachable(c) || !Clickable(c)) return;
  if (c.kind == ControlKind::CheckBox) {
    DWORD type = c.style & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) c.check = c.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    if (type == BS_AUTO3STATE) c.check = (c.check + 1) % 3;
  }
  Command(dialog, c.id, c.handle);
}

void PerformAction(Dialog& dialog, const UserAction& action) {
  // The action comes first in the trace, and what it causes follows it.
  Trace("user " + ActionText(action));
  std::string ignored = Perform(dialog, action);
  if (!ignored.empty()) Trace("ignored: " + ignored);
}

}  // namespace winhost
