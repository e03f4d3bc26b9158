// layout_test.cpp - the dialog in cells: every text fits, nothing overlaps, on all four pages
// of the real wizard, driven in-process by a user that records what it sees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "../res/resource.h"
#include "core/frontend.h"
#include "kernel/drive.h"
#include "kernel/module.h"
#include "term/canvas.h"
#include "term/layout.h"
#include "term/screens.h"
#include "user/dialog_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace winhost::term {
namespace {

using ::testing::HasSubstr;

// Clicks Next through the wizard and answers the abort question on the Finished page.
class Recorder : public Frontend {
 public:
  std::vector<DialogView> pages, repaints;
  std::optional<UserAction> NextAction(const DialogView& dialog) override {
    pages.push_back(dialog);
    if (pages.size() == 4) return UserAction{UserAction::Kind::Key, 0, UserAction::Key::Escape};
    return UserAction{UserAction::Kind::Click, IDC_NEXT};
  }
  int AnswerMessageBox(const MessageBoxRequest&) override { return IDYES; }
  FolderPickerAnswer AnswerFolderPicker(const FolderPickerRequest&) override { return {}; }
  void Repaint(const DialogView& dialog) override { repaints.push_back(dialog); }
};

class WizardPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::filesystem::temp_directory_path() / ("term_layout_" + std::to_string(getpid()));
    std::filesystem::create_directories(root_ / "Program Files");
    SetDriveRoot('C', root_);
    auto recorder = std::make_unique<Recorder>();
    recorder_ = recorder.get();
    SetFrontend(std::move(recorder));
    char tail[] = "";
    WinMain(MainModule(), nullptr, tail, SW_SHOW);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(root_); }

  static std::vector<std::string> Picture(const DialogView& view, const DialogLayout& layout) {
    Canvas canvas(layout.Width() + 2, layout.Height() + 2, Look{});
    DrawDialog(canvas, layout, view, {0, 0, canvas.Width(), canvas.Height()});
    return canvas.Lines();
  }

  static inline std::filesystem::path root_;
  static inline Recorder* recorder_ = nullptr;
};

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : std::string(text) + ' ') {
    if (c != ' ' && c != '\n') word += c;
    else if (!word.empty()) words.push_back(std::exchange(word, ""));
  }
  return words;
}

TEST_F(WizardPages, RecordsTheFourPages) {
  ASSERT_EQ(recorder_->pages.size(), 4u);
  EXPECT_EQ(recorder_->pages[3].Find(IDC_NEXT)->text, "&Finish");
}

TEST_F(WizardPages, EveryTemplateTextFitsItsCellsAtTheChosenScale) {
  const DialogView& first = recorder_->pages[0];
  DialogLayout layout = DialogLayout::ForDialog(first);
  for (const ControlView& c : first.controls) {
    CellRect cells = layout.Place(c.rect);
    std::string shown = ShownText(c.text);
    SCOPED_TRACE(c.text);
    if (c.kind == ControlKind::StaticText && !(c.style & SS_CENTERIMAGE)) {
      std::vector<std::string> lines = WrapText(shown, cells.w);
      EXPECT_LE(static_cast<int>(lines.size()), cells.h);
      std::vector<std::string> rejoined;
      for (const auto& line : lines) {
        EXPECT_LE(static_cast<int>(line.size()), cells.w);
        for (auto& w : Words(line)) rejoined.push_back(w);
      }
      EXPECT_EQ(rejoined, Words(shown)) << "a word was cut";
    } else if (c.kind == ControlKind::PushButton) {
      EXPECT_LE(static_cast<int>(shown.size()) + ButtonDecoration, cells.w);
    } else if (c.kind == ControlKind::CheckBox) {
      EXPECT_LE(static_cast<int>(shown.size()) + CheckDecoration, cells.w);
    }
    EXPECT_GE(cells.h, 1);
  }
  // The scale is the smallest that does it: one step less cuts some text.
  DialogLayout smaller(layout.Scale() - 1.0 / 32, first.rect);
  bool allFit = true;
  for (const ControlView& c : first.controls) allFit = allFit && smaller.Fits(c);
  EXPECT_FALSE(allFit);
}

