// script_test.cpp - the scripted user's language: what each line means, and what is refused.
#include "core/script.h"

#include <gtest/gtest.h>

namespace winhost {
namespace {

TEST(Script, ReadsEveryKindOfLine) {
  std::string why;
  auto lines = ParseScript(
      "# a comment\n\n  click 1031   # Next\nclick -1\nkey tab\nkey shift+tab\nkey enter\nkey space\nkey esc\n"
      "alt N\nmenu close\nanswer yes\nanswer ok\npick C:\\My #1 folder\\\npick mycomputer\npick cancel\r\n",
      &why);
  ASSERT_TRUE(lines) << why;
  using Kind = UserAction::Kind;
  std::vector<std::string> texts;
  for (const ScriptLine& line : *lines)
    texts.push_back(line.kind == ScriptLine::Kind::Action ? ActionText(line.action) : line.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"click 1031", "click -1", "key tab", "key shift+tab", "key enter",
                                             "key space", "key esc", "alt n", "menu close", "answer yes", "answer ok",
                                             "pick C:\\My #1 folder\\", "pick mycomputer", "pick cancel"}));
  EXPECT_EQ((*lines)[0].number, 3);
  EXPECT_EQ((*lines)[0].action.kind, Kind::Click);
  EXPECT_EQ((*lines)[9].answer, IDYES);
  EXPECT_EQ((*lines)[10].answer, IDOK);
  EXPECT_EQ((*lines)[11].pick.kind, FolderPickerAnswer::Kind::Folder);
  EXPECT_EQ((*lines)[11].pick.path, "C:\\My #1 folder\\");
  EXPECT_EQ((*lines)[12].pick.kind, FolderPickerAnswer::Kind::MyComputer);
  EXPECT_EQ((*lines)[13].pick.kind, FolderPickerAnswer::Kind::Cancel);
}

TEST(Script, RefusesLinesOutsideTheLanguage) {
  struct Case {
    const char* line;
    const char* why;
  } const cases[] = {
      {"click", "expected click and a control identifier"},   {"click next", "control identifier"},
      {"click 1031x", "control identifier"},                  {"click 70000", "control identifier"},
      {"key f1", "expected key tab, shift+tab"},              {"alt", "one letter"},
      {"alt nb", "one letter"},                               {"menu quit", "menu close"},
      {"answer maybe", "answer yes, no"},                     {"pick", "pick PATH"},
      {"press enter", "expected click, key, alt, menu, answer or pick"},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(ParseScript(std::string("key tab\n") + c.line + "\n", &why)) << c.line;
    EXPECT_NE(why.find("line 2: "), std::string::npos) << why;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.line << ": " << why;
    EXPECT_NE(why.find(std::string("found \"") + c.line + "\""), std::string::npos) << why;
  }
}

// An answer that the box does not offer stops the run, naming the line and the choices.
TEST(Script, AnswerMustFitTheBox) {
  std::string why;
  auto lines = ParseScript("answer yes\n", &why);
  ASSERT_TRUE(lines);
  ScriptFrontend script("s.txt", *lines);
  EXPECT_EXIT(script.AnswerMessageBox({nullptr, "text", "caption", MB_OK | MB_ICONERROR}),
              ::testing::ExitedWithCode(3), "script s.txt: message box \"caption\" \"text\" appeared; expected answer ok, "
                                            "found line 1 \"answer yes\"");
  EXPECT_EQ(script.AnswerMessageBox({nullptr, "text", "caption", MB_YESNO}), IDYES);
  EXPECT_EQ(script.Unfinished(), "");
}

}  // namespace
}  // namespace winhost
