// progress_test.cpp - the progress bar class: range, step, position and the class's absence.
#include "comctl/progress.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>

#include "../user/dialog_fixture.h"
#include "core/trace.h"

namespace winhost::testing {
namespace {

std::function<void(HWND)> WhileOpen;

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    ShowWindow(GetDlgItem(dialog, 1038), SW_SHOW);
  }
  if (message == WM_COMMAND && WhileOpen) WhileOpen(dialog);
  return message == WM_COMMAND;
}

// Runs BODY on the open setup dialog (after a click on Next) and returns its front end.
PlayFrontend* WithDialog(std::function<void(HWND)> body, INT_PTR* result = nullptr) {
  WhileOpen = std::move(body);
  PlayFrontend* play = Play({"click 1031"});
  INT_PTR r = DialogBoxParamA(SetupModule(), MAKEINTRESOURCEA(105), nullptr, Proc, 0);
  if (result) *result = r;
  return play;
}

struct Step {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result;  // what the message returns
  int pos;         // the position after it
};

struct ProgressCase {
  const char* name;
  std::vector<Step> steps;
};

const ProgressCase Cases[] = {
    // The install run: range 0 to 8, step 1, eight steps to a full bar.
    {"InstallRun",
     {{PBM_SETRANGE, 0, MAKELPARAM(0, 8), MAKELONG(0, 100), 0}, {PBM_SETSTEP, 1, 0, 10, 0},
      {PBM_STEPIT, 1, 0, 0, 1}, {PBM_STEPIT, 1, 0, 1, 2}, {PBM_SETPOS, 7, 0, 2, 7}, {PBM_STEPIT, 1, 0, 7, 8},
      {PBM_GETPOS, 0, 0, 8, 8}}},
    // Past the maximum the bar starts over from the minimum; a full bar stays full.
    {"StepPastTheEndWraps",
     {{PBM_SETRANGE, 0, MAKELPARAM(0, 8), MAKELONG(0, 100), 0}, {PBM_SETSTEP, 3, 0, 10, 0},
      {PBM_SETPOS, 7, 0, 0, 7}, {PBM_STEPIT, 0, 0, 7, 2}, {PBM_SETPOS, 5, 0, 2, 5}, {PBM_STEPIT, 0, 0, 5, 8}}},
    {"DefaultsStepTenOfHundred", {{PBM_STEPIT, 0, 0, 0, 10}, {PBM_SETPOS, 95, 0, 10, 95}, {PBM_STEPIT, 0, 0, 95, 5}}},
    {"RangeWithMinimum",
     {{PBM_SETRANGE, 0, MAKELPARAM(2, 6), MAKELONG(0, 100), 2}, {PBM_SETSTEP, 3, 0, 10, 2},
      {PBM_STEPIT, 0, 0, 2, 5}, {PBM_STEPIT, 0, 0, 5, 4}}},
    {"NegativeStepWrapsToTheTop",
     {{PBM_SETRANGE, 0, MAKELPARAM(0, 8), MAKELONG(0, 100), 0}, {PBM_SETSTEP, static_cast<WPARAM>(-1), 0, 10, 0},
      {PBM_STEPIT, 0, 0, 0, 7}}},
    {"SetPosIsClamped",
     {{PBM_SETRANGE, 0, MAKELPARAM(0, 8), MAKELONG(0, 100), 0}, {PBM_SETPOS, 20, 0, 0, 8},
      {PBM_SETPOS, static_cast<WPARAM>(-5), 0, 8, 0}, {PBM_DELTAPOS, 3, 0, 0, 3}, {PBM_DELTAPOS, 30, 0, 3, 8}}},
    {"NarrowerRangeClampsThePosition",
     {{PBM_SETPOS, 50, 0, 0, 50}, {PBM_SETRANGE, 0, MAKELPARAM(0, 8), MAKELONG(0, 100), 8}}},
};

void PrintTo(const ProgressCase& c, std::ostream* out) { *out << c.name; }

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, KeepsThePositionInRange) {
  const ProgressCase& c = GetParam();
  PlayFrontend* play = WithDialog([&](HWND dialog) {
    for (size_t i = 0; i < c.steps.size(); i++) {
      const Step& s = c.steps[i];
      EXPECT_EQ(SendDlgItemMessageA(dialog, 1038, s.message, s.wParam, s.lParam), s.result) << "step " << i;
      EXPECT_EQ(SendDlgItemMessageA(dialog, 1038, PBM_GETPOS, 0, 0), s.pos) << "step " << i;
    }
  });
  EXPECT_EQ(play->idle.back().Find(1038)->progress.pos, c.steps.back().pos);
}

INSTANTIATE_TEST_SUITE_P(Cases, Progress, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<ProgressCase>& info) { return info.param.name; });

// Each change is painted at once and traced; a message that changes nothing is not.
TEST(ProgressBar, RepaintsAndTracesEachChange) {
  std::string path = ::testing::TempDir() + "progress_trace.txt";
  SetTraceFile(path);
  std::vector<size_t> repaints;
  PlayFrontend* play = nullptr;
  play = WithDialog([&](HWND dialog) {
    SendDlgItemMessageA(dialog, 1038, PBM_SETRANGE, 0, MAKELPARAM(0, 8));
    SendDlgItemMessageA(dialog, 1038, PBM_SETSTEP, 1, 0);
    SendDlgItemMessageA(dialog, 1038, PBM_STEPIT, 1, 0);
    SendDlgItemMessageA(dialog, 1038, PBM_SETPOS, 1, 0);
  });
  SetTraceFile("");
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("progress", 0) == 0) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"progress 0/8", "progress 1/8"}));
  ASSERT_EQ(play->repaints.size(), 2u);
  EXPECT_EQ(play->repaints[1].Find(1038)->progress.pos, 1);
}

// Without the class the dialog opens without the control (DS_NOFAILCREATE), and messages
// to it do nothing; a template without DS_NOFAILCREATE then fails.
TEST(ProgressBar, ClassCanBeTakenAway) {
  SetProgressClassAvailable(false);
  INT_PTR result = 0;
  PlayFrontend* play = WithDialog([](HWND dialog) {
    EXPECT_EQ(GetDlgItem(dialog, 1038), nullptr);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1038, PBM_SETRANGE, 0, MAKELPARAM(0, 8)), 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1038, PBM_STEPIT, 1, 0), 0);
    EXPECT_NE(GetDlgItem(dialog, 1039), nullptr);
  }, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(play->idle.back().controls.size(), 11u);

  WhileOpen = nullptr;
  Bytes strict = ResourceData(SetupModule(), MAKEINTRESOURCEA(105), RT_DIALOG);
  strict[0] &= ~DS_NOFAILCREATE;
  HMODULE module = LoadResModule(ResImage({{5, 105, strict}}));
  EXPECT_EQ(DialogBoxParamA(module, MAKEINTRESOURCEA(105), nullptr, Proc, 0), -1);
  SetProgressClassAvailable(true);
  Play({"click 1031"});
  EXPECT_EQ(DialogBoxParamA(module, MAKEINTRESOURCEA(105), nullptr, Proc, 0), 0);
}

}  // namespace
}  // namespace winhost::testing
