// hlp_test.cpp - the help writer, checked by reading its files back with a separate reader.
#include <gtest/gtest.h>

#include "hlp_reader.h"
#include "hlp_writer.h"
#include "test_files.h"

namespace {

using hlpwrite::HelpSource;

hlpread::HelpFile WriteAndRead(const HelpSource& source) {
  auto written = hlpwrite::WriteHelpFile(source);
  if (auto* e = std::get_if<std::string>(&written)) ADD_FAILURE() << *e;
  auto read = hlpread::ReadHelp(std::get<std::vector<uint8_t>>(written));
  if (auto* e = std::get_if<std::string>(&read)) {
    ADD_FAILURE() << *e;
    return {};
  }
  return std::get<hlpread::HelpFile>(read);
}

TEST(HelpFile, BuiltFileHoldsTheSourceTitleAndParagraphs) {
  bool exists = false;
  const auto bytes = restest::ReadBytes(restest::PayloadPath("qelt.hlp"), &exists);
  ASSERT_TRUE(exists) << "qelt.hlp was not built";
  auto read = hlpread::ReadHelp(bytes);
  ASSERT_TRUE(std::holds_alternative<hlpread::HelpFile>(read)) << std::get<std::string>(read);
  const auto& help = std::get<hlpread::HelpFile>(read);

  auto source = hlpwrite::ParseHelpSource(restest::ReadText(restest::SourcePath("res/payload/qelt_help.txt")));
  ASSERT_TRUE(std::holds_alternative<HelpSource>(source));
  const auto& expected = std::get<HelpSource>(source);

  EXPECT_EQ(help.title, "Qelt 2.13b Help");
  EXPECT_TRUE(help.minor == 21 || help.minor == 33) << help.minor;
  EXPECT_EQ(help.flags, 0) << "compressed help files are not written";
  EXPECT_EQ(help.gen_date, 0u) << "a date makes builds differ";
  EXPECT_EQ(help.copyright, expected.copyright);
  for (const char* name : {"|CTXOMAP", "|TTLBTREE"}) EXPECT_EQ(help.files.count(name), 1u) << name;
  ASSERT_EQ(help.topics.size(), 2u) << "the contents topic and the closing header";
  EXPECT_EQ(help.topics[0].title, "Qelt 2.13b Help");
  ASSERT_GE(expected.paragraphs.size(), 3u);
  EXPECT_EQ(expected.paragraphs[0].rfind("Qelt is a small program for talking", 0), 0u);
  EXPECT_EQ(help.topics[0].paragraphs, expected.paragraphs);
  EXPECT_TRUE(help.topics[1].paragraphs.empty());

  // Every reference to the contents topic finds it.
  EXPECT_EQ(help.contents_offset, help.topics[0].topic_offset);
  EXPECT_EQ(help.context.at(hlpwrite::ContextHash("contents")), help.topics[0].topic_offset);
  EXPECT_EQ(help.titles.at(help.topics[0].topic_offset), "Qelt 2.13b Help");
}

// The paragraph "Hello" in font 0, byte for byte as WinHelp viewers were seen to show it.
TEST(HelpFile, TextRecordMatchesTheKnownGoodBytes) {
  const hlpwrite::LinkData d = hlpwrite::TextRecord("Hello");
  EXPECT_EQ(d.data1, (std::vector<uint8_t>{0x16, 0x80, 0x10, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x82, 0xFF}));
  EXPECT_EQ(d.data2, (std::vector<uint8_t>{0x00, 'H', 'e', 'l', 'l', 'o', 0x00, 0x00}));
}

TEST(HelpFile, ContextHashMatchesKnownValues) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"second", 0x370E6D04}, {"contents", 0x25F4558A}, {"A", 0x11}, {"ab", 0x2ED}, {"AB", 0x2ED}, {"", 0}};
  for (const auto& [id, hash] : cases) EXPECT_EQ(hlpwrite::ContextHash(id), hash) << id;
}

