// szdd_pack_test.cpp: the packer and reference expander, checked against libmspack, msexpand and mscompress.
#include "szdd_pack.h"

#include <gtest/gtest.h>
#include <mspack.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;
using szdd_test::Quote;
using szdd_test::ReadBytes;
using szdd_test::RunCommand;
using szdd_test::ScratchDir;
using szdd_test::WriteBytes;

Bytes FromText(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A header stating `length`, followed by `stream`.
Bytes PackedFile(uint32_t length, const Bytes& stream) {
  Bytes file(szdd::kMagic.begin(), szdd::kMagic.end());
  file.push_back(szdd::kModeA);
  file.push_back(0);
  for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<uint8_t>(length >> shift));
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

// --- The reference expander -------------------------------------------------------------

struct ExpandCase {
  const char* name;
  uint32_t length;
  Bytes stream;
  std::optional<std::string> expected;  // nullopt: the stream ends too early
};

void PrintTo(const ExpandCase& c, std::ostream* os) { *os << c.name; }

class ExpandVectorTest : public testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandVectorTest, ExpandsToStatedLength) {
  const ExpandCase& c = GetParam();
  std::string error;
  const auto out = szdd::Expand(PackedFile(c.length, c.stream), &error);
  if (c.expected) {
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(std::string(out->begin(), out->end()), *c.expected);
  } else {
    EXPECT_FALSE(out);
    EXPECT_NE(error.find("expected " + std::to_string(c.length) + " expanded bytes"), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, ExpandVectorTest,
    testing::Values(
        // Source 4080 is where the first byte went: the match overlaps its own output.
        ExpandCase{"OverlappingMatch", 5, {0x03, 0x61, 0x62, 0xF0, 0xF0}, "ababa"},
        // Source 4000 has never been written: it still holds the initial spaces.
        ExpandCase{"UntouchedWindowIsSpaces", 4, {0x00, 0xA0, 0xF1}, "    "},
        ExpandCase{"EndsMidGroup", 3, {0xFF, 0x41, 0x42, 0x43}, "ABC"},
        ExpandCase{"ZeroLengthWithStream", 0, {0x01, 0x00}, ""},
        ExpandCase{"StopsInsideMatchAtLength", 4, {0x03, 0x61, 0x62, 0xF0, 0xF0}, "abab"},
        ExpandCase{"IgnoresBytesBeyondLength", 2, {0x07, 0x61, 0x62, 0x63}, "ab"},
        ExpandCase{"StreamTooShort", 5, {0x03, 0x61, 0x62}, std::nullopt},
        ExpandCase{"MatchCutInHalf", 4, {0x01, 0x61, 0xF0}, std::nullopt},
        ExpandCase{"NoStream", 1, {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExpandTest, RejectsBadHeaders) {
  struct Case {
    Bytes file;
    std::string message;
  };
  Bytes mode_b = PackedFile(1, {0x01, 0x41});
  mode_b[8] = 'B';
  Bytes bad_magic = PackedFile(1, {0x01, 0x41});
  bad_magic[7] = 0x34;
  const Case cases[] = {
      {{0x53, 0x5A, 0x44}, "expected a 14-byte SZDD header, found 3 bytes"},
      {bad_magic, "expected SZDD magic 53 5A 44 44 88 F0 27 33, found 53 5A 44 44 88 F0 27 34"},
      {FromText("KWAJ\x88\xF0\x27\xD1xxxxxxxxxxx"), "expected SZDD magic"},
      {mode_b, "expected compression mode 41 ('A'), found 42"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(szdd::Expand(c.file, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(ReadInfoTest, ReadsHeaderFields) {
  Bytes file = PackedFile(0x12345678, {0x01, 0x41});
  file[9] = 'L';
  const auto info = szdd::ReadInfo(file, nullptr);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->mode, 0x41);
  EXPECT_EQ(info->missing_char, 'L');
  EXPECT_EQ(info->expanded_length, 0x12345678u);
  EXPECT_EQ(info->packed_size, file.size());
}

// --- Inputs ----------------------------------------------------------------------------

Bytes RandomBytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng() % alphabet + (alphabet < 256 ? 'a' : 0));
  return out;
}

// Text lines of words with CR LF, like the product's text file.
Bytes Text(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"the", "server", "list", "of", "Qelt", "connects", "to",
                                       "a",   "host",   "when", "it", "starts", "and", "reads",
                                       "its", "port",   "from", "configuration", "file", "\t"};
  std::mt19937 rng(seed);
  std::string text;
  while (text.size() < n) {
    text += kWords[rng() % std::size(kWords)];
    text += rng() % 9 == 0 ? "\r\n" : " ";
  }
  text.resize(n);
  return FromText(text);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Repeat(const Bytes& part, size_t n) {
  Bytes out;
  while (out.size() < n) out.insert(out.end(), part.begin(), part.end());
  out.resize(n);
  return out;
}

// Runs of every period from 1 to 20, each longer than one match.
Bytes OverlappingRuns() {
  Bytes out;
  for (size_t period = 1; period <= 20; ++period) {
    const Bytes unit = RandomBytes(period, static_cast<uint32_t>(period));
    Bytes run = Repeat(unit, 7 * period + 40);
    out.insert(out.end(), run.begin(), run.end());
  }
  return out;
}

Bytes FilePrefix(const char* path, size_t n) {
  Bytes bytes = ReadBytes(path);
  if (bytes.size() > n) bytes.resize(n);
  return bytes;
}

struct Input {
  const char* name;
  std::function<Bytes()> make;
};

const Input kInputs[] = {
    {"OneByte", [] { return Bytes{0x41}; }},
    {"TwoBytes", [] { return Bytes{0x00, 0xFF}; }},
    {"ThreeSpaces", [] { return FromText("   "); }},
    {"AllZero100k", [] { return Bytes(100000, 0x00); }},
    {"AllSpaces10k", [] { return Bytes(10000, 0x20); }},
    {"Random100k", [] { return RandomBytes(100000, 1); }},
    {"SmallAlphabet50k", [] { return RandomBytes(50000, 2, 3); }},
    {"Text100k", [] { return Text(100000, 3); }},
    {"OverlappingRuns", OverlappingRuns},
    // Leading spaces and spaces soon after the start match the window's initial spaces.
    {"SpacesNearStart", [] { return Concat({FromText("x    y"), Bytes(30, 0x20), FromText("z \r\n  "), Text(5000, 4)}); }},
    {"Text4095", [] { return Text(4095, 5); }},
    {"Text4096", [] { return Text(4096, 6); }},
    {"Text4097", [] { return Text(4097, 7); }},
    // A copy 4096 bytes back reads the window position that is about to be written.
    {"RepeatAtWindowDistance", [] { return Repeat(RandomBytes(4096, 8), 3 * 4096 + 100); }},
    // A copy 4097 bytes back has left the window.
    {"RepeatBeyondWindow", [] { return Repeat(RandomBytes(4097, 9), 3 * 4097 + 100); }},
    {"Executable", [] { return FilePrefix("/usr/bin/i686-w64-mingw32-gcc", 300000); }},
};

void PrintTo(const Input& input, std::ostream* os) { *os << input.name; }

// --- Round trips --------------------------------------------------------------------------

std::optional<Bytes> LibmspackExpand(const ScratchDir& dir, const Bytes& packed) {
  WriteBytes(dir / "mspack.in", packed);
  msszdd_decompressor* d = mspack_create_szdd_decompressor(nullptr);
  if (!d) return std::nullopt;
  const std::string in = (dir / "mspack.in").string(), out = (dir / "mspack.out").string();
  const int err = d->decompress(d, in.c_str(), out.c_str());
  mspack_destroy_szdd_decompressor(d);
  if (err != MSPACK_ERR_OK) return std::nullopt;
  return ReadBytes(dir / "mspack.out");
}

std::optional<Bytes> MsexpandExpand(const ScratchDir& dir, const Bytes& packed) {
  WriteBytes(dir / "msexpand.in", packed);
  if (RunCommand(std::string(MSEXPAND_PATH) + " < " + Quote(dir / "msexpand.in") + " > " +
          Quote(dir / "msexpand.out")) != 0)
    return std::nullopt;
  return ReadBytes(dir / "msexpand.out");
}

class RoundTripTest : public testing::TestWithParam<Input> {};

TEST_P(RoundTripTest, ThreeExpandersGiveTheInputBack) {
  ASSERT_STRNE(MSEXPAND_PATH, "") << "msexpand is not installed";
  const Bytes input = GetParam().make();
  ASSERT_FALSE(input.empty());
  const Bytes packed = szdd::Pack(input);
  const auto info = szdd::ReadInfo(packed, nullptr);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->mode, szdd::kModeA);
  EXPECT_EQ(info->missing_char, 0);
  EXPECT_EQ(info->expanded_length, input.size());

  std::string error;
  const auto ours = szdd::Expand(packed, &error);
  ASSERT_TRUE(ours) << error;
  EXPECT_TRUE(*ours == input) << "Expand differs";
  // The external expanders decode the whole stream, so these also catch stray items
  // after the last byte.
  ScratchDir dir;
  const auto mspack = LibmspackExpand(dir, packed);
  ASSERT_TRUE(mspack) << "libmspack failed";
  EXPECT_TRUE(*mspack == input) << "libmspack differs: " << mspack->size() << " bytes";
  const auto msexpand = MsexpandExpand(dir, packed);
  ASSERT_TRUE(msexpand) << "msexpand failed";
  EXPECT_TRUE(*msexpand == input) << "msexpand differs: " << msexpand->size() << " bytes";
}

INSTANTIATE_TEST_SUITE_P(Inputs, RoundTripTest, testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackTest, EmptyInputIsTheShippedEmptyFile) {
  const Bytes packed = szdd::Pack({});
  EXPECT_EQ(packed, PackedFile(0, {0x01, 0x00}));
  std::string error;
  const auto ours = szdd::Expand(packed, &error);
  ASSERT_TRUE(ours) << error;
  EXPECT_TRUE(ours->empty());
  // Whole-stream expanders write the literal that lies beyond the stated length.
  ScratchDir dir;
  EXPECT_EQ(LibmspackExpand(dir, packed), Bytes{0x00});
  EXPECT_EQ(MsexpandExpand(dir, packed), Bytes{0x00});
}

// --- Size ------------------------------------------------------------------------------------

// The smallest packed size this format allows, by brute force: the longest match at
// every position over all 4096 window positions, and a parse that counts control bytes
// exactly (state: items already in the current group).
size_t OptimalPackedSize(const Bytes& input) {
  const size_t n = input.size();
  Bytes history(4096, 0x20);
  history.insert(history.end(), input.begin(), input.end());
  std::vector<size_t> longest(n, 0);
  for (size_t i = 0; i < n; ++i) {
    const size_t cur = 4096 + i, limit = std::min<size_t>(18, n - i);
    for (size_t dist = 1; dist <= 4096; ++dist) {
      size_t len = 0;
      while (len < limit && history[cur + len] == history[cur - dist + len]) ++len;
      longest[i] = std::max(longest[i], len);
    }
  }
  const size_t kInf = SIZE_MAX / 2;
  std::vector<std::array<size_t, 8>> best(n + 1);
  best[n].fill(0);
  for (size_t i = n; i-- > 0;) {
    for (size_t k = 0; k < 8; ++k) {
      size_t cost = 1 + best[i + 1][(k + 1) % 8];
      for (size_t len = 3; len <= longest[i]; ++len) cost = std::min(cost, 2 + best[i + len][(k + 1) % 8]);
      best[i][k] = (k == 0 ? 1 : 0) + std::min(cost, kInf);
    }
  }
  return szdd::kHeaderSize + best[0][0];
}

TEST(PackTest, SizeIsTheFormatsOptimum) {
  const Bytes inputs[] = {
      RandomBytes(6000, 10, 3),
      Text(9000, 11),
      Concat({Bytes(20, 0x20), RandomBytes(3000, 12, 4), Bytes(700, 0x20), Text(3000, 13)}),
      OverlappingRuns(),
      FilePrefix("/usr/bin/i686-w64-mingw32-gcc", 8000),
      Repeat(RandomBytes(4096, 16), 4096 + 2000),  // matches only 4096 back
  };
  for (const Bytes& input : inputs) {
    SCOPED_TRACE(input.size());
    EXPECT_EQ(szdd::Pack(input).size(), OptimalPackedSize(input));
  }
}

// mscompress writes IN_ beside IN; its output is only compared where libmspack expands
// it back to the input.
TEST(PackTest, NoLargerThanMscompress) {
  ASSERT_STRNE(MSCOMPRESS_PATH, "") << "mscompress is not installed";
  struct Case {
    const char* name;
    Bytes input;
  };
  const Case cases[] = {
      {"text", Text(200000, 14)},
      {"licence text", ReadBytes("/usr/share/common-licenses/GPL-3")},
      {"executable", ReadBytes("/usr/bin/i686-w64-mingw32-gcc")},
      {"library", FilePrefix("/usr/lib/x86_64-linux-gnu/libmspack.so.0", 1 << 20)},
      {"random", RandomBytes(65536, 15)},
      {"runs", OverlappingRuns()},
  };
  int compared = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.input.size() < 16) continue;  // mscompress writes broken files for 1 to 15 bytes
    ScratchDir dir;
    WriteBytes(dir / "in.bin", c.input);
    ASSERT_EQ(RunCommand(std::string(MSCOMPRESS_PATH) + " " + Quote(dir / "in.bin")), 0);
    const Bytes theirs = ReadBytes(dir / "in.bin_");
    if (LibmspackExpand(dir, theirs) != c.input) {
      std::cout << c.name << ": mscompress output does not expand back; not compared\n";
      continue;
    }
    const size_t ours = szdd::Pack(c.input).size();
    std::cout << c.name << ": " << c.input.size() << " bytes, szdd " << ours << ", mscompress "
              << theirs.size() << "\n";
    EXPECT_LE(ours, theirs.size());
    ++compared;
  }
  EXPECT_GE(compared, 4);
}

}  // namespace
