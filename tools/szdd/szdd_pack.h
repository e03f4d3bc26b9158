// szdd_pack.h: packs and expands SZDD files (LZSS mode 'A') for the build tools and tests.
#ifndef TOOLS_SZDD_SZDD_PACK_H_
#define TOOLS_SZDD_SZDD_PACK_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace szdd {

inline constexpr std::array<uint8_t, 8> kMagic = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
inline constexpr uint8_t kModeA = 0x41;
inline constexpr size_t kHeaderSize = 14;

// The header's fields, and the size of the file they were read from.
struct Info {
  uint8_t mode = kModeA;
  uint8_t missing_char = 0;
  uint32_t expanded_length = 0;
  size_t packed_size = 0;
};

// Reads the header of a packed file; nullopt and a message in *error (if given) when
// the bytes are too short or do not start with the magic.
std::optional<Info> ReadInfo(std::span<const uint8_t> packed, std::string* error);

// A complete packed file (header, mode 'A', missing character 0) holding `input` in the
// smallest stream the format allows. Empty input gives the 16-byte file that carries one
// literal 0x00 behind a stated length of 0. Throws std::length_error above 4 GiB - 1.
std::vector<uint8_t> Pack(std::span<const uint8_t> input);

// Expands a mode 'A' file to exactly the length its header states. A stream that ends
// before that length is an error; bytes the stream holds beyond it are ignored.
std::optional<std::vector<uint8_t>> Expand(std::span<const uint8_t> packed, std::string* error);

}  // namespace szdd

#endif  // TOOLS_SZDD_SZDD_PACK_H_
