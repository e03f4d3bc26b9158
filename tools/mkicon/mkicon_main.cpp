// mkicon_main.cpp - the mkicon command: a character grid in, a 16-colour .ico out.
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
#include "icon_grid.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "mkicon: %s\n", message.c_str());
  return 1;
}

}  // namespace
int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: mkicon GRID.TXT ICON.ICO");
  const std::string in_path = argv[1], out_path = argv[2];
  std::string error;
  const auto input = tools::ReadWholeFile(in_path, &error);
  if (!input) return Fail(error);
  const std::string text(input->begin(), input->end());

  auto parsed = mkicon::ParseGrid(text);
  if (auto* e = std::get_if<mkicon::GridError>(&parsed))
    return Fail(in_path + ":" + std::to_string(e->line) + ":" + std::to_string(e->column) + ": " + e->message);
  if (!tools::WriteWholeFile(out_path, mkicon::BuildIcon(std::get<mkicon::Pixels>(parsed)), &error)) return Fail(error);
  return 0;
}