TEST_F(WizardPages, VisibleControlsNeverOverlapAndStayInside) {
  DialogLayout layout = DialogLayout::ForDialog(recorder_->pages[0]);
  std::vector<DialogView> views = recorder_->pages;
  views.insert(views.end(), recorder_->repaints.begin(), recorder_->repaints.end());
  for (size_t p = 0; p < views.size(); p++) {
    const DialogView& view = views[p];
    for (size_t i = 0; i < view.controls.size(); i++) {
      if (!view.controls[i].Visible()) continue;
      CellRect a = layout.DrawArea(view, i);
      EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.w <= layout.Width() && a.y + a.h <= layout.Height())
          << "view " << p << " control " << view.controls[i].id;
      for (size_t j = i + 1; j < view.controls.size(); j++)
        if (view.controls[j].Visible())
          EXPECT_FALSE(a.Intersects(layout.DrawArea(view, j)))
              << "view " << p << ": controls " << view.controls[i].id << " and " << view.controls[j].id;
    }
  }
}

// Texts set at run time are longer than the template's and are shown whole all the same.
TEST_F(WizardPages, PicturesShowEveryPageTextUncut) {
  DialogLayout layout = DialogLayout::ForDialog(recorder_->pages[0]);
  const struct {
    size_t page;
    std::vector<std::string> lines;
  } cases[] = {
      {0, {"Welcome to Qelt 2.13b quick setup!", "Please note that this is beta software, the release",
           "WinSock2 version would be installed", "Press Next to continue", "[[ > Next ]]"}},
      {1, {"Press Browse button to locate a directory", "would be created in this directory.",
           "c:\\Program Files\\Qelt\\", "[ Browse ]"}},
      {2, {"All files successfully installed", " [ Next ] "}},
      {3, {"Congratulations, Qelt 2.13b setup", " has completed successfully!", "[ ] View help after the setup",
           "Press Finish to quit setup", "[[ Finish ]]"}},
  };
  for (const auto& c : cases) {
    std::string all;
    for (const auto& line : Picture(recorder_->pages[c.page], layout)) all += line + "\n";
    for (const auto& expected : c.lines) EXPECT_THAT(all, HasSubstr(expected)) << "page " << c.page << ":\n" << all;
  }
  EXPECT_THAT(Picture(recorder_->pages[0], layout)[0], HasSubstr(" Quillmere 2.13b setup "));
}

TEST_F(WizardPages, ProgressBarFillsWithEachRepaintAndNextIsDimmedMeanwhile) {
  DialogLayout layout = DialogLayout::ForDialog(recorder_->pages[0]);
  int lastFilled = -1, lastPos = -1, painted = 0;
  for (const DialogView& view : recorder_->repaints) {
    const ControlView* bar = view.Find(IDC_PROGRESS);
    if (!bar || !bar->Visible()) continue;
    Canvas canvas(layout.Width() + 2, layout.Height() + 2, Look{});
    DrawDialog(canvas, layout, view, {0, 0, canvas.Width(), canvas.Height()});
    CellRect cells = layout.Place(bar->rect);
    std::string row = canvas.Lines()[cells.y + 1 + (cells.h - 1) / 2];
    int filled = static_cast<int>(std::count(row.begin(), row.end(), '#'));
    if (lastPos < 0) EXPECT_EQ(filled, 0) << "the bar starts empty";
    if (bar->progress.pos > lastPos) EXPECT_GT(filled, lastFilled) << "position " << bar->progress.pos;
    else EXPECT_EQ(filled, lastFilled);
    lastFilled = filled, lastPos = bar->progress.pos;
    painted++;
    CellRect next = layout.Place(view.Find(IDC_NEXT)->rect);
    int y = next.y + 1 + (next.h - 1) / 2;
    bool dim = false;
    for (int x = 1; x < canvas.Width() - 1; x++) dim = dim || (canvas.At(x, y).ch == U'N' && canvas.At(x, y).attr & AttrDim);
    EXPECT_TRUE(dim) << "Next is disabled during the run";
  }
  EXPECT_GE(painted, 9);  // painted before the run and after each of the eight rows
  CellRect bar = layout.Place(recorder_->pages[2].Find(IDC_PROGRESS)->rect);
  EXPECT_EQ(lastFilled, bar.w - 2) << "full after the last row";
}

}  // namespace
}  // namespace winhost::term
