// wizard_test.cpp - the wizard's dialog procedure driven by the real dialog manager: what a
// trace cannot show (the order of the window calls, the window menu, the style bits, the work
// buffer) and the commands that must change nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "../../res/resource.h"
#include "../platform/user/dialog_fixture.h"
#include "comctl/progress.h"
#include "install.h"
#include "kernel/drive.h"
#include "kernel/osversion.h"
#include "user/call_log.h"
#include "user/icon.h"
#include "wizard.h"

namespace winhost::testing {
namespace {

namespace fs = std::filesystem;

// Plays the script and notes how many window calls had been made each time the dialog was idle.
class CountingFrontend : public PlayFrontend {
 public:
  CountingFrontend(const std::vector<std::string>& lines, const std::vector<std::string>* log)
      : PlayFrontend(lines), log_(log) {}
  std::optional<UserAction> NextAction(const DialogView& dialog) override {
    callsWhenIdle.push_back(log_->size());
    return PlayFrontend::NextAction(dialog);
  }
  std::vector<size_t> callsWhenIdle;

 private:
  const std::vector<std::string>* log_;
};

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qelt-wizard-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
    SetDriveRoot('C', base_ / "c");
    SetOsVersion(OsVersion{1, 4, 10, 0});
    WizardStep = 0;
    CurrentVariant = VariantNone;
    WorkBuffer = nullptr;
    InstallFolder[0] = '\0';
    AppInstance = SetupModule();  // WinMain sets it too; a test that runs only the dialog needs it
  }
  void TearDown() override {
    RecordUserCalls(nullptr);
    SetProgressClassAvailable(true);
    ResetOsVersion();
    fs::remove_all(base_);
  }

  // Runs the program's WinMain over MODULE with the script, recording the window calls.
  CountingFrontend* Run(const std::vector<std::string>& script, HMODULE module = SetupModule()) {
    calls_.clear();
    auto frontend = std::make_unique<CountingFrontend>(script, &calls_);
    CountingFrontend* raw = frontend.get();
    SetFrontend(std::move(frontend));
    RecordUserCalls(&calls_);
    EXPECT_EQ(WinMain(module, nullptr, const_cast<char*>("/any arguments"), SW_SHOWDEFAULT), 0);
    RecordUserCalls(nullptr);
    return raw;
  }

  // The calls made while the user's action number ACTION ran (0: the dialog's creation).
  std::vector<std::string> CallsOf(const CountingFrontend& f, size_t action) const {
    size_t begin = action == 0 ? 0 : f.callsWhenIdle[action - 1];
    size_t end = action < f.callsWhenIdle.size() ? f.callsWhenIdle[action] : calls_.size();
    std::vector<std::string> out;
    for (size_t i = begin; i < end; i++)
      if (!calls_[i].starts_with("SendMessageA 1038")) out.push_back(calls_[i]);  // the run's bar steps
    return out;
  }

  std::vector<std::string> Installed() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(base_ / "c/Program Files/Qelt")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path base_;
  std::vector<std::string> calls_;
};

std::string Pointer(const void* p) { return std::to_string(reinterpret_cast<LPARAM>(p)); }

TEST_F(Wizard, SetsUpTheWindowOnInitDialog) {
  CountingFrontend* f = Run({});
  EXPECT_EQ(CallsOf(*f, 0),
            (std::vector<std::string>{"SetWindowLongA dialog GWL_STYLE 0x80C808D1",
                                      "SetWindowLongA dialog GWL_EXSTYLE 0x00000000",
                                      "DeleteMenu dialog SC_SIZE TRUE", "DeleteMenu dialog SC_MINIMIZE TRUE",
                                      "DeleteMenu dialog SC_MAXIMIZE TRUE", "DeleteMenu dialog SC_RESTORE TRUE",
                                      "SendMessageA dialog 0x0080 0 " + Pointer(SmallIcon),
                                      "SendMessageA dialog 0x0080 1 " + Pointer(LargeIcon),
                                      "SetDlgItemTextA 1034 \"WinSock2 version would be installed\\n\\nPress Next to "
                                      "continue\""}));
  const DialogView& opened = f->idle.at(0);
  EXPECT_EQ(opened.systemMenu, (std::vector<UINT>{SC_MOVE, 0, SC_CLOSE}));
  EXPECT_EQ(opened.style, 0x90C808D1u);
  EXPECT_EQ(opened.exStyle, 0u);
  EXPECT_EQ(FocusedId(opened), IDC_NEXT);
  ASSERT_NE(IconFromHandle(opened.smallIcon), nullptr);
  ASSERT_NE(IconFromHandle(opened.bigIcon), nullptr);
  EXPECT_EQ(IconFromHandle(opened.smallIcon)->width, 16);
  EXPECT_EQ(IconFromHandle(opened.bigIcon)->width, 32);
}

