// script.cpp - reads a script of user actions and plays it against the dialog manager.
#include "core/script.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/trace.h"
#include "user/dialog_view.h"

namespace winhost {
namespace {

const struct {
  const char* name;
  UserAction::Key key;
} KeyNames[] = {{"tab", UserAction::Key::Tab},     {"shift+tab", UserAction::Key::ShiftTab},
                {"enter", UserAction::Key::Enter}, {"space", UserAction::Key::Space},
                {"esc", UserAction::Key::Escape}};
const struct {
  const char* name;
  UINT command;
} MenuNames[] = {{"close", SC_CLOSE},       {"move", SC_MOVE},         {"size", SC_SIZE},
                 {"minimize", SC_MINIMIZE}, {"maximize", SC_MAXIMIZE}, {"restore", SC_RESTORE}};
const struct {
  const char* name;
  int id;
} AnswerNames[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                   {"ignore", IDIGNORE}, {"yes", IDYES},      {"no", IDNO}};
// The answers each button set of MB_TYPEMASK offers.
const char* const BoxAnswers[] = {"ok", "ok|cancel", "abort|retry|ignore", "yes|no|cancel", "yes|no", "retry|cancel"};

std::string Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t\r"), end = text.find_last_not_of(" \t\r");
  return begin == std::string_view::npos ? "" : std::string(text.substr(begin, end - begin + 1));
}

bool ParseLine(ScriptLine* line, std::string* expected) {
  std::string verb = line->text.substr(0, line->text.find(' '));
  std::string rest = verb.size() < line->text.size() ? Trim(line->text.substr(verb.size())) : "";
  if (verb == "pick") {
    using Kind = FolderPickerAnswer::Kind;
    line->kind = ScriptLine::Kind::Pick;
    if (rest == "cancel") line->pick.kind = Kind::Cancel;
    else if (rest == "mycomputer") line->pick.kind = Kind::MyComputer;
    else line->pick = {Kind::Folder, rest};
    *expected = "pick PATH, pick mycomputer or pick cancel";
    return !rest.empty();
  }
  rest = Trim(rest.substr(0, rest.find('#')));
  if (verb == "click") {
    *expected = "click and a control identifier";
    char* end = nullptr;
    long id = std::strtol(rest.c_str(), &end, 10);
    line->action = {UserAction::Kind::Click, static_cast<int>(id)};
    return !rest.empty() && *end == '\0' && id >= -32768 && id <= 65535;
  }
  if (verb == "key") {
    *expected = "key tab, shift+tab, enter, space or esc";
    for (const auto& k : KeyNames)
      if (rest == k.name) {
        line->action.kind = UserAction::Kind::Key;
        line->action.key = k.key;
        return true;
      }
    return false;
  }
  if (verb == "alt") {
    *expected = "alt and one letter or digit";
    line->action.kind = UserAction::Kind::AltLetter;
    line->action.letter = static_cast<char>(std::tolower(static_cast<unsigned char>(rest.empty() ? 0 : rest[0])));
    return rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]));
  }
  if (verb == "menu") {
    *expected = "menu close, move, size, minimize, maximize or restore";
    for (const auto& m : MenuNames)
      if (rest == m.name) {
        line->action.kind = UserAction::Kind::SystemMenu;
        line->action.command = m.command;
        return true;
      }
    return false;
  }
  if (verb == "answer") {
    *expected = "answer yes, no, ok, cancel, abort, retry or ignore";
    line->kind = ScriptLine::Kind::Answer;
    for (const auto& a : AnswerNames)
      if (rest == a.name) {
        line->answer = a.id;
        return true;
      }
    return false;
  }
  *expected = "click, key, alt, menu, answer or pick";
  return false;
}

std::string AnswerName(int id) {
  for (const auto& a : AnswerNames)
    if (a.id == id) return a.name;
  return std::to_string(id);
}

bool Offers(const std::string& answers, const std::string& answer) {
  std::string list = "|" + answers + "|";
  return list.find("|" + answer + "|") != std::string::npos;
}

}  // namespace

std::optional<std::vector<ScriptLine>> ParseScript(std::string_view text, std::string* why) {
  std::vector<ScriptLine> lines;
  std::istringstream in{std::string(text)};
  std::string raw;
  for (int number = 1; std::getline(in, raw); number++) {
    std::string trimmed = Trim(raw);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    ScriptLine line;
    line.number = number;
    line.text = trimmed;
    std::string expected;
    if (!ParseLine(&line, &expected)) {
      if (why) *why = "line " + std::to_string(number) + ": expected " + expected + ", found \"" + trimmed + "\"";
      return std::nullopt;
    }
    if (line.kind != ScriptLine::Kind::Pick) line.text = Trim(line.text.substr(0, line.text.find('#')));
    lines.push_back(std::move(line));
  }
  return lines;
}

ScriptFrontend::ScriptFrontend(std::string name, std::vector<ScriptLine> lines)
    : name_(std::move(name)), lines_(std::move(lines)) {}

void ScriptFrontend::Mismatch(const std::string& situation, const std::string& expected) const {
  std::string found = next_ < lines_.size()
                          ? "line " + std::to_string(lines_[next_].number) + " \"" + lines_[next_].text + "\""
                          : "the end of the script";
  StopForUser("script " + name_ + ": " + situation + "; expected " + expected + ", found " + found);
}

std::optional<UserAction> ScriptFrontend::NextAction(const DialogView& dialog) {
  if (next_ >= lines_.size() || lines_[next_].kind != ScriptLine::Kind::Action)
    Mismatch("dialog \"" + dialog.title + "\" is open and waits for the user", "an action (click, key, alt, menu)");
  return lines_[next_++].action;
}

int ScriptFrontend::AnswerMessageBox(const MessageBoxRequest& request) {
  UINT buttons = request.type & MB_TYPEMASK;
  std::string answers = buttons < std::size(BoxAnswers) ? BoxAnswers[buttons] : "ok";
  if (next_ >= lines_.size() || lines_[next_].kind != ScriptLine::Kind::Answer ||
      !Offers(answers, AnswerName(lines_[next_].answer)))
    Mismatch("message box \"" + TraceEscape(request.caption) + "\" \"" + TraceEscape(request.text) + "\" appeared",
             "answer " + answers);
  return lines_[next_++].answer;
}

FolderPickerAnswer ScriptFrontend::AnswerFolderPicker(const FolderPickerRequest& request) {
  if (next_ >= lines_.size() || lines_[next_].kind != ScriptLine::Kind::Pick)
    Mismatch("folder picker \"" + request.title + "\" appeared", "pick PATH, pick mycomputer or pick cancel");
  return lines_[next_++].pick;
}

std::string ScriptFrontend::Unfinished() const {
  if (next_ >= lines_.size()) return "";
  return "script " + name_ + ": line " + std::to_string(lines_[next_].number) + " \"" + lines_[next_].text +
         "\" and " + std::to_string(lines_.size() - next_ - 1) + " after it were never used: the program ended first";
}

std::unique_ptr<Frontend> LoadScriptFrontend(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "winhost: script %s: cannot be read\n", path.c_str());
    return nullptr;
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::string why;
  auto lines = ParseScript(text.str(), &why);
  if (!lines) {
    std::fprintf(stderr, "winhost: script %s: %s\n", path.c_str(), why.c_str());
    return nullptr;
  }
  return std::make_unique<ScriptFrontend>(path, std::move(*lines));
}

}  // namespace winhost
