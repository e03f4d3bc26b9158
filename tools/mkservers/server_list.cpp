// server_list.cpp - parsing servers.txt and writing the servers.qlt format.
#include "server_list.h"

#include <array>
#include <charconv>

#include "qlt_servers.h"

namespace mkservers {
namespace {

constexpr std::array<std::pair<std::string_view, uint8_t>, 2> kFlagNames{{
    {"preferred", QLT_SERVER_PREFERRED},
    {"disabled", QLT_SERVER_DISABLED},
}};
constexpr size_t kMaxText = 255;
constexpr size_t kMaxServers = 65535;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Takes the next blank-separated field off the front of line.
std::string_view NextField(std::string_view& line) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  size_t end = start;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  std::string_view field = line.substr(start, end - start);
  line.remove_prefix(end);
  return field;
}

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Checks one entry against the format's limits; empty when it fits.
std::string CheckEntry(const ServerEntry& e) {
  if (e.host.empty() || e.host.size() > kMaxText) return "expected a host name of 1 to 255 characters, found " + std::to_string(e.host.size());
  for (char c : e.host)
    if (!IsHostChar(c)) return "expected a host name of letters, digits, '-' and '.', found " + Quote(e.host);
  if (e.port == 0) return "expected a port from 1 to 65535, found 0";
  if (e.flags & ~QLT_SERVER_KNOWN_FLAGS) return "expected only known flags, found bits " + std::to_string(e.flags);
  if (e.description.size() > kMaxText) return "expected a description of at most 255 characters, found " + std::to_string(e.description.size());
  for (char c : e.description)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
      return "expected a description of printable ASCII, found byte " + std::to_string(static_cast<unsigned char>(c));
  return {};
}

}  // namespace

std::variant<std::vector<ServerEntry>, ListError> ParseServerList(std::string_view text) {
  std::vector<ServerEntry> servers;
  int number = 0;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    std::string_view probe = line;
    const std::string_view host = NextField(probe);
    if (host.empty() || host.front() == '#') continue;

    ServerEntry e;
    e.host = std::string(host);
    line = probe;
    const std::string_view port = NextField(line);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
      return ListError{number, "expected a port from 1 to 65535, found " + Quote(port)};
    e.port = static_cast<uint16_t>(value);

    std::string_view flags = NextField(line);
    if (flags.empty()) return ListError{number, "expected flags (\"-\", \"preferred\", \"disabled\"), found the end of the line"};
    if (flags != "-") {
      for (;;) {
        const size_t comma = flags.find(',');
        const std::string_view name = flags.substr(0, comma);
        bool known = false;
        for (const auto& [flag_name, bit] : kFlagNames)
          if (name == flag_name) e.flags |= bit, known = true;
        if (!known) return ListError{number, "expected the flag \"preferred\" or \"disabled\", found " + Quote(name)};
        if (comma == std::string_view::npos) break;
        flags.remove_prefix(comma + 1);
      }
    }
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    e.description = std::string(line);
    if (std::string problem = CheckEntry(e); !problem.empty()) return ListError{number, problem};
    servers.push_back(std::move(e));
  }
  if (servers.size() > kMaxServers)
    return ListError{0, "expected at most 65535 servers, found " + std::to_string(servers.size())};
  return servers;
}

std::variant<std::vector<uint8_t>, ListError> EncodeServerList(const std::vector<ServerEntry>& servers) {
  if (servers.size() > kMaxServers)
    return ListError{0, "expected at most 65535 servers, found " + std::to_string(servers.size())};
  std::vector<uint8_t> out{'Q', 'S', 'R', 'V'};
  auto put16 = [&out](unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  put16(QLT_SERVERS_VERSION);
  put16(static_cast<unsigned>(servers.size()));
  for (size_t i = 0; i < servers.size(); ++i) {
    const ServerEntry& e = servers[i];
    if (std::string problem = CheckEntry(e); !problem.empty())
      return ListError{0, "server " + std::to_string(i + 1) + ": " + problem};
    put16(e.port);
    out.push_back(e.flags);
    out.push_back(static_cast<uint8_t>(e.host.size()));
    out.insert(out.end(), e.host.begin(), e.host.end());
    out.push_back(static_cast<uint8_t>(e.description.size()));
    out.insert(out.end(), e.description.begin(), e.description.end());
  }
  return out;
}

}  // namespace mkservers
