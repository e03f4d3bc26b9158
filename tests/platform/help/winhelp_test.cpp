// winhelp_test.cpp - WinHelpA: the help file of a mapped drive reaches the front end's viewer.
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/frontend.h"
#include "core/trace.h"
#include "help_builder.h"
#include "kernel/drive.h"

namespace fs = std::filesystem;

namespace {

class HelpFrontend : public winhost::Frontend {
 public:
  std::vector<winhost::HelpDocument> shown;
  std::optional<winhost::UserAction> NextAction(const winhost::DialogView&) override { return std::nullopt; }
  int AnswerMessageBox(const winhost::MessageBoxRequest&) override { return IDOK; }
  winhost::FolderPickerAnswer AnswerFolderPicker(const winhost::FolderPickerRequest&) override { return {}; }
  void ShowHelp(const winhost::HelpDocument& document) override { shown.push_back(document); }
};

class WinHelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_ = fs::temp_directory_path() / ("winhelp_test_" + std::to_string(::getpid()));
    fs::create_directories(drive_ / "Program Files" / "Qelt");
    winhost::SetDriveRoot('C', drive_);
    helptest::HelpRecipe recipe;
    recipe.title = "Qelt 2.13b Help";
    recipe.topics = {{"Contents", {"First paragraph", "Second paragraph"}}};
    recipe.contents = 0;
    Write("Program Files/Qelt/qelt.hlp", helptest::BuildHelp(recipe));
    std::vector<std::uint8_t> broken = helptest::BuildHelp(recipe);
    broken.resize(broken.size() / 2);
    Write("Program Files/Qelt/broken.hlp", broken);
    auto frontend = std::make_unique<HelpFrontend>();
    frontend_ = frontend.get();
    winhost::SetFrontend(std::move(frontend));
    winhost::SetTraceFile((drive_ / "trace.txt").string());
  }
  void TearDown() override {
    winhost::SetTraceFile("");
    winhost::SetFrontend(nullptr);
    fs::remove_all(drive_);
  }
  void Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(drive_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  std::string Trace() {
    winhost::SetTraceFile("");
    std::ifstream in(drive_ / "trace.txt");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path drive_;
  HelpFrontend* frontend_ = nullptr;
};

TEST_F(WinHelpTest, ContentsOpensTheFileInTheViewer) {
  // The path as the wizard forms it, in a case other than the one on disk.
  EXPECT_TRUE(WinHelpA(nullptr, "c:\\PROGRAM FILES\\qelt\\QELT.HLP", HELP_CONTENTS, 0));
  ASSERT_EQ(frontend_->shown.size(), 1u);
  EXPECT_EQ(frontend_->shown[0].file, "c:\\PROGRAM FILES\\qelt\\QELT.HLP");
  EXPECT_EQ(frontend_->shown[0].title, "Qelt 2.13b Help");
  EXPECT_EQ(frontend_->shown[0].paragraphs, (std::vector<std::string>{"First paragraph", "Second paragraph"}));
  EXPECT_EQ(Trace(), "winhelp HELP_CONTENTS c:\\PROGRAM FILES\\qelt\\QELT.HLP \"Qelt 2.13b Help\"\n");
}

TEST_F(WinHelpTest, FailuresAreReportedAndShowNothing) {
  struct Case {
    const char* file;
    UINT command;
    BOOL result;
    const char* trace;  // empty: no trace line
  } cases[] = {
      {"c:\\Program Files\\Qelt\\missing.hlp", HELP_CONTENTS, FALSE, "winhelp HELP_CONTENTS c:\\Program Files\\Qelt\\missing.hlp failed: no such file"},
      {"c:\\Program Files\\Qelt\\broken.hlp", HELP_CONTENTS, FALSE, "winhelp HELP_CONTENTS c:\\Program Files\\Qelt\\broken.hlp failed: "},
      {"c:\\Program Files\\Qelt", HELP_CONTENTS, FALSE, "winhelp HELP_CONTENTS c:\\Program Files\\Qelt failed: no such file"},
      {"q:\\qelt.hlp", HELP_CONTENTS, FALSE, "winhelp HELP_CONTENTS q:\\qelt.hlp failed: no such file"},
      {nullptr, HELP_CONTENTS, FALSE, "winhelp HELP_CONTENTS (null) failed: no file name"},
      {"c:\\Program Files\\Qelt\\qelt.hlp", HELP_QUIT, TRUE, ""},
      {"c:\\Program Files\\Qelt\\qelt.hlp", 1 /* HELP_CONTEXT */, FALSE, "winhelp command 1 not supported"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "(null)");
    winhost::SetTraceFile((drive_ / "trace.txt").string());
    EXPECT_EQ(WinHelpA(nullptr, c.file, c.command, 0), c.result);
    std::string trace = Trace();
    if (*c.trace) EXPECT_EQ(trace.rfind(c.trace, 0), 0u) << trace;
    else EXPECT_EQ(trace, "");
  }
  EXPECT_TRUE(frontend_->shown.empty());
}

}  // namespace
