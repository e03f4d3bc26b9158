// terminal.cpp - the terminal front end: curses set-up and restore, keys and mouse, the
// modal loops of the dialog, message boxes, the picker, the window menu and the help viewer.
#include "term/terminal.h"

#include <curses.h>
#include <langinfo.h>
#include <unistd.h>

#include <cctype>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

#include "shell/namespace.h"
#include "term/screens.h"

namespace winhost {
namespace {

using term::Canvas;
using term::CellRect;

// Whether curses owns the terminal; read by the signal and exit handlers.
volatile std::sig_atomic_t Active = 0;

void Restore() {
  if (Active) {
    Active = 0;
    endwin();
  }
}

// Ctrl+C, termination and crashes: give the terminal back, then die of the same signal.
void OnFatalSignal(int sig) {
  Restore();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

constexpr int EscapeKey = 27;
constexpr int AltDelayMs = 75;  // how long after Esc a letter still makes Alt+letter

// A key as the loops see it: Alt+letter arrives as Esc followed by the letter.
struct Key {
  int code = ERR;
  bool alt = false;
};

class TerminalFrontend : public Frontend {
 public:
  explicit TerminalFrontend(term::Look look) : look_(look) {}
  ~TerminalFrontend() override { Restore(); }

  std::optional<UserAction> NextAction(const DialogView& dialog) override;
  int AnswerMessageBox(const MessageBoxRequest& request) override;
  FolderPickerAnswer AnswerFolderPicker(const FolderPickerRequest& request) override;
  void Repaint(const DialogView& dialog) override {
    Remember(dialog);
    Show([](Canvas&) {});
  }
  void ShowHelp(const HelpDocument& document) override { help_ = document; }
  void ShowHelpError(const std::string& file, const std::string& message) override {
    help_ = HelpDocument{file, "Help", {message + ".", "File: " + file}};
  }
  void Shutdown() override {
    if (help_ && Active) RunHelpViewer(*help_);
    help_.reset();
    Restore();
  }

 private:
  void Remember(const DialogView& dialog) {
    if (!layout_ || dialog.handle != layoutFor_) {
      layout_ = term::DialogLayout::ForDialog(dialog);
      layoutFor_ = dialog.handle;
    }
    dialog_ = dialog;
  }
  // Draws the screen: the dialog (or the too-small message), then OVERLAY on top.
  // False when the terminal is too small for the dialog.
  bool Show(const std::function<void(Canvas&)>& overlay);
  void Flush(const Canvas& canvas);
  Key ReadKey();
  std::optional<UserAction> WindowMenu();
  void RunHelpViewer(const HelpDocument& document);
  CellRect Frame() const { return term::DialogFrame(*layout_, COLS, LINES); }
  std::optional<MEVENT> Click(const Key& key);

  term::Look look_;
  std::optional<term::DialogLayout> layout_;
  HWND layoutFor_ = nullptr;
  std::optional<DialogView> dialog_;
  std::optional<HelpDocument> help_;
  std::map<std::pair<int, int>, short> pairs_;
};

bool TerminalFrontend::Show(const std::function<void(Canvas&)>& overlay) {
  Canvas canvas(COLS, LINES, look_);
  bool fits = true;
  if (dialog_ && layout_) {
    CellRect frame = Frame();
    fits = frame.x >= 0 && frame.y >= 0;
    if (fits) term::DrawDialog(canvas, *layout_, *dialog_, frame);
    else term::DrawTooSmall(canvas, frame.w, frame.h);
  }
  if (fits) overlay(canvas);
  Flush(canvas);
  return fits;
}

void TerminalFrontend::Flush(const Canvas& canvas) {
  int colours = has_colors() ? COLORS : 0;
  for (int y = 0; y < canvas.Height(); y++)
    for (int x = 0; x < canvas.Width(); x++) {
      const term::Cell& cell = canvas.At(x, y);
      attr_t attr = 0;
      if (cell.attr & term::AttrBold) attr |= A_BOLD;
      if (cell.attr & term::AttrReverse) attr |= A_REVERSE;
      if (cell.attr & term::AttrUnderline) attr |= A_UNDERLINE;
      if (cell.attr & term::AttrDim) attr |= A_DIM;
      short pair = 0;
      if (look_.color && (cell.fg >= 0 || cell.bg >= 0)) {
        // Eight-colour terminals show the bright colours as their plain ones.
        auto fold = [&](int c) { return c < 0 || colours >= 16 ? c : c % 8; };
        std::pair<int, int> key{fold(cell.fg), fold(cell.bg)};
        auto found = pairs_.find(key);
        if (found != pairs_.end()) {
          pair = found->second;
        } else if (static_cast<int>(pairs_.size()) + 1 < COLOR_PAIRS) {
          pair = static_cast<short>(pairs_.size() + 1);
          init_pair(pair, static_cast<short>(key.first), static_cast<short>(key.second));
          pairs_[key] = pair;
        }
      }
      wchar_t text[2] = {static_cast<wchar_t>(cell.ch), 0};
      cchar_t cc;
      setcchar(&cc, text, attr, pair, nullptr);
      mvadd_wch(y, x, &cc);
    }
  leaveok(stdscr, TRUE);
  refresh();
}

Key TerminalFrontend::ReadKey() {
  timeout(-1);
  Key key{getch()};
  if (key.code != EscapeKey) return key;
  timeout(AltDelayMs);
  int next = getch();
  timeout(-1);
  if (next == ERR) return key;
  if (next == ' ' || (next > 0 && next < 128 && std::isalnum(next))) return {next, true};
  ungetch(next);
  return key;
}

std::optional<MEVENT> TerminalFrontend::Click(const Key& key) {
  MEVENT event;
  if (key.code != KEY_MOUSE || getmouse(&event) != OK) return std::nullopt;
  if (!(event.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED | BUTTON1_RELEASED))) return std::nullopt;
  if (event.bstate & BUTTON1_RELEASED && !(event.bstate & BUTTON1_CLICKED)) return std::nullopt;
  return event;
}

std::optional<UserAction> TerminalFrontend::NextAction(const DialogView& dialog) {
  Remember(dialog);
  using K = UserAction::Key;
  for (;;) {
    bool fits = Show([](Canvas&) {});
    Key key = ReadKey();
    if (key.code == KEY_RESIZE || !fits) continue;  // a hidden dialog takes no keys
    auto keyAction = [](K k) { return UserAction{UserAction::Kind::Key, 0, k}; };
    if (key.alt && key.code == ' ') {
      if (auto action = WindowMenu()) return action;
      continue;
    }
    if (key.alt) return UserAction{UserAction::Kind::AltLetter, 0, K::Enter, static_cast<char>(std::tolower(key.code))};
    switch (key.code) {
      case '\t': return keyAction(K::Tab);
      case KEY_BTAB: return keyAction(K::ShiftTab);
      case '\n': case '\r': case KEY_ENTER: return keyAction(K::Enter);
      case ' ': return keyAction(K::Space);
      case EscapeKey: return keyAction(K::Escape);
    }
    if (auto click = Click(key)) {
      int index = term::ControlAt(*layout_, *dialog_, Frame(), click->x, click->y);
      if (index < 0) continue;
      const ControlView& c = dialog_->controls[index];
      bool clickable = c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox || c.kind == ControlKind::Button;
      if (clickable && c.Enabled()) return UserAction{UserAction::Kind::Click, c.id};
    }
  }
}

std::optional<UserAction> TerminalFrontend::WindowMenu() {
  std::vector<UINT> commands = dialog_->systemMenu;
  if (!(dialog_->style & WS_SYSMENU) || commands.empty()) return std::nullopt;
  int selected = 0;
  while (commands[selected] == 0 && selected + 1 < static_cast<int>(commands.size())) selected++;
  auto move = [&](int by) {
    int n = static_cast<int>(commands.size());
    for (int i = 0; i < n; i++) {
      selected = (selected + by + n) % n;
      if (commands[selected]) return;
    }
  };
  for (;;) {
    CellRect menu;
    CellRect frame = Frame();
    bool fits = Show([&](Canvas& c) { menu = term::DrawMenu(c, commands, selected, frame.x + 1, frame.y + 1); });
    Key key = ReadKey();
    if (!fits || key.code == KEY_RESIZE) continue;
    if (key.code == EscapeKey && !key.alt) return std::nullopt;
    if (key.code == KEY_UP) move(-1);
    else if (key.code == KEY_DOWN) move(1);
    else if (key.code == '\n' || key.code == '\r' || key.code == KEY_ENTER)
      return UserAction{UserAction::Kind::SystemMenu, 0, UserAction::Key::Enter, 0, commands[selected]};
    else if (auto click = Click(key)) {
      int row = click->y - menu.y - 1;
      if (!menu.Contains(click->x, click->y)) return std::nullopt;
      if (row >= 0 && row < static_cast<int>(commands.size()) && commands[row])
        return UserAction{UserAction::Kind::SystemMenu, 0, UserAction::Key::Enter, 0, commands[row]};
    } else if (key.code > 0 && key.code < 256 && std::isalpha(key.code)) {
      for (UINT command : commands)
        if (command && Mnemonic(term::MenuText(command)) == std::tolower(key.code))
          return UserAction{UserAction::Kind::SystemMenu, 0, UserAction::Key::Enter, 0, command};
    }
  }
}

int TerminalFrontend::AnswerMessageBox(const MessageBoxRequest& request) {
  term::MessageBoxModel box = term::MakeMessageBox(request);
  const std::vector<int>& ids = box.buttons;
  auto has = [&](int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
  int n = static_cast<int>(ids.size());
  for (;;) {
    term::BoxGeometry geometry;
    bool fits = Show([&](Canvas& c) { geometry = term::DrawMessageBox(c, box); });
    Key key = ReadKey();
    if (!fits || key.code == KEY_RESIZE) continue;
    switch (key.code) {
      case '\t': case KEY_RIGHT: box.focus = (box.focus + 1) % n; continue;
      case KEY_BTAB: case KEY_LEFT: box.focus = (box.focus + n - 1) % n; continue;
      case '\n': case '\r': case KEY_ENTER: case ' ': return ids[box.focus];
      case EscapeKey:
        // Esc answers what closing the box means: Cancel, else No, else a lone OK.
        if (has(IDCANCEL)) return IDCANCEL;
        if (has(IDNO)) return IDNO;
        if (n == 1) return ids[0];
        continue;
    }
    if (auto click = Click(key)) {
      for (size_t i = 0; i < geometry.buttons.size(); i++)
        if (geometry.buttons[i].Contains(click->x, click->y)) return ids[i];
      continue;
    }
    if (key.code > 0 && key.code < 256)
      for (int id : ids)
        if (Mnemonic(term::ButtonText(id)) == std::tolower(key.code)) return id;
  }
}

FolderPickerAnswer TerminalFrontend::AnswerFolderPicker(const FolderPickerRequest& request) {
  term::PickerModel picker(request.title);
  using Focus = term::PickerModel::Focus;
  auto answer = [&]() {
    const ITEMIDLIST* item = picker.rows[picker.selected].item;
    if (!ShellIsFileSystemFolder(item)) return FolderPickerAnswer{FolderPickerAnswer::Kind::MyComputer, ""};
    return FolderPickerAnswer{FolderPickerAnswer::Kind::Folder, ShellPath(item)};
  };
  const FolderPickerAnswer cancel{FolderPickerAnswer::Kind::Cancel, ""};
  for (;;) {
    term::BoxGeometry geometry;
    CellRect tree;
    bool fits = Show([&](Canvas& c) { geometry = term::DrawPicker(c, picker, &tree); });
    Key key = ReadKey();
    if (!fits || key.code == KEY_RESIZE) continue;
    int last = static_cast<int>(picker.rows.size()) - 1;
    bool enter = key.code == '\n' || key.code == '\r' || key.code == KEY_ENTER;
    if (key.code == EscapeKey && !key.alt) return cancel;
    if (key.code == '\t') {
      picker.focus = picker.focus == Focus::Tree ? Focus::Ok : picker.focus == Focus::Ok ? Focus::Cancel : Focus::Tree;
    } else if (key.code == KEY_BTAB) {
      picker.focus = picker.focus == Focus::Tree ? Focus::Cancel : picker.focus == Focus::Cancel ? Focus::Ok : Focus::Tree;
    } else if (picker.focus != Focus::Tree) {
      if (enter || key.code == ' ') return picker.focus == Focus::Ok ? answer() : cancel;
      if (key.code == KEY_LEFT || key.code == KEY_RIGHT)
        picker.focus = picker.focus == Focus::Ok ? Focus::Cancel : Focus::Ok;
    } else if (key.code == KEY_UP) {
      picker.selected = std::max(0, picker.selected - 1);
    } else if (key.code == KEY_DOWN) {
      picker.selected = std::min(last, picker.selected + 1);
    } else if (key.code == KEY_HOME || key.code == KEY_END) {
      picker.selected = key.code == KEY_HOME ? 0 : last;
    } else if (key.code == KEY_RIGHT) {
      const auto& row = picker.rows[picker.selected];
      if (row.open) picker.selected = std::min(last, picker.selected + 1);
      else picker.Open(picker.selected);
    } else if (key.code == KEY_LEFT) {
      if (picker.rows[picker.selected].open) picker.Close(picker.selected);
      else picker.selected = picker.Parent(picker.selected);
    } else if (enter || key.code == ' ') {
      if (picker.rows[picker.selected].open) picker.Close(picker.selected);
      else picker.Open(picker.selected);
    }
    if (auto click = Click(key)) {
      if (geometry.buttons.size() == 2 && geometry.buttons[0].Contains(click->x, click->y)) return answer();
      if (geometry.buttons.size() == 2 && geometry.buttons[1].Contains(click->x, click->y)) return cancel;
      int row = picker.top + click->y - tree.y;
      if (tree.Contains(click->x, click->y) && row <= last) {
        picker.focus = Focus::Tree;
        if (picker.selected == row) picker.rows[row].open ? picker.Close(row) : picker.Open(row);
        else picker.selected = row;
      }
    }
  }
}

void TerminalFrontend::RunHelpViewer(const HelpDocument& document) {
  // The dialog is gone; the help window is all there is on the screen now.
  dialog_.reset();
  int top = 0;
  for (;;) {
    int page = std::max(1, LINES - 2);
    Show([&](Canvas& c) { term::DrawHelp(c, document, &top); });
    Key key = ReadKey();
    switch (key.code) {
      case EscapeKey: case 'q': case 'Q': if (!key.alt) return; break;
      case KEY_UP: top--; break;
      case KEY_DOWN: case '\n': case '\r': case KEY_ENTER: top++; break;
      case KEY_PPAGE: top -= page; break;
      case KEY_NPAGE: case ' ': top += page; break;
      case KEY_HOME: top = 0; break;
      case KEY_END: top = 1 << 20; break;
    }
  }
}

}  // namespace

std::unique_ptr<Frontend> MakeTerminalFrontend() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    std::fprintf(stderr, "winhost: the terminal user interface needs a terminal on standard input and output\n");
    return nullptr;
  }
  std::setlocale(LC_ALL, "");
  const char* termName = std::getenv("TERM");
  SCREEN* screen = newterm(termName && *termName ? termName : nullptr, stdout, stdin);
  if (!screen) {
    std::fprintf(stderr, "winhost: the terminal user interface cannot drive this terminal (TERM is \"%s\")\n",
                 termName ? termName : "");
    return nullptr;
  }
  set_term(screen);
  Active = 1;
  std::atexit(Restore);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
    std::signal(sig, OnFatalSignal);
  cbreak();  // Ctrl+C stays a signal, which restores the terminal
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  curs_set(0);
  set_escdelay(AltDelayMs);
  mousemask(BUTTON1_CLICKED | BUTTON1_PRESSED, nullptr);
  mouseinterval(0);
  term::Look look;
  look.unicode = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  if (has_colors()) {
    start_color();
    use_default_colors();
    look.color = COLORS >= 8;
  }
  return std::make_unique<TerminalFrontend>(look);
}

}  // namespace winhost
