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

#include "tool_files.h"
#include "hlp_writer.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "hlpwrite: %s\n", message.c_str());
  return 1;
}

}  // namespace
int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: hlpwrite SOURCE.TXT HELP.HLP");
  const std::string in_path = argv[1], out_path = argv[2];
  std::string error;
  const auto input = tools::ReadWholeFile(in_path, &error);
  if (!input) return Fail(error);
  const std::string text(input->begin(), input->end());

  auto parsed = hlpwrite::ParseHelpSource(text);
  if (auto* e = std::get_if<hlpwrite::SourceError>(&parsed))
    return Fail(in_path + ":" + std::to_string(e->line) + ": " + e->message);
  auto written = hlpwrite::WriteHelpFile(std::get<hlpwrite::HelpSource>(parsed));
  if (auto* e = std::get_if<std::string>(&written)) return Fail(in_path + ": " + *e);
  if (!tools::WriteWholeFile(out_path, std::get<std::vector<uint8_t>>(written), &error)) return Fail(error);
  return 0;
}
