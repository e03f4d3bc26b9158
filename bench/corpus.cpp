// corpus.cpp - deterministic text-like and executable-like inputs for the benchmarks.
#include "corpus.h"

#include <cmath>
#include <string>

namespace bench {
namespace {

// splitmix64: fixed output for a fixed seed on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
  // Skewed towards small values, as word frequencies are.
  unsigned Zipf(unsigned n) {
    double u = (Next() >> 11) * (1.0 / 9007199254740992.0);
    return static_cast<unsigned>(std::pow(n, u)) - 1;
  }

 private:
  std::uint64_t state_;
};

}  // namespace

std::vector<std::uint8_t> TextLike(std::size_t size) {
  Random random(0x51E17);
  std::vector<std::string> words;
  for (int w = 0; w < 4000; w++) {
    std::string word;
    unsigned length = 2 + random.Below(8);
    for (unsigned c = 0; c < length; c++) word += static_cast<char>('a' + random.Zipf(26));
    words.push_back(word);
  }
  std::vector<std::uint8_t> out;
  out.reserve(size + 128);
  std::size_t column = 0;
  bool sentenceStart = true;
  while (out.size() < size) {
    std::string word = words[random.Zipf(static_cast<unsigned>(words.size()))];
    if (sentenceStart) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    sentenceStart = random.Below(12) == 0;
    if (sentenceStart) word += random.Below(4) ? "." : ",";
    if (column + word.size() > 72) {
      out.push_back('\r');
      out.push_back('\n');
      if (random.Below(6) == 0) out.insert(out.end(), {'\r', '\n'});
      column = 0;
    } else if (column) {
      out.push_back(' ');
      column++;
    }
    out.insert(out.end(), word.begin(), word.end());
    column += word.size();
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> BinaryLike(std::size_t size) {
  Random random(0xB1A7);
  static const std::uint8_t Opcodes[][3] = {
      {0x8B, 0x45, 0}, {0x89, 0x45, 0}, {0x8B, 0x4D, 0}, {0xFF, 0x75, 0}, {0x83, 0xC4, 0},
      {0x6A, 0x00, 0}, {0xE8, 0, 0},    {0x85, 0xC0, 0}, {0x74, 0, 0},    {0x75, 0, 0},
      {0x50, 0, 0},    {0x55, 0, 0},    {0x8B, 0xEC, 0}, {0x5D, 0, 0},    {0xC3, 0, 0},
  };
  static const unsigned OpcodeLength[] = {3, 3, 3, 3, 3, 2, 5, 2, 2, 2, 1, 1, 2, 1, 1};
  std::vector<std::uint8_t> out;
  out.reserve(size + 4096);
  std::uint32_t base = 0x00401000;
  while (out.size() < size) {
    switch (random.Below(8)) {
      case 0: {  // an address table
        unsigned count = 16 + random.Below(64);
        std::uint32_t address = base + random.Below(0x10000);
        for (unsigned i = 0; i < count; i++) {
          address += 4 * (1 + random.Zipf(64));
          for (int b = 0; b < 32; b += 8) out.push_back(static_cast<std::uint8_t>(address >> b));
        }
        break;
      }
      case 1:  // section padding
        out.insert(out.end(), 64 + random.Below(512), 0);
        break;
      case 2: {  // a string table entry
        unsigned length = 4 + random.Below(24);
        for (unsigned i = 0; i < length; i++) out.push_back(static_cast<std::uint8_t>('A' + random.Zipf(58)));
        out.push_back(0);
        break;
      }
      default: {  // a run of code
        unsigned count = 32 + random.Below(256);
        for (unsigned i = 0; i < count; i++) {
          unsigned op = random.Zipf(15);
          const std::uint8_t* bytes = Opcodes[op];
          out.push_back(bytes[0]);
          for (unsigned k = 1; k < OpcodeLength[op]; k++)
            out.push_back(bytes[k] ? bytes[k] : static_cast<std::uint8_t>(random.Zipf(256) * 4));
        }
      }
    }
  }
  out.resize(size);
  return out;
}

}  // namespace bench
