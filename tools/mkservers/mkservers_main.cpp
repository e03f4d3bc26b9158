// mkservers_main.cpp - the mkservers command: servers.txt in, servers.qlt out.
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
#include "qlt_servers.h"
#include "server_list.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "mkservers: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: mkservers SERVERS.TXT SERVERS.QLT");
  const std::string in_path = argv[1], out_path = argv[2];
  std::string error;
  const auto input = tools::ReadWholeFile(in_path, &error);
  if (!input) return Fail(error);
  const std::string text(input->begin(), input->end());

  auto parsed = mkservers::ParseServerList(text);
  if (auto* e = std::get_if<mkservers::ListError>(&parsed))
    return Fail(in_path + (e->line ? ":" + std::to_string(e->line) : std::string()) + ": " + e->message);
  const auto& servers = std::get<std::vector<mkservers::ServerEntry>>(parsed);
  if (servers.empty()) return Fail(in_path + ": expected at least one server, found none");

  auto encoded = mkservers::EncodeServerList(servers);
  if (auto* e = std::get_if<mkservers::ListError>(&encoded)) return Fail(in_path + ": " + e->message);
  const auto& bytes = std::get<std::vector<uint8_t>>(encoded);

  // The programs read the list with this reader; a file it refuses must never ship.
  unsigned count = 0;
  const QltServersResult check = QltServersCheck(bytes.data(), bytes.size(), &count);
  if (check != QltServersOk || count != servers.size())
    return Fail(out_path + ": expected the reader to accept " + std::to_string(servers.size()) + " servers, found " +
                QltServersResultText(check));

  if (!tools::WriteWholeFile(out_path, bytes, &error)) return Fail(error);
  return 0;
}
