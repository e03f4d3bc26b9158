// servers_test.cpp - servers.qlt: written by mkservers' encoder, read by the programs' reader.
#include <gtest/gtest.h>

#include "qlt_servers.h"
#include "server_list.h"
#include "test_files.h"

namespace {

using mkservers::ServerEntry;

std::vector<ServerEntry> Parse(const std::string& text) {
  auto parsed = mkservers::ParseServerList(text);
  if (auto* e = std::get_if<mkservers::ListError>(&parsed)) {
    ADD_FAILURE() << "line " << e->line << ": " << e->message;
    return {};
  }
  return std::get<std::vector<ServerEntry>>(parsed);
}

std::vector<uint8_t> Encode(const std::vector<ServerEntry>& servers) {
  auto encoded = mkservers::EncodeServerList(servers);
  if (auto* e = std::get_if<mkservers::ListError>(&encoded)) ADD_FAILURE() << e->message;
  return std::get<std::vector<uint8_t>>(encoded);
}

// What the programs' reader makes of a list.
std::vector<ServerEntry> Decode(const std::vector<uint8_t>& bytes) {
  unsigned count = 0;
  EXPECT_EQ(QltServersCheck(bytes.data(), bytes.size(), &count), QltServersOk);
  std::vector<ServerEntry> out;
  for (unsigned i = 0; i < count; ++i) {
    QltServer s;
    EXPECT_TRUE(QltServersGet(bytes.data(), bytes.size(), i, &s));
    out.push_back({std::string(s.host, s.host_length), s.port, s.flags, std::string(s.description, s.description_length)});
  }
  QltServer beyond;
  EXPECT_FALSE(QltServersGet(bytes.data(), bytes.size(), count, &beyond));
  return out;
}

const std::vector<uint8_t> kSmall = {'Q', 'S', 'R', 'V', 1, 0, 2, 0,
                                     0x50, 0x00, 0x01, 3, 'a', '.', 'b', 2, 'h', 'i',
                                     0x01, 0x00, 0x00, 1, 'c', 0};

TEST(ServerList, BuiltFileIsTheSourceListRoundTripped) {
  const auto source = Parse(restest::ReadText(restest::SourcePath("res/payload/servers.txt")));
  bool exists = false;
  const auto built = restest::ReadBytes(restest::PayloadPath("servers.qlt"), &exists);
  ASSERT_TRUE(exists) << "servers.qlt was not built";
  EXPECT_EQ(built, Encode(source));
  EXPECT_EQ(Decode(built), source);
  EXPECT_GT(built.size(), 700u);
  EXPECT_LT(built.size(), 2048u);
  ASSERT_FALSE(source.empty());
  EXPECT_EQ(source[0].flags, QLT_SERVER_PREFERRED) << "the first server is the one tried first";
}

TEST(ServerList, KnownBytesAndEdgeValuesRoundTrip) {
  const std::vector<ServerEntry> small = {{"a.b", 80, QLT_SERVER_PREFERRED, "hi"}, {"c", 1, 0, ""}};
  EXPECT_EQ(Encode(small), kSmall);
  const std::vector<ServerEntry> edge = {
      {std::string(255, 'h'), 65535, QLT_SERVER_PREFERRED | QLT_SERVER_DISABLED, std::string(255, '~')}};
  EXPECT_EQ(Decode(Encode(edge)), edge);
  EXPECT_EQ(Decode(Encode({})), std::vector<ServerEntry>{});
}

TEST(ServerList, ReaderRefusesEveryDamagedFile) {
  for (size_t n = 0; n < kSmall.size(); ++n) {
    unsigned count = 99;
    const std::vector<uint8_t> cut(kSmall.begin(), kSmall.begin() + n);
    EXPECT_NE(QltServersCheck(cut.data(), cut.size(), &count), QltServersOk) << "cut to " << n;
    EXPECT_EQ(count, 0u);
  }
  struct Case {
    size_t at;
    uint8_t value;
    QltServersResult result;
  };
  const Case cases[] = {
      {0, 'X', QltServersBadMagic},      {4, 2, QltServersBadVersion},   {6, 3, QltServersTruncated},
      {6, 1, QltServersTrailingBytes},   {8, 0, QltServersBadRecord},    {9, 0, QltServersOk},
      {10, 0x04, QltServersBadRecord},   {11, 0, QltServersBadRecord},   {13, '_', QltServersBadRecord},
      {16, 0x07, QltServersBadRecord},   {15, 3, QltServersBadRecord},   {21, 4, QltServersTruncated},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = kSmall;
    bytes[c.at] = c.value;
    unsigned count = 0;
    EXPECT_EQ(QltServersCheck(bytes.data(), bytes.size(), &count), c.result) << "byte " << c.at << " = " << int(c.value);
  }
}

TEST(ServerList, TextFormatAcceptsCommentsFlagsAndCrLf) {
  const auto servers = Parse("# list\r\n\r\n  one.example 7000 preferred,disabled  First  one \r\ntwo 1 - \n");
  EXPECT_EQ(servers, (std::vector<ServerEntry>{{"one.example", 7000, QLT_SERVER_PREFERRED | QLT_SERVER_DISABLED, "First  one"},
                                                {"two", 1, 0, ""}}));
}

TEST(ServerList, TextFormatReportsTheBadLine) {
  const std::pair<std::string, int> cases[] = {
      {"a 0 -\n", 1},
      {"a 65536 -\n", 1},
      {"ok 1 -\na 7x -\n", 2},
      {"a 70\n", 1},
      {"a 70 fast\n", 1},
      {"a 70 preferred,\n", 1},
      {"bad_host 70 -\n", 1},
      {"# c\n" + std::string(256, 'h') + " 70 -\n", 2},
      {"a 70 - " + std::string(256, 'd') + "\n", 1},
      {"a 70 - caf\xe9\n", 1},
  };
  for (const auto& [text, line] : cases) {
    auto parsed = mkservers::ParseServerList(text);
    ASSERT_TRUE(std::holds_alternative<mkservers::ListError>(parsed)) << text;
    EXPECT_EQ(std::get<mkservers::ListError>(parsed).line, line) << text;
  }
}

}  // namespace