// A template without the frame bits and with a context-help button (and another extended
// style) gets the frame bits added and only the help button taken away.
TEST_F(Wizard, AddsFrameBitsAndClearsOnlyContextHelp) {
  Bytes dialog = ResourceData(SetupModule(), MAKEINTRESOURCEA(IDD_SETUP), RT_DIALOG);
  dialog[2] &= ~0xC8;                   // WS_CAPTION and WS_SYSMENU: bits 22, 23 and 19
  dialog[4] |= 0x08, dialog[5] |= 0x04;  // WS_EX_TOPMOST and WS_EX_CONTEXTHELP
  HMODULE module = LoadResModule(ResImage({{5, IDD_SETUP, dialog},
                                           {14, IDI_SETUP, ResourceData(SetupModule(), MAKEINTRESOURCEA(IDI_SETUP), RT_GROUP_ICON)},
                                           {3, 1, ResourceData(SetupModule(), MAKEINTRESOURCEA(1), RT_ICON)}}));
  CountingFrontend* f = Run({}, module);
  EXPECT_EQ(CallsOf(*f, 0).at(0), "SetWindowLongA dialog GWL_STYLE 0x80C808D1");
  EXPECT_EQ(CallsOf(*f, 0).at(1), "SetWindowLongA dialog GWL_EXSTYLE 0x00000008");
  EXPECT_EQ(f->idle.at(0).style & 0x00C80000u, 0x00C80000u);
}

TEST_F(Wizard, ShowsThePagesInOrder) {
  CountingFrontend* f = Run({"click 1031", "click 1031", "click 1031", "click 1027", "click 1031"});
  EXPECT_EQ(CallsOf(*f, 1), (std::vector<std::string>{"ShowWindow 1032 SW_HIDE", "ShowWindow 1034 SW_HIDE",
                                                     "ShowWindow 1040 SW_SHOW", "ShowWindow 1042 SW_SHOW",
                                                     "ShowWindow 1041 SW_SHOW",
                                                     "SetDlgItemTextA 1042 \"c:\\Program Files\\Qelt\\\""}));
  EXPECT_EQ(CallsOf(*f, 2),
            (std::vector<std::string>{"ShowWindow 1040 SW_HIDE", "ShowWindow 1042 SW_HIDE", "ShowWindow 1041 SW_HIDE",
                                      "ShowWindow 1039 SW_SHOW",
                                      "SetDlgItemTextA 1039 \"Installing Qelt 2.13b, WinSock2 version...\"",
                                      "EnableWindow 1031 FALSE", "ShowWindow 1038 SW_SHOW", "UpdateWindow dialog",
                                      "SendMessageA dialog 0x97FF 0 0",
                                      "SetDlgItemTextA 1039 \"All files successfully installed\"",
                                      "EnableWindow 1031 TRUE", "SetWindowTextA 1031 \"&Next\""}));
  EXPECT_EQ(CallsOf(*f, 3), (std::vector<std::string>{"ShowWindow 1039 SW_HIDE", "ShowWindow 1038 SW_HIDE",
                                                     "ShowWindow 1035 SW_SHOW", "ShowWindow 1027 SW_SHOW",
                                                     "ShowWindow 1037 SW_SHOW", "SetWindowTextA 1031 \"&Finish\""}));
  EXPECT_EQ(CallsOf(*f, 4), std::vector<std::string>{});  // the check box ticks itself
  EXPECT_EQ(CallsOf(*f, 5), (std::vector<std::string>{"SendMessageA 1027 0x00F0 0 0", "EndDialog dialog 1"}));
  EXPECT_STREQ(InstallFolder, "c:\\Program Files\\Qelt\\");
  // Finish appended the help file's name to the folder text kept since the Folder page.
  EXPECT_STREQ(WorkBuffer, "c:\\Program Files\\Qelt\\qelt.hlp");
}

