// screens.h - what the terminal shows: the dialog, message boxes, the folder picker, the
// window menu, the help viewer. Each draws into a canvas and says where its parts are.
#ifndef PLATFORM_TERM_SCREENS_H
#define PLATFORM_TERM_SCREENS_H

#include <shlobj.h>

#include <string>
#include <vector>

#include "core/frontend.h"
#include "term/canvas.h"
#include "term/layout.h"
#include "user/dialog_view.h"
#include "user/icon.h"

namespace winhost::term {

// The dialog's frame centred on a screen; none fits when the screen is smaller than it.
CellRect DialogFrame(const DialogLayout& layout, int screenWidth, int screenHeight);
void DrawDialog(Canvas& canvas, const DialogLayout& layout, const DialogView& view, const CellRect& frame);
// The visible control drawn at screen cell (x, y); -1 for none.
int ControlAt(const DialogLayout& layout, const DialogView& view, const CellRect& frame, int x, int y);
void DrawIcon(Canvas& canvas, const IconImage& icon, const CellRect& area);
// One of the 16 terminal colours nearest to 0x00RRGGBB.
int TerminalColor(std::uint32_t rgb);
void DrawTooSmall(Canvas& canvas, int needWidth, int needHeight);

// Where a box and its buttons are on the screen.
struct BoxGeometry {
  CellRect frame;
  std::vector<CellRect> buttons;
};

struct MessageBoxModel {
  std::string caption, text;
  UINT type = MB_OK;
  std::vector<int> buttons;  // IDOK, IDYES, ... in the order shown
  int focus = 0;
};
MessageBoxModel MakeMessageBox(const MessageBoxRequest& request);
std::string ButtonText(int id);  // "&Yes", "&No", "OK", ...
BoxGeometry DrawMessageBox(Canvas& canvas, const MessageBoxModel& box);

// The folder picker: the tree under My Computer as rows, opened and closed in place.
struct PickerModel {
  struct Row {
    const ITEMIDLIST* item;
    int depth;
    bool open = false;
    bool leaf = false;  // opened once and found empty
  };
  std::string title;
  std::vector<Row> rows;
  int selected = 0, top = 0;
  enum class Focus { Tree, Ok, Cancel } focus = Focus::Tree;

  explicit PickerModel(std::string title);
  void Open(int row);
  void Close(int row);
  int Parent(int row) const;
};
BoxGeometry DrawPicker(Canvas& canvas, PickerModel& picker, CellRect* tree);

// The window menu: the dialog's commands as they stand, 0 for a separator.
std::string MenuText(UINT command);  // "&Move", "&Close", ...
CellRect DrawMenu(Canvas& canvas, const std::vector<UINT>& commands, int selected, int x, int y);

// The help viewer: the document's paragraphs wrapped to the screen, scrolled to TOP.
std::vector<std::string> HelpLines(const HelpDocument& document, int width);
void DrawHelp(Canvas& canvas, const HelpDocument& document, int* top);

}  // namespace winhost::term

#endif
