// icon.h - icons loaded by LoadImageA, as pixels a front end can draw.
#ifndef PLATFORM_USER_ICON_H
#define PLATFORM_USER_ICON_H

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace winhost {

// An icon at the size it was asked for: palette indices and a mask, top row first.
struct IconImage {
  int width = 0, height = 0;
  int sourceWidth = 0, sourceHeight = 0, bitCount = 0;  // the resource image it was scaled from
  std::vector<std::uint32_t> palette;                   // 0x00RRGGBB
  std::vector<std::uint8_t> pixels;                     // width * height palette indices
  std::vector<std::uint8_t> transparent;                // width * height: 1 where the mask shows through
};

// The image behind an icon handle that LoadImageA returned; null for any other value.
const IconImage* IconFromHandle(HICON icon);

// Decodes one RT_ICON image (BITMAPINFOHEADER, palette, XOR and AND bitmaps) of 1, 4 or 8 bits
// per pixel; none, with *why, for anything else.
std::optional<IconImage> DecodeIconImage(std::span<const std::uint8_t> bytes, std::string* why = nullptr);

}  // namespace winhost

#endif
