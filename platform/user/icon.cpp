// icon.cpp - LoadImageA for icons: the group directory picks an image, which is decoded and
// scaled to the size asked for.
#include "user/icon.h"

#include <cstdlib>
#include <memory>

#include "core/trace.h"

namespace winhost {
namespace {

std::uint32_t Read32(std::span<const std::uint8_t> b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Read16(std::span<const std::uint8_t> b, size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::vector<std::unique_ptr<IconImage>>& Icons() {
  static std::vector<std::unique_ptr<IconImage>> icons;
  return icons;
}

std::span<const std::uint8_t> ResourceBytes(HINSTANCE module, LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(module, name, type);
  const void* data = found ? LoadResource(module, found) : nullptr;
  if (!data) return {};
  return {static_cast<const std::uint8_t*>(data), SizeofResource(module, found)};
}

// The RT_ICON id of the group's entry nearest to the size asked for (a width of 0 means 256).
std::optional<WORD> PickImage(std::span<const std::uint8_t> group, int cx) {
  constexpr size_t HeaderSize = 6, EntrySize = 14;
  if (group.size() < HeaderSize || Read16(group, 0) != 0 || Read16(group, 2) != 1) return std::nullopt;
  size_t count = Read16(group, 4);
  if (group.size() < HeaderSize + count * EntrySize) return std::nullopt;
  std::optional<WORD> best;
  int bestDistance = 0;
  for (size_t i = 0; i < count; i++) {
    size_t at = HeaderSize + i * EntrySize;
    int width = group[at] ? group[at] : 256;
    int distance = std::abs(width - cx);
    if (!best || distance < bestDistance) {
      best = Read16(group, at + 12);
      bestDistance = distance;
    }
  }
  return best;
}

IconImage Scaled(const IconImage& source, int width, int height) {
  IconImage icon = source;
  icon.width = width;
  icon.height = height;
  icon.pixels.assign(size_t(width) * height, 0);
  icon.transparent.assign(size_t(width) * height, 1);
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) {
      size_t from = size_t(y * source.height / height) * source.width + size_t(x * source.width / width);
      icon.pixels[size_t(y) * width + x] = source.pixels[from];
      icon.transparent[size_t(y) * width + x] = source.transparent[from];
    }
  return icon;
}

}  // namespace

std::optional<IconImage> DecodeIconImage(std::span<const std::uint8_t> b, std::string* why) {
  auto fail = [&](const std::string& expected) -> std::optional<IconImage> {
    if (why) *why = "icon image of " + std::to_string(b.size()) + " bytes: expected " + expected;
    return std::nullopt;
  };
  if (b.size() < 40 || Read32(b, 0) < 40) return fail("a BITMAPINFOHEADER");
  size_t headerSize = Read32(b, 0);
  auto width = static_cast<std::int32_t>(Read32(b, 4));
  auto doubled = static_cast<std::int32_t>(Read32(b, 8));
  int bits = Read16(b, 14);
  if (Read32(b, 16) != 0) return fail("an uncompressed bitmap");
  if (bits != 1 && bits != 4 && bits != 8) return fail("1, 4 or 8 bits per pixel, found " + std::to_string(bits));
  if (width <= 0 || width > 256 || doubled <= 0 || doubled % 2 || doubled / 2 > 256)
    return fail("a width and a doubled height of 1 to 256 pixels");
  int height = doubled / 2;
  size_t colours = Read32(b, 32) ? Read32(b, 32) : size_t(1) << bits;
  if (colours > (size_t(1) << bits)) return fail("at most " + std::to_string(1 << bits) + " palette entries");
  size_t xorStride = ((size_t(width) * bits + 31) / 32) * 4, andStride = ((size_t(width) + 31) / 32) * 4;
  size_t palette = headerSize, xorAt = palette + colours * 4, andAt = xorAt + xorStride * height;
  if (headerSize > b.size() || andAt + andStride * height > b.size())
    return fail(std::to_string(andAt + andStride * height) + " bytes for the palette and both bitmaps");
  IconImage icon;
  icon.width = icon.sourceWidth = width;
  icon.height = icon.sourceHeight = height;
  icon.bitCount = bits;
  for (size_t i = 0; i < colours; i++) icon.palette.push_back(Read32(b, palette + i * 4) & 0xFFFFFF);
  icon.pixels.resize(size_t(width) * height);
  icon.transparent.resize(size_t(width) * height);
  for (int y = 0; y < height; y++) {
    size_t row = size_t(height - 1 - y);  // bitmaps are stored bottom row first
    for (int x = 0; x < width; x++) {
      size_t bit = size_t(x) * bits;
      std::uint8_t byte = b[xorAt + row * xorStride + bit / 8];
      int index = (byte >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
      icon.pixels[size_t(y) * width + x] = static_cast<std::uint8_t>(index < int(colours) ? index : 0);
      icon.transparent[size_t(y) * width + x] = (b[andAt + row * andStride + x / 8] >> (7 - x % 8)) & 1;
    }
  }
  return icon;
}

const IconImage* IconFromHandle(HICON handle) {
  for (const auto& icon : Icons())
    if (reinterpret_cast<HICON>(icon.get()) == handle) return icon.get();
  return nullptr;
}

}  // namespace winhost

HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
  if (type != IMAGE_ICON || !name) return nullptr;
  if (cx == 0) cx = 32;  // the system's icon size; LR_DEFAULTSIZE asks for it, 0 without it
  if (cy == 0) cy = 32;
  (void)fuLoad;
  std::optional<WORD> image = winhost::PickImage(winhost::ResourceBytes(hInst, name, RT_GROUP_ICON), cx);
  if (!image) return nullptr;
  std::string why;
  auto decoded = winhost::DecodeIconImage(winhost::ResourceBytes(hInst, MAKEINTRESOURCEA(*image), RT_ICON), &why);
  if (!decoded) {
    winhost::Trace("icon " + std::to_string(*image) + " not loaded: " + why);
    return nullptr;
  }
  auto icon = std::make_unique<winhost::IconImage>(winhost::Scaled(*decoded, cx, cy));
  HANDLE handle = icon.get();
  winhost::Icons().push_back(std::move(icon));
  return handle;
}
