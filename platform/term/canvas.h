// canvas.h - a screen's worth of character cells, drawn first and put on the terminal after.
// Drawing into a canvas keeps the pictures testable and lets one flush show a whole frame.
#ifndef PLATFORM_TERM_CANVAS_H
#define PLATFORM_TERM_CANVAS_H

#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "term/layout.h"

namespace winhost::term {

enum Attr : unsigned { AttrBold = 1, AttrReverse = 2, AttrUnderline = 4, AttrDim = 8 };

struct Cell {
  char32_t ch = U' ';
  unsigned attr = 0;
  int fg = -1, bg = -1;  // one of the terminal's 16 colours, -1 for its default
};

// What the terminal can show.
struct Look {
  bool unicode = false;  // box lines, blocks
  bool color = false;    // 16 colours (or 8, bright ones folded)
};

class Canvas {
 public:
  Canvas(int width, int height, Look look);
  int Width() const { return width_; }
  int Height() const { return height_; }
  const Look& look() const { return look_; }
  Cell& At(int x, int y) { return cells_[y * width_ + x]; }
  const Cell& At(int x, int y) const { return cells_[y * width_ + x]; }
  void Put(int x, int y, char32_t ch, unsigned attr = 0, int fg = -1, int bg = -1);
  // ANSI text on one row, cut at x + limit; returns the column after it.
  int Text(int x, int y, std::string_view text, unsigned attr = 0, int limit = INT_MAX);
  void Fill(const CellRect& r, unsigned attr = 0);
  // A frame around R (R includes the frame), its title centred in the top line.
  void Frame(const CellRect& r, std::string_view title = {});
  // The rows as UTF-8 text, trailing blanks cut.
  std::vector<std::string> Lines() const;

 private:
  int width_, height_;
  Look look_;
  std::vector<Cell> cells_;
};

// A button label as the dialog and the boxes draw it, centred in WIDTH cells at (x, y).
void DrawButton(Canvas& canvas, int x, int y, int width, std::string_view text, bool focused, bool enabled);

std::string Utf8(char32_t ch);

}  // namespace winhost::term

#endif
