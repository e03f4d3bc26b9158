// layout.cpp - dialog units to character cells.
#include "term/layout.h"

#include <algorithm>
#include <cmath>

namespace winhost::term {

std::string ShownText(std::string_view text, int* mnemonic) {
  std::string shown;
  if (mnemonic) *mnemonic = -1;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '&' && i + 1 < text.size()) {
      i++;
      if (text[i] != '&' && mnemonic && *mnemonic < 0) *mnemonic = static_cast<int>(shown.size());
    }
    shown += text[i];
  }
  return shown;
}

std::vector<std::string> WrapText(std::string_view text, int width) {
  std::vector<std::string> lines;
  width = std::max(width, 1);
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    std::string_view hard = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    std::string line;
    size_t i = 0;
    while (i < hard.size()) {
      size_t wordEnd = hard.find(' ', i);
      if (wordEnd == std::string_view::npos) wordEnd = hard.size();
      if (wordEnd == i) {  // a space: kept inside a line, dropped at a soft break
        if (static_cast<int>(line.size()) < width) line += ' ';
        i++;
        continue;
      }
      std::string_view word = hard.substr(i, wordEnd - i);
      if (static_cast<int>(line.size() + word.size()) > width && !line.empty()) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        line.clear();
      }
      while (static_cast<int>(word.size()) > width) {  // no room even on a line of its own
        lines.push_back(std::string(word.substr(0, width)));
        word.remove_prefix(width);
      }
      line += word;
      i = wordEnd;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

namespace {
bool SingleLine(const ControlView& c) {
  DWORD type = c.style & SS_TYPEMASK;
  return (c.style & SS_CENTERIMAGE) || type == 0xB /* SS_SIMPLE */ || type == 0xC /* SS_LEFTNOWORDWRAP */;
}
std::string StaticShown(const ControlView& c) { return c.style & SS_NOPREFIX ? c.text : ShownText(c.text); }
}  // namespace

std::vector<std::string> StaticLines(const ControlView& c, int width) {
  std::string shown = StaticShown(c);
  if (SingleLine(c)) {
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    return {shown};
  }
  return WrapText(shown, width);
}

DialogLayout::DialogLayout(double scale, const DialogRect& dialog) : scale_(scale) {
  width_ = Col(dialog.cx);
  height_ = Row(dialog.cy);
}

int DialogLayout::Col(int dlu) const { return static_cast<int>(std::floor(dlu * scale_ / 4 + 0.5)); }
int DialogLayout::Row(int dlu) const { return static_cast<int>(std::floor(dlu * scale_ / 8 + 0.5)); }

CellRect DialogLayout::Place(const DialogRect& r) const {
  int x = Col(r.x), y = Row(r.y);
  return {x, y, Col(r.x + r.cx) - x, Row(r.y + r.cy) - y};
}

bool DialogLayout::TextFits(const ControlView& c, const CellRect& cells) const {
  if (cells.w < 1 || cells.h < 1) return c.kind == ControlKind::Other;
  switch (c.kind) {
    case ControlKind::StaticText: {
      if (SingleLine(c)) return static_cast<int>(StaticShown(c).size()) <= cells.w;
      // Fits when no word had to be broken and no line is lost below the control.
      std::string shown = StaticShown(c);
      size_t word = 0;
      for (char ch : shown + ' ') {
        if (ch != ' ' && ch != '\n') word++;
        else if (static_cast<int>(word) > cells.w) return false;
        else word = 0;
      }
      return static_cast<int>(StaticLines(c, cells.w).size()) <= cells.h;
    }
    case ControlKind::PushButton:
    case ControlKind::Button:
      return static_cast<int>(ShownText(c.text).size()) + ButtonDecoration <= cells.w;
    case ControlKind::CheckBox:
      return static_cast<int>(ShownText(c.text).size()) + CheckDecoration <= cells.w;
    case ControlKind::Progress:
      return cells.w >= 3;
    case ControlKind::StaticIcon:
      return cells.w >= 2;
    default:
      return true;
  }
}

bool DialogLayout::Fits(const ControlView& c) const { return TextFits(c, Place(c.rect)); }

DialogLayout DialogLayout::ForDialog(const DialogView& view) {
  // Steps of 1/32 keep the dialog as small as its texts allow.
  for (int step = 8; step < 32 * 8; step++) {
    DialogLayout layout(step / 32.0, view.rect);
    bool fits = static_cast<int>(view.title.size()) + 4 <= layout.Width();
    for (const ControlView& c : view.controls) fits = fits && layout.Fits(c);
    if (fits) return layout;
  }
  return DialogLayout(8, view.rect);
}

CellRect DialogLayout::DrawArea(const DialogView& view, size_t index) const {
  const ControlView& c = view.controls[index];
  CellRect area = Place(c.rect);
  if (c.kind != ControlKind::StaticText || TextFits(c, area)) return area;
  int left = 0, right = width_;
  for (size_t i = 0; i < view.controls.size(); i++) {
    const ControlView& o = view.controls[i];
    if (i == index || !o.Visible()) continue;
    CellRect r = Place(o.rect);
    if (r.y >= area.y + area.h || area.y >= r.y + r.h) continue;  // other rows
    if (r.x + r.w <= area.x) left = std::max(left, r.x + r.w + 1);
    else if (r.x >= area.x + area.w) right = std::min(right, r.x - 1);
  }
  left = std::min(left, area.x);
  right = std::max(right, area.x + area.w);
  switch (c.style & SS_TYPEMASK) {
    case SS_CENTER: {
      int grow = std::min(area.x - left, right - (area.x + area.w));
      return {area.x - grow, area.y, area.w + 2 * grow, area.h};
    }
    case 0x2:  // SS_RIGHT
      return {left, area.y, area.x + area.w - left, area.h};
    default:
      return {area.x, area.y, right - area.x, area.h};
  }
}

}  // namespace winhost::term
