// payload_files_test.cpp - the text and data files of the payload, and their packed copies.
#include <gtest/gtest.h>

#include <cstdio>

#include <mspack.h>

#include "test_files.h"

namespace {

TEST(PayloadFiles, ReadmeHasCrLfLineEndsAndSourceText) {
  bool exists = false;
  const auto bytes = restest::ReadBytes(restest::PayloadPath("vornel.txt"), &exists);
  ASSERT_TRUE(exists) << "vornel.txt was not built";
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_GE(text.size(), 3500u);
  EXPECT_LE(text.size(), 5000u);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at byte " << i;
    if (text[i] == '\r') ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at byte " << i;
  }
  std::string unix_text = text;
  for (size_t at; (at = unix_text.find("\r\n")) != std::string::npos;) unix_text.erase(at, 1);
  std::string source = restest::ReadText(restest::SourcePath("res/payload/vornel.txt"));
  for (size_t at; (at = source.find('\r')) != std::string::npos;) source.erase(at, 1);
  EXPECT_EQ(unix_text, source);
}

TEST(PayloadFiles, AliasesFileIsEmpty) {
  bool exists = false;
  EXPECT_TRUE(restest::ReadBytes(restest::PayloadPath("aliases.qlt"), &exists).empty());
  EXPECT_TRUE(exists) << "aliases.qlt was not built";
}

// Each packed name holds its own file: an expander written by others gives back the
// unpacked bytes, and no packed file names the character it stands for.
TEST(PayloadFiles, PackedFilesExpandToTheirSources) {
  const std::pair<const char*, const char*> table[] = {
      {"aliases.ql_", "aliases.qlt"},       {"qelt_ws1.ex_", "qelt_ws1.exe"}, {"qelt_ws2.ex_", "qelt_ws2.exe"},
      {"tessmor1.ex_", "tessmorw_ws1.exe"}, {"tessmor2.ex_", "tessmorw_ws2.exe"}, {"qelt.hl_", "qelt.hlp"},
      {"vornel.tx_", "vornel.txt"},         {"servers.ql_", "servers.qlt"}};
  bool packer = false;
  (void)restest::ReadBytes(std::string(QELT_BINARY_DIR) + "/szdd", &packer);
  if (!packer) GTEST_SKIP() << "the packer szdd is not built, so the payload is not packed";

  msszdd_decompressor* szdd = mspack_create_szdd_decompressor(nullptr);
  ASSERT_NE(szdd, nullptr);
  const std::string expanded = std::string(QELT_BINARY_DIR) + "/res/payload_test_expanded.tmp";
  for (const auto& [packed, plain] : table) {
    bool exists = false;
    const auto bytes = restest::ReadBytes(restest::PayloadPath(packed), &exists);
    ASSERT_TRUE(exists) << packed << " was not built";
    ASSERT_GE(bytes.size(), 14u) << packed;
    EXPECT_EQ(bytes[9], 0) << packed << " records a missing character";
    msszddd_header* header = szdd->open(szdd, restest::PayloadPath(packed).c_str());
    ASSERT_NE(header, nullptr) << packed;
    const auto source = restest::ReadBytes(restest::PayloadPath(plain));
    EXPECT_EQ(header->length, static_cast<off_t>(source.size())) << packed;
    EXPECT_EQ(szdd->extract(szdd, header, expanded.c_str()), MSPACK_ERR_OK) << packed;
    szdd->close(szdd, header);
    // libmspack decodes the whole stream; the empty file's stream carries one literal
    // beyond its announced length of 0, which an expander that honours the header drops.
    auto out = restest::ReadBytes(expanded);
    if (source.empty()) out.clear();
    EXPECT_EQ(out, source) << packed << " does not expand to " << plain;
  }
  std::remove(expanded.c_str());
  mspack_destroy_szdd_decompressor(szdd);
}

}  // namespace
