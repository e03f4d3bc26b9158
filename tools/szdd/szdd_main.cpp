// szdd_main.cpp: the szdd command: pack, expand and describe SZDD files.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "szdd_pack.h"
#include "tool_files.h"

namespace fs = std::filesystem;

namespace {

constexpr const char kUsage[] =
    "usage: szdd pack IN OUT     pack IN into the SZDD file OUT\n"
    "       szdd expand IN OUT   expand the SZDD file IN into OUT\n"
    "       szdd info IN         show the header of the SZDD file IN\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "szdd: %s\n", message.c_str());
  return 1;
}

int Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string error;
  return tools::WriteWholeFile(path, bytes, &error) ? 0 : Fail(error);
}

int PackCommand(const std::string& in_path, const std::string& out_path) {
  std::string error;
  const auto input = tools::ReadWholeFile(in_path, &error);
  if (!input) return Fail(error);
  try {
    return Write(out_path, szdd::Pack(*input));
  } catch (const std::length_error& e) {
    return Fail(in_path + ": " + e.what());
  }
}

int ExpandCommand(const std::string& in_path, const std::string& out_path) {
  std::string error;
  const auto packed = tools::ReadWholeFile(in_path, &error);
  if (!packed) return Fail(error);
  const auto expanded = szdd::Expand(*packed, &error);
  if (!expanded) return Fail(in_path + ": " + error);
  return Write(out_path, *expanded);
}

int InfoCommand(const std::string& in_path) {
  std::string error;
  const auto packed = tools::ReadWholeFile(in_path, &error);
  if (!packed) return Fail(error);
  const auto info = szdd::ReadInfo(*packed, &error);
  if (!info) return Fail(in_path + ": " + error);
  const unsigned char mode_char = info->mode >= 0x20 && info->mode < 0x7F ? info->mode : '?';
  std::printf("file: %s\n", in_path.c_str());
  std::printf("mode: 0x%02X '%c'\n", info->mode, mode_char);
  std::printf("missing character: 0x%02X\n", info->missing_char);
  std::printf("expanded size: %u\n", info->expanded_length);
  std::printf("packed size: %zu\n", info->packed_size);
  if (info->expanded_length != 0)
    std::printf("ratio: %.2f%%\n", 100.0 * static_cast<double>(info->packed_size) / info->expanded_length);
  else
    std::printf("ratio: -\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  try {
    if (args.size() == 3 && args[0] == "pack") return PackCommand(argv[2], argv[3]);
    if (args.size() == 3 && args[0] == "expand") return ExpandCommand(argv[2], argv[3]);
    if (args.size() == 2 && args[0] == "info") return InfoCommand(argv[2]);
  } catch (const std::bad_alloc&) {
    return Fail(std::string(argv[2]) + ": expected enough memory to hold it, found too little");
  }
  std::fputs(kUsage, stderr);
  return 2;
}
