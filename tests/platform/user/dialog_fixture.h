// dialog_fixture.h - what the dialog tests share: the setup's compiled resources as a module,
// a .res builder for fixtures, and a front end that plays script lines and watches the dialog.
#ifndef TESTS_PLATFORM_USER_DIALOG_FIXTURE_H
#define TESTS_PLATFORM_USER_DIALOG_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/frontend.h"
#include "core/script.h"
#include "kernel/module.h"
#include "user/dialog_view.h"

namespace winhost::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The setup program's own resources, as the program's module holds them.
inline HMODULE SetupModule() {
  static HMODULE module = LoadResModule(ReadBytes(QELT_BINARY_DIR "/res/setup.res"));
  return module;
}

inline Bytes ResourceData(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(module, name, type);
  if (!found) return {};
  auto* data = static_cast<const std::uint8_t*>(LoadResource(module, found));
  return Bytes(data, data + SizeofResource(module, found));
}

// A .res image holding the given (type ordinal, name ordinal, data) entries.
struct ResEntryBytes {
  WORD type, name;
  Bytes data;
};
inline Bytes ResImage(const std::vector<ResEntryBytes>& entries) {
  Bytes out;
  auto word = [&](WORD w) { out.push_back(w & 0xFF), out.push_back(w >> 8); };
  auto dword = [&](DWORD d) { word(d & 0xFFFF), word(d >> 16); };
  auto entry = [&](WORD type, WORD name, const Bytes& data) {
    dword(static_cast<DWORD>(data.size()));
    dword(32);
    word(0xFFFF), word(type), word(0xFFFF), word(name);
    dword(0), word(0x1030), word(0), dword(0), dword(0);
    out.insert(out.end(), data.begin(), data.end());
    while (out.size() % 4) out.push_back(0);
  };
  entry(0, 0, {});
  for (const ResEntryBytes& e : entries) entry(e.type, e.name, e.data);
  return out;
}

// Plays script lines; when they run out it ends the dialog with 0. Keeps each view it was
// shown when idle, and the last one.
class PlayFrontend : public Frontend {
 public:
  explicit PlayFrontend(const std::vector<std::string>& lines) {
    std::string text, why;
    for (const std::string& line : lines) text += line + "\n";
    auto parsed = ParseScript(text, &why);
    EXPECT_TRUE(parsed) << why;
    if (parsed) lines_ = *parsed;
  }
  std::optional<UserAction> NextAction(const DialogView& dialog) override {
    idle.push_back(dialog);
    if (next_ < lines_.size() && lines_[next_].kind == ScriptLine::Kind::Action) return lines_[next_++].action;
    EXPECT_EQ(next_, lines_.size()) << "line " << lines_[next_].text << " is not an action";
    EndDialog(dialog.handle, 0);
    return UserAction{UserAction::Kind::Click, 0};  // reaches nothing: the loop then sees the end
  }
  int AnswerMessageBox(const MessageBoxRequest& request) override {
    boxes.push_back(request);
    if (next_ < lines_.size() && lines_[next_].kind == ScriptLine::Kind::Answer) return lines_[next_++].answer;
    ADD_FAILURE() << "unanswered message box " << request.caption;
    return IDOK;
  }
  FolderPickerAnswer AnswerFolderPicker(const FolderPickerRequest&) override {
    if (next_ < lines_.size() && lines_[next_].kind == ScriptLine::Kind::Pick) return lines_[next_++].pick;
    ADD_FAILURE() << "unanswered folder picker";
    return {};
  }
  void Repaint(const DialogView& dialog) override { repaints.push_back(dialog); }

  std::vector<DialogView> idle, repaints;
  std::vector<MessageBoxRequest> boxes;

 private:
  std::vector<ScriptLine> lines_;
  size_t next_ = 0;
};

// Installs a PlayFrontend for LINES and returns it (owned by the platform).
inline PlayFrontend* Play(const std::vector<std::string>& lines) {
  auto frontend = std::make_unique<PlayFrontend>(lines);
  PlayFrontend* raw = frontend.get();
  SetFrontend(std::move(frontend));
  return raw;
}

inline int FocusedId(const DialogView& view) { return view.Focused() ? view.Focused()->id : 0; }

}  // namespace winhost::testing

#endif
