// tool_files.h - whole-file reading and never-half-written output for the build tools.
#ifndef TOOLS_COMMON_TOOL_FILES_H
#define TOOLS_COMMON_TOOL_FILES_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tools {

// The whole of a regular file; on failure a message naming the file, what was expected
// and what was found.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::string* error);

// Writes to a temporary name beside PATH and renames it over PATH only when every byte is
// written, so a failure leaves PATH as it was and no temporary behind.
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error);

}  // namespace tools

#endif
