// screens_test.cpp - word wrap, message boxes, the picker's tree, the small pictures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "kernel/drive.h"
#include "shell/namespace.h"
#include "term/canvas.h"
#include "term/layout.h"
#include "term/screens.h"

namespace winhost::term {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

TEST(WrapText, BreaksAtSpacesAndLineFeedsLikeAStaticControl) {
  const struct {
    const char* text;
    int width;
    Lines lines;
  } cases[] = {
      {"one two three", 7, {"one two", "three"}},
      {"one two three", 13, {"one two three"}},
      {"a\n\nb", 5, {"a", "", "b"}},
      {"x\n indented", 20, {"x", " indented"}},       // a leading space after '\n' stays
      {"aaaa    bbb", 4, {"aaaa", "bbb"}},            // spaces at a break vanish
      {"abcdefghij", 4, {"abcd", "efgh", "ij"}},      // a word wider than the line is broken
      {"", 5, {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(WrapText(c.text, c.width), c.lines) << c.text << " in " << c.width;
}

TEST(ShownText, DropsTheAmpersandAndFindsTheMnemonic) {
  const struct {
    const char* text;
    const char* shown;
    int mnemonic;
  } cases[] = {{"> &Next", "> Next", 2}, {"&Finish", "Finish", 0}, {"a&&b", "a&b", -1}, {"plain", "plain", -1}};
  for (const auto& c : cases) {
    int mnemonic = 99;
    EXPECT_EQ(ShownText(c.text, &mnemonic), c.shown);
    EXPECT_EQ(mnemonic, c.mnemonic) << c.text;
  }
}

TEST(Button, MarksFocusMnemonicAndDisabledState) {
  Canvas canvas(16, 3, Look{});
  DrawButton(canvas, 0, 0, 16, "> &Next", true, true);
  DrawButton(canvas, 0, 1, 16, "> &Next", false, true);
  DrawButton(canvas, 0, 2, 16, "> &Next", false, false);
  EXPECT_THAT(canvas.Lines(), ElementsAre("  [[ > Next ]]", "   [ > Next ]", "   [ > Next ]"));
  EXPECT_TRUE(canvas.At(7, 0).attr & AttrUnderline);  // the N
  EXPECT_TRUE(canvas.At(7, 0).attr & AttrReverse);
  EXPECT_FALSE(canvas.At(8, 1).attr & AttrUnderline);
  EXPECT_TRUE(canvas.At(7, 1).attr & AttrUnderline);
  EXPECT_TRUE(canvas.At(7, 2).attr & AttrDim);
  EXPECT_FALSE(canvas.At(7, 2).attr & AttrUnderline);  // a disabled button offers no mnemonic
}

TEST(MessageBox, ShowsCaptionIconTextAndTheButtonsOfItsFlags) {
  const struct {
    UINT type;
    const char* mark;
    std::vector<int> buttons;
    const char* row;
  } cases[] = {
      {MB_YESNO | MB_ICONQUESTION, "(?)", {IDYES, IDNO}, "[[ Yes ]] [ No ]"},
      {MB_OK | MB_ICONERROR, "(x)", {IDOK}, "[[ OK ]]"},
      {MB_YESNOCANCEL, nullptr, {IDYES, IDNO, IDCANCEL}, "[[ Yes ]] [ No ]  [ Cancel ]"},
  };
  for (const auto& c : cases) {
    MessageBoxModel box = MakeMessageBox({nullptr, "Are you sure you want\nto abort installation process?",
                                          "Qelt setup : Panic", c.type});
    EXPECT_EQ(box.buttons, c.buttons);
    Canvas canvas(80, 24, Look{});
    BoxGeometry geometry = DrawMessageBox(canvas, box);
    std::string all;
    for (const auto& line : canvas.Lines()) all += line + "\n";
    EXPECT_THAT(all, HasSubstr(" Qelt setup : Panic "));
    EXPECT_THAT(all, HasSubstr("Are you sure you want   "));
    EXPECT_THAT(all, HasSubstr("to abort installation process?"));
    EXPECT_THAT(all, HasSubstr(c.row));
    if (c.mark) EXPECT_THAT(all, HasSubstr(c.mark));
    ASSERT_EQ(geometry.buttons.size(), c.buttons.size());
    for (size_t i = 1; i < geometry.buttons.size(); i++)
      EXPECT_FALSE(geometry.buttons[i].Intersects(geometry.buttons[i - 1]));
  }
}

TEST(Picker, TreeOpensClosesAndFindsParents) {
  auto root = std::filesystem::temp_directory_path() / ("term_picker_" + std::to_string(getpid()));
  std::filesystem::create_directories(root / "Tools" / "Deep");
  std::filesystem::create_directories(root / "apps");
  SetDriveRoot('C', root);
  PickerModel picker("Select a folder for Qelt installation");
  // My Computer is open at start, with the drive under it.
  ASSERT_GE(picker.rows.size(), 2u);
  EXPECT_EQ(picker.rows[0].item, ShellMyComputer());
  EXPECT_TRUE(picker.rows[0].open);
  EXPECT_EQ(ShellPath(picker.rows[1].item), "C:\\");
  size_t before = picker.rows.size();
  picker.Open(1);
  std::vector<std::string> names;
  for (const auto& row : picker.rows) names.push_back(ShellDisplayName(row.item));
  EXPECT_THAT(std::vector<std::string>(names.begin() + 2, names.end()), ::testing::IsSupersetOf({"apps", "Tools"}));
  int tools = static_cast<int>(std::find(names.begin(), names.end(), "Tools") - names.begin());
  picker.Open(tools);
  EXPECT_EQ(ShellPath(picker.rows[tools + 1].item), "C:\\Tools\\Deep");
  EXPECT_EQ(picker.Parent(tools + 1), tools);
  EXPECT_EQ(picker.Parent(tools), 1);
  picker.selected = tools + 1;
  picker.Close(1);  // closing an ancestor of the selection selects the ancestor
  EXPECT_EQ(picker.rows.size(), before);
  EXPECT_EQ(picker.selected, 1);
  picker.Open(1);
  picker.Open(tools);
  picker.Open(tools + 1);  // an empty folder becomes a leaf and stays closed
  EXPECT_TRUE(picker.rows[tools + 1].leaf);
  EXPECT_FALSE(picker.rows[tools + 1].open);

  Canvas canvas(70, 24, Look{});
  CellRect tree;
  BoxGeometry geometry = DrawPicker(canvas, picker, &tree);
  std::string all;
  for (const auto& line : canvas.Lines()) all += line + "\n";
  EXPECT_THAT(all, HasSubstr(" Select a folder for Qelt installation "));
  EXPECT_THAT(all, HasSubstr("[-] My Computer"));
  EXPECT_THAT(all, HasSubstr("  [-] (C:)"));
  EXPECT_THAT(all, HasSubstr("        Deep"));
  EXPECT_EQ(geometry.buttons.size(), 2u);
  std::filesystem::remove_all(root);
}

TEST(Screens, TooSmallTerminalSaysWhatItNeeds) {
  for (int width : {80, 20}) {
    Canvas canvas(width, 10, Look{});
    DrawTooSmall(canvas, 65, 17);
    std::string all;
    for (const auto& line : canvas.Lines()) all += line + " ";
    std::string squeezed;
    for (char c : all)
      if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) squeezed += c;
    EXPECT_THAT(squeezed, HasSubstr("Terminal too small: need 65x17, have " + std::to_string(width) + "x10"));
  }
}

TEST(Screens, WindowMenuListsTheCommandsLeft) {
  Canvas canvas(30, 8, Look{});
  CellRect menu = DrawMenu(canvas, {SC_MOVE, 0, SC_CLOSE}, 2, 0, 0);
  EXPECT_EQ(menu.h, 5);
  Lines lines = canvas.Lines();
  EXPECT_THAT(lines[1], HasSubstr("Move"));
  EXPECT_THAT(lines[2], HasSubstr("----"));
  EXPECT_THAT(lines[3], HasSubstr("Close"));
  EXPECT_TRUE(canvas.At(2, 3).attr & AttrReverse);  // the selected command
  EXPECT_TRUE(canvas.At(2, 1).attr & AttrUnderline);
}

TEST(Screens, HelpViewerWrapsParagraphsAndScrollsWithinTheText) {
  HelpDocument document{"qelt.hlp", "Qelt Help", {"first paragraph of several words", "second"}};
  EXPECT_EQ(HelpLines(document, 16), (Lines{"first paragraph", "of several words", "", "second"}));
  Canvas canvas(20, 4, Look{});  // two text rows between title and status
  int top = 100;
  DrawHelp(canvas, document, &top);
  EXPECT_EQ(top, 2);  // scrolled no further than the last page
  Lines lines = canvas.Lines();
  EXPECT_THAT(lines[0], HasSubstr("Qelt Help"));
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "  second");
}

TEST(Screens, IconColoursMapToTheNearestTerminalColour) {
  const struct {
    std::uint32_t rgb;
    int colour;
  } cases[] = {{0x000000, 0}, {0x800000, 1}, {0x008000, 2}, {0x000080, 4}, {0xC0C0C0, 7},
               {0x808080, 8}, {0xFF0000, 9}, {0xFFFF00, 11}, {0xFFFFFF, 15}};
  for (const auto& c : cases) EXPECT_EQ(TerminalColor(c.rgb), c.colour) << std::hex << c.rgb;

  // A 2x2-cell rendering of a 4x4 icon: top half red, bottom-left quarter transparent.
  IconImage icon;
  icon.width = icon.height = 4;
  icon.palette = {0xFF0000, 0x0000FF};
  icon.pixels = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
  icon.transparent = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
  Canvas canvas(2, 2, Look{true, true});
  DrawIcon(canvas, icon, {0, 0, 2, 2});
  EXPECT_EQ(canvas.At(0, 0).ch, U'█');  // both halves red
  EXPECT_EQ(canvas.At(0, 0).fg, 9);
  EXPECT_EQ(canvas.At(0, 1).ch, U' ');  // both halves transparent
  EXPECT_EQ(canvas.At(1, 1).fg, 12);
  icon.pixels[4] = icon.pixels[5] = 1;  // the upper left cell's lower half blue
  DrawIcon(canvas, icon, {0, 0, 2, 2});
  EXPECT_EQ(canvas.At(0, 0).ch, U'▀');
  EXPECT_EQ(canvas.At(0, 0).fg, 9);
  EXPECT_EQ(canvas.At(0, 0).bg, 12);
  Canvas plain(3, 1, Look{});
  DrawIcon(plain, icon, {0, 0, 3, 1});
  EXPECT_EQ(plain.Lines()[0], "[#]");
}

}  // namespace
}  // namespace winhost::term
