// hlpfile_test.cpp - the help reader on the product's help file, on built fixtures (plain and
// LZ77-packed blocks) and on truncated, corrupted and unsupported files.
#include "help/hlpfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "help_builder.h"

using helptest::BuildHelp;
using helptest::HelpRecipe;
using helptest::Topic;

namespace {

std::vector<std::string> Repeat(const std::string& paragraph, int times) {
  std::vector<std::string> out;
  for (int i = 0; i < times; i++) out.push_back(std::to_string(i) + ": " + paragraph);
  return out;
}

const std::string Sentence = "Qelt keeps a list of servers and tries the preferred one first. ";
const Topic Small{"Contents", {"Hello", "Second paragraph"}};
const Topic Big{"Big", Repeat(Sentence + Sentence + Sentence, 30)};  // about 6 KB: spans blocks
const Topic Huge{"Huge", Repeat(Sentence + Sentence + Sentence, 110)};  // more than 16 KiB
const Topic Later{"Later", Repeat("The contents topic, after a block boundary. " + Sentence, 60)};

TEST(HelpReader, ReadsTheProductHelpFile) {
  std::filesystem::path path = std::filesystem::path(QELT_BINARY_DIR) / "res" / "payload" / "qelt.hlp";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not built yet (target of res/payload)";
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  auto document = winhost::ReadHelpFile(bytes, &error);
  ASSERT_TRUE(document) << error;
  EXPECT_EQ(document->title, "Qelt 2.13b Help");
  ASSERT_EQ(document->paragraphs.size(), 6u);
  EXPECT_EQ(document->paragraphs[0].rfind("Qelt is a small program for talking with other people", 0), 0u);
  EXPECT_NE(document->paragraphs[5].find("say which build you use."), std::string::npos);
}

TEST(HelpReader, Lz77BlocksUnpackByteByByte) {
  // One literal, then matches of 18 bytes at distance 1 until well past 16 KiB.
  std::vector<std::uint8_t> capped = {0xFE, 'x'};
  for (int i = 0; i < 7 + 8 * 120; i++) {
    if (i >= 7 && (i - 7) % 8 == 0) capped.push_back(0xFF);
    capped.insert(capped.end(), {0x00, 0xF0});
  }
  struct Case {
    const char* name;
    std::vector<std::uint8_t> packed;
    std::optional<std::string> expected;  // none: an error
  } cases[] = {
      {"literals", {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, "abcdefgh"},
      {"match longer than its distance", {0x04, 'a', 'b', 0x01, 0x30}, "abababab"},
      {"longest match, distance 1", {0x02, 'x', 0x00, 0xF0}, std::string(19, 'x')},
      {"far match", {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x01, 0x07, 0x00, 'Z'}, "abcdefghabcZ"},
      {"control byte partly used", {0x00, 'a'}, "a"},
      {"empty", {}, ""},
      {"16 KiB at most", capped, std::string(0x4000, 'x')},
      {"match before the block", {0x01, 0x00, 0x00}, std::nullopt},
      {"match reaching too far back", {0x02, 'a', 0x01, 0x00}, std::nullopt},
      {"match cut off", {0x02, 'a', 0x01}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    auto out = winhost::ExpandTopicBlock(c.packed, &error);
    ASSERT_EQ(out.has_value(), c.expected.has_value()) << error;
    if (out) EXPECT_EQ(std::string(out->begin(), out->end()), *c.expected);
    else EXPECT_NE(error, "");
  }
}

HelpRecipe Recipe(std::vector<Topic> topics, std::optional<size_t> contents, std::function<void(HelpRecipe&)> more = {}) {
  HelpRecipe recipe;
  recipe.topics = std::move(topics);
  recipe.contents = contents;
  if (more) more(recipe);
  return recipe;
}

void Compressed(HelpRecipe& recipe) {
  recipe.compress = true;
  recipe.block_data = 0x4000;
}

struct Fixture {
  const char* name;
  HelpRecipe recipe;
  std::vector<std::string> paragraphs;
};

std::vector<Fixture> GoodFixtures() {
  return {
      {"one plain block", Recipe({Small}, 0), Small.paragraphs},
      {"no contents record: the first topic", Recipe({Small, Later}, std::nullopt), Small.paragraphs},
      // The contents topic starts in block 1 after another topic's text there, and runs into block 2.
      {"contents topic in a later block", Recipe({Big, Small, Later}, 2), Later.paragraphs},
      {"packed block with overlapping matches",
       Recipe({{"Contents", {"Rule: " + std::string(40, '='), Sentence + Sentence + "end"}}}, 0, Compressed),
       {"Rule: " + std::string(40, '='), Sentence + Sentence + "end"}},
      // Block 0 unpacks to the full 16 KiB and its packed bytes are padded: the text of Huge
      // goes on in block 1, where Later begins.
      {"packed blocks, text across a full block", Recipe({Huge, Later}, 0, Compressed), Huge.paragraphs},
      {"packed blocks, contents after a full block", Recipe({Huge, Later}, 1, Compressed), Later.paragraphs},
      {"two-level directory", Recipe({Small}, 0, [](HelpRecipe& s) { s.two_level_directory = true; }), Small.paragraphs},
      {"commands and paragraph settings",
       Recipe({{"Contents", {"Line one\nLine two", "Name\tValue", "See \x01Setup\x02 for more"}}}, 0,
            [](HelpRecipe& s) { s.paragraph_bits = 0x12; }),
       {"Line one\nLine two", "Name\tValue", "See Setup for more"}},
  };
}

TEST(HelpReader, ReadsTitleAndContentsTopic) {
  for (const Fixture& fixture : GoodFixtures()) {
    SCOPED_TRACE(fixture.name);
    std::string error;
    auto document = winhost::ReadHelpFile(BuildHelp(fixture.recipe), &error);
    ASSERT_TRUE(document) << error;
    EXPECT_EQ(document->title, "Fixture Help");
    EXPECT_EQ(document->paragraphs, fixture.paragraphs);
  }
}

void Patch32(std::vector<std::uint8_t>& bytes, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; i++) bytes[at + i] = value >> (8 * i) & 0xFF;
}

TEST(HelpReader, BrokenAndUnsupportedFilesGiveErrors) {
  using Mutation = std::function<void(std::vector<std::uint8_t>&)>;
  auto recipe = [](std::function<void(HelpRecipe&)> change) { return Recipe({Small, Later}, 1, change); };
  struct Case {
    const char* name;
    HelpRecipe recipe;
    Mutation mutate;
    const char* error;  // part of the message
  } cases[] = {
      {"version 3.0", recipe([](HelpRecipe& s) { s.minor = 15; }), {}, "version"},
      {"phrase file", recipe([](HelpRecipe& s) { s.phrases = true; }), {}, "phrase"},
      {"phrase-compressed text", recipe([](HelpRecipe& s) { s.phrase_length = true; }), {}, "phrase"},
      {"unknown text command", recipe([](HelpRecipe& s) { s.extra_command = 0x86; }), {}, "unsupported command 0x86"},
      {"table in the contents topic", recipe([](HelpRecipe& s) { s.text_type = 0x23; }), {}, "tables"},
      {"link pointing back at itself", recipe([](HelpRecipe& s) { s.backward_link = true; }), {}, "next link"},
      {"contents offset of no topic", recipe([](HelpRecipe& s) { s.contents_offset = 0x1234; }), {}, "contents"},
      {"bad magic", recipe({}), [](auto& b) { b[0] = 0x3E; }, "magic"},
      {"file shorter than its header says", recipe({}), [](auto& b) { Patch32(b, 12, b.size() + 1); }, "file size"},
      {"directory beyond the end", recipe({}), [](auto& b) { Patch32(b, 4, b.size() + 100); }, "directory"},
      {"directory reserved space too small", recipe({}),
       [](auto& b) { Patch32(b, b[4] | b[5] << 8, 9); }, "reserved space"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = BuildHelp(c.recipe);
    if (c.mutate) c.mutate(bytes);
    std::string error;
    EXPECT_FALSE(winhost::ReadHelpFile(bytes, &error));
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

// Every cut and every changed byte: an error or a document, never a crash or a hang.
TEST(HelpReader, SurvivesTruncationAndCorruption) {
  for (const HelpRecipe& recipe : {Recipe({Small, Later}, 1), Recipe({Small, Later}, 1, Compressed)}) {
    const std::vector<std::uint8_t> good = BuildHelp(recipe);
    for (size_t length = 0; length < good.size(); length++) {
      std::vector<std::uint8_t> cut(good.begin(), good.begin() + length);
      std::string error;
      ASSERT_FALSE(winhost::ReadHelpFile(cut, &error)) << length;
      EXPECT_NE(error, "");
      if (length >= 16) {  // the header agreeing with the cut: the directory itself is cut
        Patch32(cut, 12, length);
        ASSERT_FALSE(winhost::ReadHelpFile(cut, &error)) << length;
      }
    }
    size_t failures = 0;
    for (size_t at = 0; at < good.size(); at++) {
      for (std::uint8_t value : {std::uint8_t(good[at] ^ 0xFF), std::uint8_t(0), std::uint8_t(0x7F)}) {
        std::vector<std::uint8_t> bad = good;
        bad[at] = value;
        std::string error;
        auto document = winhost::ReadHelpFile(bad, &error);
        if (!document) {
          failures++;
          ASSERT_NE(error, "") << at;
        } else {
          size_t text = 0;
          for (const std::string& p : document->paragraphs) text += p.size();
          ASSERT_LE(text, 16 * good.size()) << at;
        }
      }
    }
    EXPECT_GT(failures, 0u);
  }
}

}  // namespace
