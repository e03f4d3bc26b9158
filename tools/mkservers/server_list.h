// server_list.h - servers.txt, the editable server list, parsed and encoded as servers.qlt.
#ifndef TOOLS_MKSERVERS_SERVER_LIST_H
#define TOOLS_MKSERVERS_SERVER_LIST_H

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mkservers {

struct ServerEntry {
  std::string host;
  uint16_t port = 0;
  uint8_t flags = 0;
  std::string description;
  bool operator==(const ServerEntry&) const = default;
};

// A parse or encode failure: what was expected and what was found, with its line (0 if none).
struct ListError {
  int line = 0;
  std::string message;
};

// servers.txt: one server a line, "host port flags description...", fields split by
// blanks; flags is "-" or a comma list of "preferred" and "disabled"; the description is
// the rest of the line. Blank lines and lines starting with '#' are skipped. CR LF is
// accepted as a line end.
std::variant<std::vector<ServerEntry>, ListError> ParseServerList(std::string_view text);

// The servers.qlt bytes of a list that ParseServerList accepted (or any list whose
// fields keep the format's limits; a ListError otherwise).
std::variant<std::vector<uint8_t>, ListError> EncodeServerList(const std::vector<ServerEntry>& servers);

}  // namespace mkservers

#endif
