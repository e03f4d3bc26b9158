// icon_grid.cpp - grid parsing and .ico layout of the setup icon.
#include "icon_grid.h"

namespace mkicon {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

int ColourOfChar(char c) {
  if (c == kTransparentChar) return kTransparent;
  const size_t at = kColourChars.find(c);
  return at == std::string_view::npos ? -2 : static_cast<int>(at);
}

std::variant<Pixels, GridError> ParseGrid(std::string_view text) {
  Pixels pixels{};
  int row = 0, number = 0;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (row == kIconSize)
      return GridError{number, 1, "expected " + std::to_string(kIconSize) + " rows, found more"};
    if (line.size() != static_cast<size_t>(kIconSize))
      return GridError{number, 1, "expected a row of " + std::to_string(kIconSize) + " characters, found " +
                                      std::to_string(line.size())};
    for (int x = 0; x < kIconSize; ++x) {
      const int colour = ColourOfChar(line[x]);
      if (colour == -2)
        return GridError{number, x + 1, std::string("expected one of \"") + std::string(kColourChars) + kTransparentChar +
                                            "\", found '" + line[x] + "'"};
      pixels[row][x] = colour;
    }
    ++row;
  }
  if (row != kIconSize)
    return GridError{number, 1, "expected " + std::to_string(kIconSize) + " rows, found " + std::to_string(row)};
  return pixels;
}

std::vector<uint8_t> BuildIcon(const Pixels& pixels) {
  std::vector<uint8_t> out;
  out.reserve(kDirectoryBytes + kImageBytes);
  // Icon directory: reserved, type 1 (icon), one entry.
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(kIconSize);
  out.push_back(kIconSize);
  out.push_back(kColours);
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, kImageBytes);
  Put32(out, kDirectoryBytes);

  // BITMAPINFOHEADER; the height counts the colour bitmap and the mask.
  Put32(out, kHeaderBytes);
  Put32(out, kIconSize);
  Put32(out, 2 * kIconSize);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // BI_RGB
  Put32(out, kPixelBytes + kMaskBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (uint32_t rgb : kPalette) {
    out.push_back(static_cast<uint8_t>(rgb));
    out.push_back(static_cast<uint8_t>(rgb >> 8));
    out.push_back(static_cast<uint8_t>(rgb >> 16));
    out.push_back(0);
  }
  // Both bitmaps are stored bottom row first; the left pixel is the high nibble / bit.
  for (int y = kIconSize - 1; y >= 0; --y)
    for (int x = 0; x < kIconSize; x += 2) {
      const int left = pixels[y][x] == kTransparent ? 0 : pixels[y][x];
      const int right = pixels[y][x + 1] == kTransparent ? 0 : pixels[y][x + 1];
      out.push_back(static_cast<uint8_t>(left << 4 | right));
    }
  for (int y = kIconSize - 1; y >= 0; --y)
    for (int x = 0; x < kIconSize; x += 8) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i)
        if (pixels[y][x + i] == kTransparent) bits |= static_cast<uint8_t>(0x80 >> i);
      out.push_back(bits);
    }
  return out;
}

}  // namespace mkicon
