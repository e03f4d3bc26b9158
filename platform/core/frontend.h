// frontend.h - the platform's user: whoever presses the keys and answers the boxes.
// The dialog manager asks the front end what the user does next whenever the dialog is
// idle; message boxes, the folder picker and the help viewer ask it for their answers.
// Front ends: a script of user actions (tests, CI) and the interactive terminal.
#ifndef PLATFORM_CORE_FRONTEND_H
#define PLATFORM_CORE_FRONTEND_H

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace winhost {

struct DialogView;  // the live dialog as a front end sees it (user/dialog_view.h)

// One thing the user does to an idle dialog.
struct UserAction {
  enum class Kind { Click, Key, AltLetter, SystemMenu } kind;
  int control = 0;          // Click: the control's identifier
  enum class Key { Tab, ShiftTab, Enter, Space, Escape } key = Key::Enter;
  char letter = 0;          // AltLetter: the mnemonic pressed with Alt
  UINT command = 0;         // SystemMenu: the window-menu command chosen (SC_CLOSE, ...)
};

struct MessageBoxRequest {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;  // MB_* flags as the caller gave them
};

struct FolderPickerRequest {
  HWND owner;
  std::string title;
};

// The picker's answer: a file-system folder (a Windows path), the non-folder
// "My Computer" item, or nothing (cancelled).
struct FolderPickerAnswer {
  enum class Kind { Cancel, MyComputer, Folder } kind = Kind::Cancel;
  std::string path;
};

// A help file ready to show: its title and the contents topic's paragraphs.
struct HelpDocument {
  std::string file;
  std::string title;
  std::vector<std::string> paragraphs;
};

class Frontend {
 public:
  virtual ~Frontend() = default;
  // The dialog is idle: what the user does next. No value: the user has gone (a script
  // that ended); the dialog manager then stops the process with a platform error.
  virtual std::optional<UserAction> NextAction(const DialogView& dialog) = 0;
  virtual int AnswerMessageBox(const MessageBoxRequest& request) = 0;  // IDOK, IDYES, IDNO
  virtual FolderPickerAnswer AnswerFolderPicker(const FolderPickerRequest& request) = 0;
  // The dialog changed and must be painted now (UpdateWindow, a progress step).
  virtual void Repaint(const DialogView&) {}
  // A help window opened; it lives on after the dialog, as the real help engine's does.
  virtual void ShowHelp(const HelpDocument&) {}
  // The help file could not be shown; the viewer tells the user so in its own words.
  virtual void ShowHelpError(const std::string& /*file*/, const std::string& /*message*/) {}
  // The process is about to exit: restore what the front end changed.
  virtual void Shutdown() {}
  // At the program's end: what the user was still to do (a script's unused lines), empty when
  // nothing. Something left over means the run did not go as its author expected.
  virtual std::string Unfinished() const { return {}; }
};

// The front end chosen from WINHOST_UI (script:FILE, terminal), or set by a test.
Frontend& CurrentFrontend();
void SetFrontend(std::unique_ptr<Frontend> frontend);
// The chosen front end from the environment; none (after a message on stderr) when WINHOST_UI
// names no front end that this build has.
std::unique_ptr<Frontend> MakeFrontendFromEnvironment();

// The action in the script's words: "click 1031", "key shift+tab", "alt n", "menu close".
std::string ActionText(const UserAction& action);

// The user cannot go on (a script that does not fit the dialog, no user interface): writes
// "winhost: WHY" on stderr and to the trace, shuts the front end down and exits with code 3.
[[noreturn]] void StopForUser(const std::string& why);
// The program has ended: the front end restores what it changed. A front end that was left
// with work undone (script lines never reached) makes the process exit with code 3.
int ShutdownFrontend(int exitCode);

}  // namespace winhost

#endif
