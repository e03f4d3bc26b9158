// resfile.h - the compiled resource image (.res) that a module's resources are found in.
// The parser takes any bytes: a fuzz target calls it directly.
#ifndef PLATFORM_KERNEL_RESFILE_H
#define PLATFORM_KERNEL_RESFILE_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace winhost {

// A resource type or name: an ordinal, or a string kept in capitals, as Windows compares them.
struct ResId {
  bool isOrdinal = true;
  std::uint16_t ordinal = 0;
  std::u16string name;
  bool operator==(const ResId&) const = default;
};

struct ResEntry {
  ResId type;
  ResId name;
  std::uint16_t language = 0;
  std::span<const std::uint8_t> data;  // within the image given to the parser
};

// The resources of a .res image, in image order, without its leading empty entry. None when
// the image is malformed; *why then says what was expected where.
std::optional<std::vector<ResEntry>> ParseResImage(std::span<const std::uint8_t> image, std::string* why = nullptr);

}  // namespace winhost

#endif
