// canvas.cpp - character cells and the few shapes every screen is made of.
#include "term/canvas.h"

#include <algorithm>

namespace winhost::term {

Canvas::Canvas(int width, int height, Look look)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), look_(look), cells_(width_ * height_) {}

void Canvas::Put(int x, int y, char32_t ch, unsigned attr, int fg, int bg) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  At(x, y) = {ch, attr, fg, bg};
}

int Canvas::Text(int x, int y, std::string_view text, unsigned attr, int limit) {
  int end = limit == INT_MAX ? INT_MAX : x + limit;
  for (unsigned char c : text) {
    if (x >= end) break;
    // ANSI text: the 8-bit characters are taken as Latin-1, which matches them mostly.
    Put(x++, y, c < 0x20 ? U' ' : static_cast<char32_t>(c), attr);
  }
  return x;
}

void Canvas::Fill(const CellRect& r, unsigned attr) {
  for (int y = r.y; y < r.y + r.h; y++)
    for (int x = r.x; x < r.x + r.w; x++) Put(x, y, U' ', attr);
}

void Canvas::Frame(const CellRect& r, std::string_view title) {
  if (r.w < 2 || r.h < 2) return;
  bool u = look_.unicode;
  int right = r.x + r.w - 1, bottom = r.y + r.h - 1;
  for (int x = r.x + 1; x < right; x++) {
    Put(x, r.y, u ? U'─' : U'-');
    Put(x, bottom, u ? U'─' : U'-');
  }
  for (int y = r.y + 1; y < bottom; y++) {
    Put(r.x, y, u ? U'│' : U'|');
    Put(right, y, u ? U'│' : U'|');
  }
  Put(r.x, r.y, u ? U'┌' : U'+');
  Put(right, r.y, u ? U'┐' : U'+');
  Put(r.x, bottom, u ? U'└' : U'+');
  Put(right, bottom, u ? U'┘' : U'+');
  if (title.empty()) return;
  int room = r.w - 4;
  std::string shown(title.substr(0, std::max(room, 0)));
  int x = r.x + (r.w - static_cast<int>(shown.size()) - 2) / 2;
  Put(x, r.y, U' ');
  x = Text(x + 1, r.y, shown, AttrBold);
  Put(x, r.y, U' ');
}

std::vector<std::string> Canvas::Lines() const {
  std::vector<std::string> lines;
  for (int y = 0; y < height_; y++) {
    std::string line;
    for (int x = 0; x < width_; x++) line += Utf8(At(x, y).ch);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void DrawButton(Canvas& canvas, int x, int y, int width, std::string_view text, bool focused, bool enabled) {
  int mnemonic;
  std::string shown = ShownText(text, &mnemonic);
  std::string label = (focused ? "[[ " : " [ ") + shown + (focused ? " ]]" : " ] ");
  int at = x + std::max(0, (width - static_cast<int>(label.size())) / 2);
  unsigned attr = !enabled ? AttrDim : focused ? AttrReverse | AttrBold : 0;
  canvas.Text(at, y, label, attr, width);
  int mark = at + 3 + mnemonic;
  if (mnemonic >= 0 && enabled && mark < x + width && mark < canvas.Width() && y >= 0 && y < canvas.Height())
    canvas.At(mark, y).attr |= AttrUnderline;
}

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | c >> 6);
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | c >> 12);
    s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

}  // namespace winhost::term