INT_PTR CALLBACK WatchingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
std::vector<std::pair<UINT, char*>> Watched;
INT_PTR CALLBACK WatchingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = SetupDlgProc(dialog, message, wParam, lParam);
  Watched.push_back({message, WorkBuffer});
  return result;
}

TEST_F(Wizard, ObtainsTheWorkBufferOnTheFirstMessageOnly) {
  Watched.clear();
  Play({"click 1031", "click 1031"});
  DialogBoxParamA(SetupModule(), MAKEINTRESOURCEA(IDD_SETUP), nullptr, WatchingProc, 0);
  ASSERT_GE(Watched.size(), 3u);
  EXPECT_EQ(Watched[0].first, static_cast<UINT>(WM_SETFONT));
  ASSERT_NE(Watched[0].second, nullptr);
  for (const auto& [message, buffer] : Watched) EXPECT_EQ(buffer, Watched[0].second) << "message " << message;
}

// Enter without a focused button is IDOK, and a click on the check box only ticks it: the
// wizard makes no call, and nothing else on the dialog changes.
TEST_F(Wizard, IdokAndCheckBoxChangeNothingElse) {
  CountingFrontend* f = Run({"click 1031", "click 1031", "key enter", "click 1031", "click 1027", "key esc", "answer no"});
  ASSERT_EQ(f->idle.size(), 7u);
  EXPECT_EQ(CallsOf(*f, 3), std::vector<std::string>{});
  EXPECT_EQ(CallsOf(*f, 5), std::vector<std::string>{});
  EXPECT_EQ(WizardStep, 3);
  auto same = [](const DialogView& a, const DialogView& b, int except) {
    for (size_t i = 0; i < a.controls.size(); i++) {
      const ControlView &x = a.controls[i], &y = b.controls[i];
      if (x.id == except) continue;
      EXPECT_EQ(x.style, y.style) << x.id;
      EXPECT_EQ(x.text, y.text) << x.id;
      EXPECT_EQ(x.check, y.check) << x.id;
      EXPECT_EQ(x.progress.pos, y.progress.pos) << x.id;
    }
    EXPECT_EQ(a.title, b.title);
  };
  same(f->idle[2], f->idle[3], 0);
  EXPECT_EQ(FocusedId(f->idle[2]), 0);
  same(f->idle[4], f->idle[5], IDC_VIEW_HELP);
  EXPECT_EQ(f->idle[5].Find(IDC_VIEW_HELP)->check, BST_CHECKED);
  // No to the abort question leaves everything as it was.
  same(f->idle[5], f->idle[6], 0);
  EXPECT_EQ(f->boxes.size(), 1u);
}

TEST_F(Wizard, InstallsTheSameRowsWithoutTheProgressBar) {
  Run({"click 1031", "click 1031"});
  std::vector<std::string> withBar = Installed();
  EXPECT_EQ(withBar.size(), 6u);
  fs::remove_all(base_ / "c/Program Files/Qelt");

  SetProgressClassAvailable(false);
  WizardStep = 0;
  CountingFrontend* f = Run({"click 1031", "click 1031"});
  EXPECT_EQ(Installed(), withBar);
  EXPECT_EQ(f->idle.back().Find(IDC_PROGRESS), nullptr);
  EXPECT_EQ(f->idle.back().Find(IDC_STATUS)->text, "All files successfully installed");
  for (const std::string& call : calls_) EXPECT_FALSE(call.starts_with("SendMessageA 1038")) << call;
}

}  // namespace
}  // namespace winhost::testing
