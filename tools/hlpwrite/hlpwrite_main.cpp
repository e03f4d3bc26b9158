// hlpwrite_main.cpp - the hlpwrite command: a help source text in, a WinHelp file out.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <string>

#include <unistd.h>

#include "hlp_writer.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "hlpwrite: %s\n", message.c_str());
  return 1;
}

// Writes beside the target and renames over it, so a failed run leaves no half file.
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  const fs::path target(path);
  const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(getpid()));
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      *error = temp.string() + ": expected to write " + std::to_string(bytes.size()) + " bytes, found a write error";
      std::error_code ignored;
      fs::remove(temp, ignored);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    *error = path + ": expected to replace the file, found " + ec.message();
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace
int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: hlpwrite SOURCE.TXT HELP.HLP");
  const std::string in_path = argv[1], out_path = argv[2];
  std::ifstream in(in_path, std::ios::binary);
  if (!in) return Fail(in_path + ": expected a readable file, found " + std::strerror(errno));
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Fail(in_path + ": expected to read the whole file, found a read error");

  auto parsed = hlpwrite::ParseHelpSource(text);
  if (auto* e = std::get_if<hlpwrite::SourceError>(&parsed))
    return Fail(in_path + ":" + std::to_string(e->line) + ": " + e->message);
  auto written = hlpwrite::WriteHelpFile(std::get<hlpwrite::HelpSource>(parsed));
  if (auto* e = std::get_if<std::string>(&written)) return Fail(in_path + ": " + *e);
  std::string error;
  if (!WriteWhole(out_path, std::get<std::vector<uint8_t>>(written), &error)) return Fail(error);
  return 0;
}
