// hlpfile.h - the help file reader: a .hlp file's title and its contents topic as text.
#ifndef PLATFORM_HELP_HLPFILE_H
#define PLATFORM_HELP_HLPFILE_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/frontend.h"

namespace winhost {

// Reads a whole help file. Every offset and size in it is checked: a truncated, broken or
// unsupported file (phrase compression, tables) gives no value and, if error is given, a
// message saying what was expected and what was found. HelpDocument::file is left empty.
std::optional<HelpDocument> ReadHelpFile(std::span<const std::uint8_t> bytes, std::string* error);

// One LZ77-packed |TOPIC block's data (after its 12-byte header), unpacked to at most
// 16 KiB; no value for a match cut off or reaching before the block's start.
std::optional<std::vector<std::uint8_t>> ExpandTopicBlock(std::span<const std::uint8_t> packed, std::string* error);

}  // namespace winhost

#endif
