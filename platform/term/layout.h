// layout.h - the dialog in character cells: one scale from dialog units, word wrap, placement.
#ifndef PLATFORM_TERM_LAYOUT_H
#define PLATFORM_TERM_LAYOUT_H

#include <string>
#include <string_view>
#include <vector>

#include "user/dialog_view.h"

namespace winhost::term {

struct CellRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool Intersects(const CellRect& o) const {
    return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
  }
  bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// A control text as shown: a single '&' is dropped and marks the next letter ("&&" shows one
// '&'); *mnemonic is that letter's index in the result, -1 when there is none.
std::string ShownText(std::string_view text, int* mnemonic = nullptr);

// Word wrap as a static text control does it: '\n' ends a line, lines break at spaces (the
// spaces at a break vanish, leading spaces of a line after '\n' stay), and a word wider than
// the width is broken at the width.
std::vector<std::string> WrapText(std::string_view text, int width);

// Cells for a button's label around its text: " [ text ] " or, with the focus, "[[ text ]]".
inline constexpr int ButtonDecoration = 6;
// "[x] " in front of a check box's text.
inline constexpr int CheckDecoration = 4;

class DialogLayout {
 public:
  // Four horizontal and eight vertical dialog units make one cell at scale 1.
  DialogLayout(double scale, const DialogRect& dialog);
  // The smallest scale at which the dialog's title and every control's text fit their cells.
  static DialogLayout ForDialog(const DialogView& view);

  double Scale() const { return scale_; }
  int Width() const { return width_; }   // the client area, in cells
  int Height() const { return height_; }
  CellRect Place(const DialogRect& r) const;
  // Whether the control's current text fits its cells uncut.
  bool Fits(const ControlView& control) const;
  // The cells a control is drawn in: its place; for a static text that its current text
  // overflows (texts set at run time), widened along its rows into cells no other visible
  // control uses, as far as the client area.
  CellRect DrawArea(const DialogView& view, size_t index) const;

 private:
  int Col(int dlu) const;
  int Row(int dlu) const;
  bool TextFits(const ControlView& control, const CellRect& cells) const;

  double scale_;
  int width_, height_;
};

// Lines of a static text in its cells, before alignment.
std::vector<std::string> StaticLines(const ControlView& control, int width);

}  // namespace winhost::term

#endif
