// script.h - the scripted user: a file of user actions and answers, one a line.
//   click ID            a mouse click on the control with that identifier (-1 allowed)
//   key tab|shift+tab|enter|space|esc
//   alt LETTER          the mnemonic LETTER pressed with Alt
//   menu close          a command of the window menu (also move, size, minimize, maximize, restore)
//   answer yes|no|ok|cancel|abort|retry|ignore     the next message box
//   pick PATH|mycomputer|cancel                     the next folder picker (PATH: a Windows path)
// Blank lines and lines starting with # are skipped; an action or answer line may end in a
// "# comment" (a pick line may not: a path may hold '#'). Actions run when the dialog is idle,
// answers when their box or picker appears, so a script always runs the same way. Anything
// that does not fit (an answer with no box open, a box when the next line is an action, the
// end of the script with the dialog still open) stops the process with code 3.
#ifndef PLATFORM_CORE_SCRIPT_H
#define PLATFORM_CORE_SCRIPT_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/frontend.h"

namespace winhost {

struct ScriptLine {
  int number = 0;      // 1-based line in the file
  std::string text;    // as written, without a comment
  enum class Kind { Action, Answer, Pick } kind = Kind::Action;
  UserAction action{};
  int answer = 0;      // IDOK, IDYES, ...
  FolderPickerAnswer pick;
};

// None when a line is not in the language; *why names the line, what was expected and found.
std::optional<std::vector<ScriptLine>> ParseScript(std::string_view text, std::string* why);

class ScriptFrontend : public Frontend {
 public:
  // NAME is how messages refer to the script (its file name).
  ScriptFrontend(std::string name, std::vector<ScriptLine> lines);
  std::optional<UserAction> NextAction(const DialogView& dialog) override;
  int AnswerMessageBox(const MessageBoxRequest& request) override;
  FolderPickerAnswer AnswerFolderPicker(const FolderPickerRequest& request) override;
  std::string Unfinished() const override;

 private:
  // Stops the process: at the next line (or the end), something else was expected.
  [[noreturn]] void Mismatch(const std::string& situation, const std::string& expected) const;

  std::string name_;
  std::vector<ScriptLine> lines_;
  size_t next_ = 0;
};

// A script front end from a file; none, after a message on stderr, when it cannot be read.
std::unique_ptr<Frontend> LoadScriptFrontend(const std::string& path);

}  // namespace winhost

#endif
