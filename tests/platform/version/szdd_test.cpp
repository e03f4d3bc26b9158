// szdd_test.cpp - the SZDD expander: the format's vectors, its edges, and agreement with a
// plain window-based expander on random streams.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "version/szdd.h"

#if QELT_HAVE_SZDDPACK
#include "szdd_pack.h"
#endif

namespace winhost {
namespace {

using Bytes = ByteBuffer;

Bytes Packed(std::uint32_t length, const Bytes& stream, std::uint8_t mode = 'A') {
  Bytes file(SzddMagic, SzddMagic + 8);
  file.push_back(mode);
  file.push_back(0);
  for (int i = 0; i < 4; i++) file.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

// The format as written down: a 4096-byte window of spaces, first write at 4080, matches
// copied a byte at a time through the window.
std::optional<Bytes> Reference(std::uint32_t length, const Bytes& stream) {
  std::uint8_t window[4096];
  std::fill(std::begin(window), std::end(window), ' ');
  size_t pos = 4080, in = 0;
  Bytes out;
  while (out.size() < length) {
    if (in >= stream.size()) return std::nullopt;
    unsigned control = stream[in++];
    for (int bit = 0; bit < 8 && out.size() < length; bit++, control >>= 1) {
      if (control & 1) {
        if (in >= stream.size()) return std::nullopt;
        out.push_back(window[pos] = stream[in++]);
        pos = (pos + 1) & 4095;
        continue;
      }
      if (in + 2 > stream.size()) return std::nullopt;
      size_t source = stream[in] | (stream[in + 1] & 0xF0) << 4;
      size_t count = (stream[in + 1] & 0x0F) + 3;
      in += 2;
      for (size_t k = 0; k < count && out.size() < length; k++) {
        out.push_back(window[pos] = window[source]);
        pos = (pos + 1) & 4095;
        source = (source + 1) & 4095;
      }
    }
  }
  return out;
}

struct Vector {
  const char* what;
  Bytes file;
  std::optional<std::string> expanded;  // none: refused
  SzddStatus status;
};

TEST(SzddTest, Vectors) {
  const Vector vectors[] = {
      {"overlapping match at 4080", Packed(5, {0x03, 'a', 'b', 0xF0, 0xF0}), "ababa", SzddStatus::Expanded},
      {"window starts as spaces", Packed(4, {0x00, 0xA0, 0xF1}), "    ", SzddStatus::Expanded},
      {"match of its own slot reads 4096 back", Packed(3, {0x00, 0xF0, 0xF0}), "   ", SzddStatus::Expanded},
      {"match across the start of output", Packed(4, {0x01, 'a', 0xEF, 0xF0}), "a a ", SzddStatus::Expanded},
      {"stream ends mid-group", Packed(3, {0xFF, 'a', 'b', 'c'}), "abc", SzddStatus::Expanded},
      {"stated 0 with a stream", Packed(0, {0x01, 0x00}), "", SzddStatus::Expanded},
      {"stated 0 without a stream", Packed(0, {}), "", SzddStatus::Expanded},
      {"bytes beyond the stated length", Packed(2, {0xFF, 'a', 'b', 'c', 'd'}), "ab", SzddStatus::Expanded},
      {"match cut at the stated length", Packed(4, {0x03, 'a', 'b', 0xF0, 0xF0}), "abab", SzddStatus::Expanded},
      {"stream shorter than stated", Packed(6, {0x03, 'a', 'b', 0xF0, 0xF0}), std::nullopt, SzddStatus::Truncated},
      {"stream ends inside a match", Packed(5, {0x03, 'a', 'b', 0xF0}), std::nullopt, SzddStatus::Truncated},
      {"no stream at all", Packed(1, {}), std::nullopt, SzddStatus::Truncated},
      {"4 GB promised by 2 bytes", Packed(0xFFFFFFFFu, {0xFF, 'a'}), std::nullopt, SzddStatus::Truncated},
      {"another mode", Packed(1, {0xFF, 'a'}, 'B'), std::nullopt, SzddStatus::BadHeader},
      {"header cut short", Bytes(SzddMagic, SzddMagic + 8), std::nullopt, SzddStatus::BadHeader},
      {"not packed", {'M', 'Z', 0x90, 0}, std::nullopt, SzddStatus::NotPacked},
  };
  for (const Vector& v : vectors) {
    SzddStatus status = SzddStatus::Expanded;
    std::optional<Bytes> out = ExpandSzdd(v.file, &status);
    EXPECT_EQ(status, v.status) << v.what;
    ASSERT_EQ(out.has_value(), v.expanded.has_value()) << v.what;
    if (out) EXPECT_EQ(std::string(out->begin(), out->end()), *v.expanded) << v.what;
  }
}

// Random streams exercise every path of the fast expander (literal runs, short and long
// distances, overlaps, the initial spaces, either end of the buffers) against the plain one.
TEST(SzddTest, AgreesWithThePlainExpanderOnRandomStreams) {
  std::mt19937 random(213);
  for (int round = 0; round < 3000; round++) {
    // Groups with a chosen share of literals: from all matches to all literals.
    Bytes stream;
    size_t target = random() % 3000;
    unsigned literalsIn8 = random() % 9;
    while (stream.size() < target) {
      unsigned control = 0;
      for (unsigned bit = 0; bit < 8; bit++)
        if (random() % 8 < literalsIn8) control |= 1u << bit;
      stream.push_back(static_cast<std::uint8_t>(control));
      for (unsigned bit = 0; bit < 8; bit++) {
        stream.push_back(static_cast<std::uint8_t>(random()));
        if (!(control >> bit & 1)) stream.push_back(static_cast<std::uint8_t>(random()));
      }
    }
    stream.resize(target);
    std::uint32_t length = random() % 9000;
    std::optional<Bytes> expected = Reference(length, stream);
    std::optional<Bytes> actual = ExpandSzdd(Packed(length, stream));
    ASSERT_EQ(actual.has_value(), expected.has_value()) << "round " << round;
    if (actual) ASSERT_EQ(*actual, *expected) << "round " << round;
  }
}

#if QELT_HAVE_SZDDPACK
// Files made by the build's packer come back byte for byte.
TEST(SzddTest, ExpandsWhatThePackerMakes) {
  std::mt19937 random(7);
  std::string text;
  while (text.size() < 300000) text += "Qelt server list entry " + std::to_string(random() % 500) + "\r\n";
  Bytes noise(70000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  for (const Bytes& original : {Bytes(), Bytes(text.begin(), text.end()), noise, Bytes(100000, ' ')}) {
    std::optional<Bytes> out = ExpandSzdd(szdd::Pack(original));
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, original);
  }
}
#endif

}  // namespace
}  // namespace winhost