// A title of 15 characters puts the first paragraph right after the 64-byte header link.
TEST(HelpFile, FirstLinksSitWhereViewersLookForThem) {
  const auto help = WriteAndRead({"Qelt 2.13b Help", "", {"Hello"}});
  ASSERT_EQ(help.topics.size(), 2u);
  EXPECT_EQ(help.topics[0].topic_pos, 0x0Cu);
  EXPECT_EQ(help.topics[0].scroll, 0x4Cu);
  EXPECT_EQ(help.topics[0].topic_offset, 0u);
  EXPECT_EQ(help.topics[1].topic_pos, 0x4Cu + 43u);
  EXPECT_EQ(help.topics[1].topic_offset, 8u) << "the closing header counts the paragraph's text length";
  EXPECT_TRUE(help.copyright.empty());
}

// Long topics run over many 4096-byte blocks; lengths are swept so that link headers
// meet block ends at every offset, and the reader checks each block's rules.
TEST(HelpFile, LongTopicsSpanBlocksAndReadBackWhole) {
  for (size_t length : {1u, 7u, 60u, 61u, 62u, 100u, 333u, 1000u, 4084u, 5000u, 20000u}) {
    HelpSource source{"Long", "(C) test", {}};
    for (int i = 0; i < 40; ++i) source.paragraphs.push_back(std::string(length + i % 23, static_cast<char>('a' + i % 26)));
    const auto help = WriteAndRead(source);
    ASSERT_EQ(help.topics.size(), 2u) << length;
    EXPECT_EQ(help.topics[0].paragraphs, source.paragraphs) << length;
    EXPECT_GE(help.topic_blocks, (40 * (length + 24)) / 4096) << length;
    // The closing header's TOPICOFFSET counts only text that started in its own block.
    EXPECT_EQ(help.topics[1].topic_offset >> 15, (help.topics[1].topic_pos - 12) >> 14) << length;
  }
}

TEST(HelpFile, RejectsParagraphsBeyondTheRecordLimit) {
  HelpSource source{"T", "", {std::string(hlpwrite::kMaxParagraph, 'x')}};
  EXPECT_TRUE(std::holds_alternative<std::vector<uint8_t>>(hlpwrite::WriteHelpFile(source)));
  source.paragraphs[0].push_back('x');
  EXPECT_TRUE(std::holds_alternative<std::string>(hlpwrite::WriteHelpFile(source)));
  EXPECT_TRUE(std::holds_alternative<std::string>(hlpwrite::WriteHelpFile({"T", "", {}})));
}

TEST(HelpSource, SplitsTitleCopyrightAndParagraphs) {
  auto parsed = hlpwrite::ParseHelpSource("Title\r\nCopyright line\r\n\r\nOne\r\n  two  \r\n\r\n\r\nThree");
  ASSERT_TRUE(std::holds_alternative<HelpSource>(parsed));
  const auto& s = std::get<HelpSource>(parsed);
  EXPECT_EQ(s.title, "Title");
  EXPECT_EQ(s.copyright, "Copyright line");
  EXPECT_EQ(s.paragraphs, (std::vector<std::string>{"One two", "Three"}));
}

TEST(HelpSource, ReportsTheLineOfBadInput) {
  const std::pair<const char*, int> cases[] = {
      {"", 0},                             // no title
      {"\nText\n", 1},                     // blank first line
      {"Title\n\nGood\nBad\tline\n", 4},   // a control character
      {"Title\nCopyright\nExtra\n\nP\n", 3},
      {"Title\n\n\n", 3},                  // no paragraph
  };
  for (const auto& [text, line] : cases) {
    auto parsed = hlpwrite::ParseHelpSource(text);
    ASSERT_TRUE(std::holds_alternative<hlpwrite::SourceError>(parsed)) << text;
    EXPECT_EQ(std::get<hlpwrite::SourceError>(parsed).line, line) << text;
  }
}

}  // namespace
