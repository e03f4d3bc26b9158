// picker_test.cpp - the folder picker and the shell namespace over temporary drives.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "core/frontend.h"
#include "core/trace.h"
#include "kernel/drive.h"
#include "shell/namespace.h"

namespace fs = std::filesystem;
using winhost::FolderPickerAnswer;
using Kind = FolderPickerAnswer::Kind;

namespace {

// Answers each picker with the next queued answer and keeps the requests.
class PickerFrontend : public winhost::Frontend {
 public:
  std::deque<FolderPickerAnswer> answers;
  std::vector<winhost::FolderPickerRequest> requests;
  std::optional<winhost::UserAction> NextAction(const winhost::DialogView&) override { return std::nullopt; }
  int AnswerMessageBox(const winhost::MessageBoxRequest&) override { return IDOK; }
  FolderPickerAnswer AnswerFolderPicker(const winhost::FolderPickerRequest& request) override {
    requests.push_back(request);
    FolderPickerAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("picker_test_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    for (const char* folder : {"c/Tools", "c/Apps/Qelt", "c/beta", "c/Alpha", "c/gamma", "c/trailing.", "d/Data"})
      fs::create_directories(root_ / folder);
    std::ofstream(root_ / "c" / "readme.txt") << "not a folder";
    for (char letter = 'A'; letter <= 'Z'; letter++) winhost::SetDriveRoot(letter, {});
    winhost::SetDriveRoot('C', root_ / "c");
    winhost::SetDriveRoot('D', root_ / "d");
    auto frontend = std::make_unique<PickerFrontend>();
    frontend_ = frontend.get();
    winhost::SetFrontend(std::move(frontend));
  }
  void TearDown() override {
    winhost::SetTraceFile("");
    winhost::SetFrontend(nullptr);
    fs::remove_all(root_);
  }

  // Runs the program's call sequence: the picker, then the path of what it returned.
  struct Pick {
    LPITEMIDLIST item;
    std::string display;
    BOOL hasPath;
    std::string path;
  };
  Pick Browse(FolderPickerAnswer answer, UINT flags = 0) {
    frontend_->answers.push_back(answer);
    char display[MAX_PATH] = "untouched";
    BROWSEINFOA browse{};
    browse.pszDisplayName = display;
    browse.lpszTitle = "Select a folder for Qelt installation";
    browse.ulFlags = flags;
    Pick pick{SHBrowseForFolderA(&browse), "", FALSE, ""};
    pick.display = display;
    char path[MAX_PATH] = "junk";
    pick.hasPath = SHGetPathFromIDListA(pick.item, path);
    pick.path = path;
    return pick;
  }

  fs::path root_;
  PickerFrontend* frontend_ = nullptr;
};

TEST_F(PickerTest, AnswersAreCheckedAndReportedAsWindowsDoes) {
  struct Case {
    FolderPickerAnswer answer;
    bool returned;
    const char* display;
    const char* path;  // empty: no file-system path (FALSE)
  } cases[] = {
      {{Kind::Folder, "c:\\tools"}, true, "Tools", "C:\\Tools"},
      {{Kind::Folder, "C:/apps/QELT/"}, true, "Qelt", "C:\\Apps\\Qelt"},
      {{Kind::Folder, "d:\\"}, true, "(D:)", "D:\\"},
      {{Kind::Folder, "c:"}, true, "(C:)", "C:\\"},
      {{Kind::Folder, "C:\\.\\Tools\\\\"}, true, "Tools", "C:\\Tools"},
      {{Kind::MyComputer, ""}, true, "My Computer", ""},
      // Nothing the real picker could return: taken as a cancel.
      {{Kind::Folder, "C:\\Nowhere"}, false, "untouched", ""},
      {{Kind::Folder, "C:\\readme.txt"}, false, "untouched", ""},
      {{Kind::Folder, "E:\\"}, false, "untouched", ""},
      {{Kind::Folder, "Tools"}, false, "untouched", ""},
      {{Kind::Folder, "C:Tools"}, false, "untouched", ""},
      {{Kind::Folder, "C:\\Tools\\..\\Apps"}, false, "untouched", ""},
      {{Kind::Folder, ""}, false, "untouched", ""},
      {{Kind::Cancel, ""}, false, "untouched", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.path);
    Pick pick = Browse(c.answer);
    EXPECT_EQ(pick.item != nullptr, c.returned);
    EXPECT_EQ(pick.display, c.display);
    EXPECT_EQ(pick.hasPath, *c.path != '\0');
    EXPECT_EQ(pick.path, c.path);
  }
  ASSERT_EQ(frontend_->requests.size(), std::size(cases));
  EXPECT_EQ(frontend_->requests[0].title, "Select a folder for Qelt installation");
}

TEST_F(PickerTest, FoldersOnlyRefusesMyComputer) {
  Pick pick = Browse({Kind::MyComputer, ""}, BIF_RETURNONLYFSDIRS);
  EXPECT_EQ(pick.item, nullptr);
  EXPECT_EQ(Browse({Kind::Folder, "c:\\tools"}, BIF_RETURNONLYFSDIRS).path, "C:\\Tools");
}

TEST_F(PickerTest, PathQueryOfNoItemIsEmptyAndFalse) {
  char path[MAX_PATH] = "junk";
  EXPECT_FALSE(SHGetPathFromIDListA(nullptr, path));
  EXPECT_STREQ(path, "");
  EXPECT_FALSE(SHGetPathFromIDListA(winhost::ShellDesktop(), path));
  EXPECT_FALSE(SHGetPathFromIDListA(winhost::ShellFolderFromPath("C:\\Tools"), nullptr));
}

TEST_F(PickerTest, TraceNamesTitleAndOutcome) {
  fs::path trace = root_ / "trace.txt";
  winhost::SetTraceFile(trace.string());
  Browse({Kind::Folder, "c:\\tools\\"});
  Browse({Kind::MyComputer, ""});
  Browse({Kind::Cancel, ""});
  Browse({Kind::Folder, "C:\\Nowhere"});
  winhost::SetTraceFile("");
  std::ifstream in(trace);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string picker = "picker \"Select a folder for Qelt installation\"";
  EXPECT_EQ(text, picker + " opened\n" + picker + " -> C:\\Tools\n" +  //
                      picker + " opened\n" + picker + " -> My Computer\n" +  //
                      picker + " opened\n" + picker + " -> cancel\n" +  //
                      picker + " opened\n" + picker + " -> cancel (no such folder: C:\\Nowhere)\n");
}

TEST_F(PickerTest, NamespaceWalksDrivesAndSortedFolders) {
  const ITEMIDLIST* desktop = winhost::ShellDesktop();
  ASSERT_EQ(winhost::ShellChildren(desktop), std::vector{winhost::ShellMyComputer()});
  EXPECT_EQ(winhost::ShellDisplayName(desktop), "Desktop");
  EXPECT_FALSE(winhost::ShellIsFileSystemFolder(winhost::ShellMyComputer()));

  std::vector<std::string> drives;
  for (const ITEMIDLIST* drive : winhost::ShellChildren(winhost::ShellMyComputer()))
    drives.push_back(winhost::ShellDisplayName(drive) + " " + winhost::ShellPath(drive));
  EXPECT_EQ(drives, (std::vector<std::string>{"(C:) C:\\", "(D:) D:\\"}));

  // Case-insensitive order, on-disk case, no files, no name Windows would change.
  std::vector<std::string> folders;
  for (const ITEMIDLIST* folder : winhost::ShellChildren(winhost::ShellFolderFromPath("C:\\"))) {
    EXPECT_TRUE(winhost::ShellIsFileSystemFolder(folder));
    folders.push_back(winhost::ShellPath(folder));
  }
  EXPECT_EQ(folders, (std::vector<std::string>{"C:\\Alpha", "C:\\Apps", "C:\\beta", "C:\\gamma", "C:\\Tools"}));

  // One item per folder, however it is reached: item lists cost nothing to leak.
  EXPECT_EQ(winhost::ShellFolderFromPath("c:\\APPS\\qelt"), winhost::ShellChildren(winhost::ShellFolderFromPath("C:\\Apps"))[0]);
}

}  // namespace
