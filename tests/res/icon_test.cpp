// icon_test.cpp - setup.ico: one 32 x 32, 16-colour image of exactly 744 bytes, drawn as
// the grid source says.
#include <gtest/gtest.h>

#include "icon_grid.h"
#include "test_files.h"

namespace {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

constexpr size_t kImage = 22, kPalette = kImage + 40, kXor = kPalette + 64, kAnd = kXor + 512;

// Pixel (x, y), y from the top, as a viewer decodes it: colour index or -1 for transparent.
int PixelAt(const std::vector<uint8_t>& ico, int x, int y) {
  const int row = 31 - y;
  if (ico[kAnd + row * 4 + x / 8] & (0x80 >> (x % 8))) return -1;
  const uint8_t pair = ico[kXor + row * 16 + x / 2];
  return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

mkicon::Pixels ParseOrFail(const std::string& text) {
  auto parsed = mkicon::ParseGrid(text);
  if (auto* e = std::get_if<mkicon::GridError>(&parsed)) {
    ADD_FAILURE() << e->line << ":" << e->column << ": " << e->message;
    return {};
  }
  return std::get<mkicon::Pixels>(parsed);
}

TEST(SetupIcon, BuiltFileHasTheFixedLayout) {
  bool exists = false;
  const auto ico = restest::ReadBytes(std::string(QELT_BINARY_DIR) + "/res/setup.ico", &exists);
  ASSERT_TRUE(exists) << "setup.ico was not built";
  ASSERT_EQ(ico.size(), 22u + 744u);
  // Directory: reserved, icon type, one image of 32 x 32, 16 colours, 1 plane, 4 bpp.
  EXPECT_EQ((std::vector<uint8_t>(ico.begin(), ico.begin() + 14)),
            (std::vector<uint8_t>{0, 0, 1, 0, 1, 0, 32, 32, 16, 0, 1, 0, 4, 0}));
  EXPECT_EQ(U32(ico, 14), 744u);
  EXPECT_EQ(U32(ico, 18), 22u);
  // BITMAPINFOHEADER
  const uint32_t header[] = {40, 32, 64};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(U32(ico, kImage + 4 * i), header[i]) << "field " << i;
  EXPECT_EQ(U16(ico, kImage + 12), 1u);
  EXPECT_EQ(U16(ico, kImage + 14), 4u);
  EXPECT_EQ(U32(ico, kImage + 16), 0u) << "uncompressed";
  EXPECT_EQ(U32(ico, kImage + 20), 640u);
  for (int at = 24; at < 40; at += 4) EXPECT_EQ(U32(ico, kImage + at), 0u) << "offset " << at;
  // The standard 16-colour palette, blue green red zero.
  const uint8_t palette[16][3] = {{0, 0, 0},       {0x80, 0, 0},    {0, 0x80, 0},    {0x80, 0x80, 0},
                                  {0, 0, 0x80},    {0x80, 0, 0x80}, {0, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
                                  {0x80, 0x80, 0x80}, {0xFF, 0, 0}, {0, 0xFF, 0},    {0xFF, 0xFF, 0},
                                  {0, 0, 0xFF},    {0xFF, 0, 0xFF}, {0, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
  for (int i = 0; i < 16; ++i) {
    const uint8_t* p = &ico[kPalette + 4 * i];
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{palette[i][2], palette[i][1], palette[i][0], 0}))
        << "palette entry " << i;
  }
  // The picture is the grid, pixel for pixel.
  const auto grid = ParseOrFail(restest::ReadText(restest::SourcePath("res/icon/setup_icon.txt")));
  int transparent = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      EXPECT_EQ(PixelAt(ico, x, y), grid[y][x]) << "pixel " << x << "," << y;
      transparent += grid[y][x] == mkicon::kTransparent;
    }
  EXPECT_GT(transparent, 0);
  EXPECT_LT(transparent, 32 * 32 / 2);
}

// One red pixel at the top left pins the row order and the nibble and bit order.
TEST(SetupIcon, TopLeftPixelLandsInTheLastStoredRow) {
  std::string text = "# one pixel\n";
  for (int y = 0; y < 32; ++y) text += (y == 0 ? "R" + std::string(31, '.') : std::string(32, '.')) + "\r\n";
  const auto ico = mkicon::BuildIcon(ParseOrFail(text));
  ASSERT_EQ(ico.size(), 766u);
  for (size_t i = kXor; i < kAnd; ++i) EXPECT_EQ(ico[i], i == kXor + 31 * 16 ? 0x90 : 0x00) << "pixel byte " << i - kXor;
  for (size_t i = kAnd; i < ico.size(); ++i) EXPECT_EQ(ico[i], i == kAnd + 31 * 4 ? 0x7F : 0xFF) << "mask byte " << i - kAnd;
}

TEST(SetupIcon, GridErrorsNameLineAndColumn) {
  const std::string row(32, '.');
  std::string rows31;
  for (int i = 0; i < 31; ++i) rows31 += row + "\n";
  struct Case {
    std::string text;
    int line, column;
  };
  const Case cases[] = {
      {rows31, 31, 1},                                 // a row short
      {rows31 + row + "\n" + row + "\n", 33, 1},       // a row too many
      {"#\n" + row.substr(1) + "\n" + rows31, 2, 1},   // a narrow row
      {rows31 + row.substr(0, 5) + "Z" + row.substr(6) + "\n", 32, 6},
  };
  for (const Case& c : cases) {
    auto parsed = mkicon::ParseGrid(c.text);
    ASSERT_TRUE(std::holds_alternative<mkicon::GridError>(parsed));
    const auto& e = std::get<mkicon::GridError>(parsed);
    EXPECT_EQ(e.line, c.line) << e.message;
    EXPECT_EQ(e.column, c.column) << e.message;
  }
}

}  // namespace
