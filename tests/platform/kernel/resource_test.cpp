// resource_test.cpp - module resources over a .res image built by windres from fixture.rc,
// and the image parser's answer to malformed images.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "kernel/error.h"
#include "kernel/module.h"
#include "kernel/resfile.h"

namespace winhost {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FixtureImage() {
  std::ifstream in(RESOURCE_FIXTURE, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string Text(HMODULE module, HRSRC found) {
  const char* bytes = static_cast<const char*>(LoadResource(module, found));
  return bytes ? std::string(bytes, SizeofResource(module, found)) : "<not loaded>";
}

struct LookupCase {
  LPCSTR name;
  LPCSTR type;
  const char* content;  // nullptr: not found
  DWORD error;
};

TEST(ResourceTest, FindsByOrdinalAndByNameWithoutRegardToCase) {
  Bytes image = FixtureImage();
  ASSERT_FALSE(image.empty()) << RESOURCE_FIXTURE;
  HMODULE module = LoadResModule(image);
  ASSERT_NE(module, nullptr);
  const LookupCase cases[] = {
      {MAKEINTRESOURCEA(137), "FILE", "abc", 0},
      {"#137", "file", "abc", 0},
      {"greeting", "mytype", "hello", 0},
      {"GREETING", "MyType", "hello", 0},
      {MAKEINTRESOURCEA(7), MAKEINTRESOURCEA(10), "x", 0},  // RT_RCDATA
      {MAKEINTRESOURCEA(7), "FILE", "russian", 0},
      {MAKEINTRESOURCEA(140), "FILE", "", 0},
      {MAKEINTRESOURCEA(138), "FILE", nullptr, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"greetings", "MYTYPE", nullptr, ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEA(137), "FILES", nullptr, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {MAKEINTRESOURCEA(137), MAKEINTRESOURCEA(10), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const LookupCase& c : cases) {
    std::string label = IS_INTRESOURCE(c.name) ? std::to_string(LOWORD(c.name)) : c.name;
    HRSRC found = FindResourceA(module, c.name, c.type);
    if (!c.content) {
      EXPECT_EQ(found, nullptr) << label;
      EXPECT_EQ(GetLastError(), c.error) << label;
      continue;
    }
    ASSERT_NE(found, nullptr) << label;
    EXPECT_EQ(Text(module, found), c.content) << label;
  }
}

// LoadResource hands out the module's own bytes, the same each time, not a copy.
TEST(ResourceTest, LoadedBytesAreTheModulesInPlace) {
  Bytes image = FixtureImage();
  HMODULE module = LoadResModule(image);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(137), "FILE");
  ASSERT_NE(found, nullptr);
  const void* first = LoadResource(module, found);
  EXPECT_EQ(first, LoadResource(module, found));
  EXPECT_EQ(std::memcmp(first, "abc", 3), 0);
  // An empty resource loads (its size says there is nothing); a foreign handle does not.
  HRSRC empty = FindResourceA(module, MAKEINTRESOURCEA(140), "FILE");
  EXPECT_NE(LoadResource(module, empty), nullptr);
  EXPECT_EQ(SizeofResource(module, empty), 0u);
  HMODULE other = LoadResModule(image);
  EXPECT_EQ(LoadResource(other, found), nullptr);
  EXPECT_EQ(SizeofResource(other, found), 0u);
}

// This test binary links no resources of its own: the main module has none.
TEST(ResourceTest, MainModuleWithoutLinkedResourcesHasNone) {
  EXPECT_NE(MainModule(), nullptr);
  EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(137), "FILE"), nullptr);
  EXPECT_EQ(FindResourceA(MainModule(), MAKEINTRESOURCEA(137), "FILE"), nullptr);
}

// Whatever the bytes, the parser returns and every span it gives lies within the image.
void ExpectSafe(const Bytes& image) {
  std::optional<std::vector<ResEntry>> entries = ParseResImage(image);
  if (!entries) return;
  for (const ResEntry& e : *entries) {
    if (e.data.empty()) continue;
    ASSERT_GE(e.data.data(), image.data());
    ASSERT_LE(e.data.data() + e.data.size(), image.data() + image.size());
  }
}

void Put32(Bytes& image, size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; i++) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(ResourceTest, MalformedImagesAreRefused) {
  const Bytes image = FixtureImage();
  ASSERT_GT(image.size(), 64u);
  ASSERT_TRUE(ParseResImage(image));
  constexpr size_t Second = 32;  // the first real entry follows the 32-byte leading entry
  struct Mutation {
    const char* what;
    std::function<void(Bytes&)> apply;
  };
  const Mutation mutations[] = {
      {"empty image", [](Bytes& b) { b.clear(); }},
      {"no leading entry", [](Bytes& b) { b.erase(b.begin(), b.begin() + Second); }},
      {"header size beyond the image", [](Bytes& b) { Put32(b, Second + 4, 0xFFFFFFF0u); }},
      {"header size below the minimum", [](Bytes& b) { Put32(b, Second + 4, 16); }},
      {"data size beyond the image", [](Bytes& b) { Put32(b, Second, 0xFFFFFFFFu); }},
      {"data size one past the image", [&](Bytes& b) { Put32(b, Second, static_cast<std::uint32_t>(b.size())); }},
      {"type string without its end", [](Bytes& b) {
         Put32(b, Second + 4, 32);
         std::fill(b.begin() + Second + 8, b.begin() + Second + 32, 'A');
       }},
      {"cut in an entry header", [](Bytes& b) { b.resize(Second + 6); }},
  };
  for (const Mutation& m : mutations) {
    Bytes bad = image;
    m.apply(bad);
    std::string why;
    EXPECT_FALSE(ParseResImage(bad, &why)) << m.what;
    EXPECT_THAT(why, ::testing::HasSubstr("expected")) << m.what;
    EXPECT_EQ(LoadResModule(bad), nullptr) << m.what;
  }
  // Every cut of the image, and many random corruptions of it.
  for (size_t size = 0; size < image.size(); size++) ExpectSafe(Bytes(image.begin(), image.begin() + size));
  std::mt19937 random(2013);
  for (int round = 0; round < 20000; round++) {
    Bytes bad = image;
    for (int flips = 1 + random() % 4; flips > 0; flips--) bad[random() % bad.size()] = static_cast<std::uint8_t>(random());
    ExpectSafe(bad);
  }
}

}  // namespace
}  // namespace winhost
