// screens.cpp - the pictures of the terminal front end.
#include "term/screens.h"

#include <algorithm>
#include <array>

#include "shell/namespace.h"

namespace winhost::term {

CellRect DialogFrame(const DialogLayout& layout, int screenWidth, int screenHeight) {
  int w = layout.Width() + 2, h = layout.Height() + 2;
  return {(screenWidth - w) / 2, (screenHeight - h) / 2, w, h};
}

int TerminalColor(std::uint32_t rgb) {
  // The terminal's 16 colours: bit 0 red, bit 1 green, bit 2 blue; 8 and up the bright ones.
  int r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
  int best = 0, bestDistance = INT32_MAX;
  for (int i = 0; i < 16; i++) {
    int level = i == 7 ? 0xC0 : i == 8 ? 0x80 : i > 8 ? 0xFF : 0x80;
    int ir = (i == 8 || i & 1) ? level : 0, ig = (i == 8 || i & 2) ? level : 0, ib = (i == 8 || i & 4) ? level : 0;
    int d = (r - ir) * (r - ir) + (g - ig) * (g - ig) + (b - ib) * (b - ib);
    if (d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

void DrawIcon(Canvas& canvas, const IconImage& icon, const CellRect& area) {
  if (icon.width <= 0 || area.w <= 0 || area.h <= 0) return;
  if (!canvas.look().color || !canvas.look().unicode) {
    // A plain glyph where the terminal cannot show the picture.
    canvas.Text(area.x + std::max(0, (area.w - 3) / 2), area.y + (area.h - 1) / 2, "[#]", AttrBold, area.w);
    return;
  }
  // Each cell shows two pixels (upper and lower half), each the commonest colour of its block.
  int pw = area.w, ph = area.h * 2;
  auto pixel = [&](int px, int py) {
    int x0 = px * icon.width / pw, x1 = std::max(x0 + 1, (px + 1) * icon.width / pw);
    int y0 = py * icon.height / ph, y1 = std::max(y0 + 1, (py + 1) * icon.height / ph);
    std::array<int, 17> votes{};  // [16]: transparent
    for (int y = y0; y < y1; y++)
      for (int x = x0; x < x1; x++) {
        size_t i = static_cast<size_t>(y) * icon.width + x;
        if (icon.transparent[i]) votes[16]++;
        else if (icon.pixels[i] < icon.palette.size()) votes[TerminalColor(icon.palette[icon.pixels[i]])]++;
      }
    int colours = 0;
    for (int c = 0; c < 16; c++) colours += votes[c];
    if (votes[16] > colours) return -1;
    return static_cast<int>(std::max_element(votes.begin(), votes.begin() + 16) - votes.begin());
  };
  for (int cy = 0; cy < area.h; cy++)
    for (int cx = 0; cx < area.w; cx++) {
      int upper = pixel(cx, 2 * cy), lower = pixel(cx, 2 * cy + 1);
      int x = area.x + cx, y = area.y + cy;
      if (upper < 0 && lower < 0) canvas.Put(x, y, U' ');
      else if (upper == lower) canvas.Put(x, y, U'█', 0, upper, -1);
      else if (upper < 0) canvas.Put(x, y, U'▄', 0, lower, -1);
      else canvas.Put(x, y, U'▀', 0, upper, lower);
    }
}

namespace {

void DrawStatic(Canvas& canvas, const ControlView& c, const CellRect& area) {
  std::vector<std::string> lines = StaticLines(c, area.w);
  int y = area.y;
  if (c.style & SS_CENTERIMAGE) y += std::max(0, (area.h - static_cast<int>(lines.size())) / 2);
  unsigned attr = c.Enabled() ? 0u : unsigned{AttrDim};
  for (const std::string& line : lines) {
    if (y >= area.y + area.h) break;
    int width = static_cast<int>(line.size());
    int x = area.x;
    if ((c.style & SS_TYPEMASK) == SS_CENTER) x += std::max(0, (area.w - width) / 2);
    else if ((c.style & SS_TYPEMASK) == 0x2 /* SS_RIGHT */) x += std::max(0, area.w - width);
    canvas.Text(x, y++, line, attr, area.x + area.w - x);
  }
}

void DrawProgress(Canvas& canvas, const ControlView& c, const CellRect& area) {
  int inner = area.w - 2, y = area.y + (area.h - 1) / 2;
  int range = c.progress.max - c.progress.min;
  int filled = range > 0 ? std::clamp((c.progress.pos - c.progress.min) * inner / range, 0, inner) : 0;
  bool u = canvas.look().unicode;
  canvas.Put(area.x, y, U'[');
  for (int i = 0; i < inner; i++) canvas.Put(area.x + 1 + i, y, i < filled ? (u ? U'█' : U'#') : (u ? U'░' : U'.'));
  canvas.Put(area.x + area.w - 1, y, U']');
}

}  // namespace

void DrawDialog(Canvas& canvas, const DialogLayout& layout, const DialogView& view, const CellRect& frame) {
  canvas.Fill(frame);
  canvas.Frame(frame, view.title);
  for (size_t i = 0; i < view.controls.size(); i++) {
    const ControlView& c = view.controls[i];
    if (!c.Visible()) continue;
    CellRect area = layout.DrawArea(view, i);
    area.x += frame.x + 1;
    area.y += frame.y + 1;
    bool focused = view.focus == static_cast<int>(i);
    switch (c.kind) {
      case ControlKind::StaticText:
        DrawStatic(canvas, c, area);
        break;
      case ControlKind::PushButton:
      case ControlKind::Button:
        DrawButton(canvas, area.x, area.y + (area.h - 1) / 2, area.w, c.text, focused, c.Enabled());
        break;
      case ControlKind::CheckBox: {
        int y = area.y + (area.h - 1) / 2;
        unsigned attr = !c.Enabled() ? unsigned{AttrDim} : 0u;
        int x = canvas.Text(area.x, y, c.check == BST_CHECKED ? "[x] " : c.check == BST_INDETERMINATE ? "[-] " : "[ ] ",
                            attr, area.w);
        int mnemonic;
        std::string shown = ShownText(c.text, &mnemonic);
        canvas.Text(x, y, shown, attr | (focused ? AttrReverse | AttrBold : 0), area.x + area.w - x);
        if (mnemonic >= 0 && x + mnemonic < area.x + area.w) canvas.At(x + mnemonic, y).attr |= AttrUnderline;
        break;
      }
      case ControlKind::Progress:
        DrawProgress(canvas, c, area);
        break;
      case ControlKind::StaticIcon:
        if (const IconImage* icon = IconFromHandle(c.icon)) DrawIcon(canvas, *icon, area);
        break;
      default:
        break;
    }
  }
}

int ControlAt(const DialogLayout& layout, const DialogView& view, const CellRect& frame, int x, int y) {
  for (size_t i = 0; i < view.controls.size(); i++) {
    if (!view.controls[i].Visible()) continue;
    CellRect area = layout.DrawArea(view, i);
    if (area.Contains(x - frame.x - 1, y - frame.y - 1)) return static_cast<int>(i);
  }
  return -1;
}

void DrawTooSmall(Canvas& canvas, int needWidth, int needHeight) {
  std::string text = "Terminal too small: need " + std::to_string(needWidth) + "x" + std::to_string(needHeight) +
                     ", have " + std::to_string(canvas.Width()) + "x" + std::to_string(canvas.Height());
  canvas.Fill({0, 0, canvas.Width(), canvas.Height()});
  // Wrapped, so that even a very narrow terminal shows the whole message.
  std::vector<std::string> lines = WrapText(text, canvas.Width());
  int y = std::max(0, (canvas.Height() - static_cast<int>(lines.size())) / 2);
  for (const std::string& line : lines)
    canvas.Text(std::max(0, (canvas.Width() - static_cast<int>(line.size())) / 2), y++, line, AttrBold);
}

// --- Message boxes ---

MessageBoxModel MakeMessageBox(const MessageBoxRequest& request) {
  static const std::vector<int> sets[] = {{IDOK},          {IDOK, IDCANCEL},  {IDABORT, IDRETRY, IDIGNORE},
                                          {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
  MessageBoxModel box;
  box.caption = request.caption;
  box.text = request.text;
  box.type = request.type;
  UINT kind = request.type & MB_TYPEMASK;
  box.buttons = kind < 6 ? sets[kind] : sets[0];
  return box;
}

std::string ButtonText(int id) {
  switch (id) {
    case IDOK: return "&OK";
    case IDCANCEL: return "&Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
  }
  return "?";
}

namespace {

// A box of the given inner size centred on the screen, cut to the screen.
CellRect CentredBox(const Canvas& canvas, int innerWidth, int innerHeight) {
  int w = std::min(innerWidth + 4, canvas.Width()), h = std::min(innerHeight + 2, canvas.Height());
  return {(canvas.Width() - w) / 2, (canvas.Height() - h) / 2, w, h};
}

// A row of buttons centred in the box's row Y; their places are added to GEOMETRY.
void DrawButtonRow(Canvas& canvas, BoxGeometry& geometry, const std::vector<std::string>& texts, int focus, int y) {
  int total = 0;
  for (const auto& t : texts) total += static_cast<int>(ShownText(t).size()) + ButtonDecoration;
  int x = geometry.frame.x + std::max(1, (geometry.frame.w - total) / 2);
  for (size_t i = 0; i < texts.size(); i++) {
    int w = static_cast<int>(ShownText(texts[i]).size()) + ButtonDecoration;
    DrawButton(canvas, x, y, w, texts[i], focus == static_cast<int>(i), true);
    geometry.buttons.push_back({x, y, w, 1});
    x += w;
  }
}

}  // namespace

BoxGeometry DrawMessageBox(Canvas& canvas, const MessageBoxModel& box) {
  const char* mark = nullptr;
  switch (box.type & MB_ICONMASK) {
    case MB_ICONERROR: mark = "(x)"; break;
    case MB_ICONQUESTION: mark = "(?)"; break;
    case MB_ICONWARNING: mark = "(!)"; break;
    case MB_ICONINFORMATION: mark = "(i)"; break;
  }
  int markWidth = mark ? 5 : 0;
  int room = std::max(10, std::min(60, canvas.Width() - 8 - markWidth));
  std::vector<std::string> lines = WrapText(box.text, room);
  int textWidth = 0;
  for (const auto& l : lines) textWidth = std::max(textWidth, static_cast<int>(l.size()));
  std::vector<std::string> names;
  int buttonsWidth = 0;
  for (int id : box.buttons) {
    names.push_back(ButtonText(id));
    buttonsWidth += static_cast<int>(ShownText(names.back()).size()) + ButtonDecoration;
  }
  int inner = std::max({textWidth + markWidth, buttonsWidth, static_cast<int>(box.caption.size()) + 2});
  BoxGeometry geometry;
  geometry.frame = CentredBox(canvas, inner, static_cast<int>(lines.size()) + 2);
  canvas.Fill(geometry.frame);
  canvas.Frame(geometry.frame, box.caption);
  int x = geometry.frame.x + 2, y = geometry.frame.y + 1;
  if (mark) {
    bool error = (box.type & MB_ICONMASK) == MB_ICONERROR;
    canvas.Text(x, y, mark, AttrBold);
    if (error && canvas.look().color)
      for (int i = 0; i < 3; i++) canvas.At(x + i, y).fg = 9;
  }
  for (const auto& line : lines) canvas.Text(x + markWidth, y++, line, 0, geometry.frame.w - 4 - markWidth);
  DrawButtonRow(canvas, geometry, names, box.focus, geometry.frame.y + geometry.frame.h - 2);
  return geometry;
}

// --- The folder picker ---

PickerModel::PickerModel(std::string t) : title(std::move(t)) {
  rows.push_back({ShellMyComputer(), 0});
  Open(0);
}

void PickerModel::Open(int row) {
  Row& r = rows[row];
  if (r.open || r.leaf) return;
  std::vector<const ITEMIDLIST*> children = ShellChildren(r.item);
  if (children.empty()) {
    r.leaf = true;
    return;
  }
  r.open = true;
  std::vector<Row> added;
  for (const ITEMIDLIST* child : children) added.push_back({child, r.depth + 1});
  rows.insert(rows.begin() + row + 1, added.begin(), added.end());
}

void PickerModel::Close(int row) {
  Row& r = rows[row];
  if (!r.open) return;
  r.open = false;
  int end = row + 1;
  while (end < static_cast<int>(rows.size()) && rows[end].depth > r.depth) end++;
  rows.erase(rows.begin() + row + 1, rows.begin() + end);
  if (selected > row && selected < end) selected = row;
  else if (selected >= end) selected -= end - row - 1;
}

int PickerModel::Parent(int row) const {
  for (int i = row - 1; i >= 0; i--)
    if (rows[i].depth < rows[row].depth) return i;
  return row;
}

BoxGeometry DrawPicker(Canvas& canvas, PickerModel& picker, CellRect* tree) {
  int inner = std::min(50, canvas.Width() - 4);
  int visible = std::max(1, std::min(10, canvas.Height() - 7));
  BoxGeometry geometry;
  geometry.frame = CentredBox(canvas, inner, visible + 4);
  canvas.Fill(geometry.frame);
  canvas.Frame(geometry.frame, picker.title);
  const CellRect& f = geometry.frame;
  canvas.Text(f.x + 2, f.y + 1, "Choose a folder:", 0, f.w - 4);
  *tree = {f.x + 2, f.y + 2, f.w - 4, visible};
  if (picker.selected < picker.top) picker.top = picker.selected;
  if (picker.selected >= picker.top + visible) picker.top = picker.selected - visible + 1;
  for (int i = 0; i < visible && picker.top + i < static_cast<int>(picker.rows.size()); i++) {
    const PickerModel::Row& row = picker.rows[picker.top + i];
    std::string line(row.depth * 2, ' ');
    line += row.open ? "[-] " : row.leaf ? "    " : "[+] ";
    line += ShellDisplayName(row.item);
    bool chosen = picker.top + i == picker.selected;
    unsigned attr = chosen ? (picker.focus == PickerModel::Focus::Tree ? AttrReverse | AttrBold : AttrBold) : 0;
    canvas.Text(tree->x, tree->y + i, line, attr, tree->w);
  }
  int focus = picker.focus == PickerModel::Focus::Ok ? 0 : picker.focus == PickerModel::Focus::Cancel ? 1 : -1;
  DrawButtonRow(canvas, geometry, {"OK", "Cancel"}, focus, f.y + f.h - 2);
  return geometry;
}

// --- The window menu ---

std::string MenuText(UINT command) {
  switch (command) {
    case SC_RESTORE: return "&Restore";
    case SC_MOVE: return "&Move";
    case SC_SIZE: return "&Size";
    case SC_MINIMIZE: return "Mi&nimize";
    case SC_MAXIMIZE: return "Ma&ximize";
    case SC_CLOSE: return "&Close";
  }
  return "Command " + std::to_string(command);
}

CellRect DrawMenu(Canvas& canvas, const std::vector<UINT>& commands, int selected, int x, int y) {
  int width = 12;
  for (UINT c : commands) width = std::max(width, static_cast<int>(ShownText(MenuText(c)).size()) + 4);
  CellRect frame{x, y, width, static_cast<int>(commands.size()) + 2};
  canvas.Fill(frame);
  canvas.Frame(frame);
  for (size_t i = 0; i < commands.size(); i++) {
    int row = frame.y + 1 + static_cast<int>(i);
    if (commands[i] == 0) {
      for (int cx = frame.x + 1; cx < frame.x + frame.w - 1; cx++) canvas.Put(cx, row, canvas.look().unicode ? U'─' : U'-');
      continue;
    }
    int mnemonic;
    std::string text = ShownText(MenuText(commands[i]), &mnemonic);
    unsigned attr = static_cast<int>(i) == selected ? unsigned{AttrReverse} : 0u;
    canvas.Text(frame.x + 1, row, " " + text + std::string(frame.w - 3 - text.size(), ' '), attr);
    if (mnemonic >= 0) canvas.At(frame.x + 2 + mnemonic, row).attr |= AttrUnderline;
  }
  return frame;
}

// --- The help viewer ---

std::vector<std::string> HelpLines(const HelpDocument& document, int width) {
  std::vector<std::string> lines;
  for (const std::string& paragraph : document.paragraphs) {
    for (std::string& line : WrapText(paragraph, width)) lines.push_back(std::move(line));
    lines.emplace_back();
  }
  if (!lines.empty()) lines.pop_back();
  return lines;
}

void DrawHelp(Canvas& canvas, const HelpDocument& document, int* top) {
  int w = canvas.Width(), h = canvas.Height();
  canvas.Fill({0, 0, w, h});
  std::vector<std::string> lines = HelpLines(document, std::max(1, w - 4));
  int page = std::max(1, h - 2);
  *top = std::clamp(*top, 0, std::max(0, static_cast<int>(lines.size()) - page));
  canvas.Fill({0, 0, w, 1}, AttrReverse);
  canvas.Text(std::max(0, (w - static_cast<int>(document.title.size())) / 2), 0, document.title, AttrReverse | AttrBold, w);
  for (int i = 0; i < page && *top + i < static_cast<int>(lines.size()); i++) canvas.Text(2, 1 + i, lines[*top + i]);
  if (h < 2) return;
  std::string status = " Esc or q: close   Up/Down, PgUp/PgDn: scroll   ";
  if (!lines.empty())
    status += std::to_string(std::min(*top + page, static_cast<int>(lines.size()))) + "/" + std::to_string(lines.size());
  canvas.Fill({0, h - 1, w, 1}, AttrReverse);
  canvas.Text(0, h - 1, status, AttrReverse, w);
}

}  // namespace winhost::term
