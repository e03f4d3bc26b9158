// icon_grid.h - the setup icon's character-grid source and the 16-colour .ico made from it.
#ifndef TOOLS_MKICON_ICON_GRID_H
#define TOOLS_MKICON_ICON_GRID_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mkicon {

constexpr int kIconSize = 32;
constexpr int kColours = 16;
// Icon image bytes: header, palette, 4-bit pixels, 1-bit AND mask.
constexpr size_t kHeaderBytes = 40;
constexpr size_t kPaletteBytes = kColours * 4;
constexpr size_t kPixelBytes = kIconSize * kIconSize / 2;
constexpr size_t kMaskBytes = kIconSize * kIconSize / 8;
constexpr size_t kImageBytes = kHeaderBytes + kPaletteBytes + kPixelBytes + kMaskBytes;  // 744
constexpr size_t kDirectoryBytes = 6 + 16;

// Palette index for a transparent pixel: it marks the AND mask, and its colour bits are 0.
constexpr int kTransparent = -1;

// The standard Windows 16-colour palette as 0xRRGGBB, in index order.
constexpr std::array<uint32_t, kColours> kPalette{
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// One source character per palette index, then the transparent one.
constexpr std::string_view kColourChars = "KrgybmcwkRGYBMCW";
constexpr char kTransparentChar = '.';

// Palette index of a grid character, kTransparent for '.', or -2 for an unknown one.
int ColourOfChar(char c);

// Pixels by row from the top, each a palette index or kTransparent.
using Pixels = std::array<std::array<int, kIconSize>, kIconSize>;

struct GridError {
  int line = 0;
  int column = 0;
  std::string message;
};

// The grid source: lines starting with '#' are comments and blank lines are skipped; the
// others are the 32 rows from the top, 32 characters each. CR LF line ends are accepted.
std::variant<Pixels, GridError> ParseGrid(std::string_view text);

// The whole .ico file: a directory of one 32 x 32, 16-colour image, then the image.
std::vector<uint8_t> BuildIcon(const Pixels& pixels);

}  // namespace mkicon

#endif
