// szdd_main_test.cpp: the szdd command's pack, expand and info, and its failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "szdd_pack.h"
#include "test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;
using szdd_test::Quote;
using szdd_test::ReadBytes;
using szdd_test::RunCommand;
using szdd_test::ScratchDir;
using szdd_test::WriteBytes;

class SzddCommandTest : public testing::Test {
 protected:
  // Runs szdd with `args`; stdout and stderr land in out_ and err_.
  int Szdd(const std::string& args) {
    const int status = RunCommand(std::string(SZDD_PATH) + " " + args + " > " + Quote(dir_ / "stdout") + " 2> " +
                           Quote(dir_ / "stderr"));
    const Bytes out = ReadBytes(dir_ / "stdout"), err = ReadBytes(dir_ / "stderr");
    out_.assign(out.begin(), out.end());
    err_.assign(err.begin(), err.end());
    return status;
  }

  // Everything in the folder except the captured streams.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : szdd_test::fs::directory_iterator(dir_.path())) {
      const std::string name = e.path().filename().string();
      if (name != "stdout" && name != "stderr") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchDir dir_;
  std::string out_, err_;
};

TEST_F(SzddCommandTest, PacksExpandsAndDescribes) {
  Bytes input;
  for (int i = 0; i < 20000; ++i) input.push_back(static_cast<uint8_t>(i * i >> 5));
  WriteBytes(dir_ / "data.bin", input);

  ASSERT_EQ(Szdd("pack " + Quote(dir_ / "data.bin") + " " + Quote(dir_ / "data.bi_")), 0) << err_;
  const Bytes packed = ReadBytes(dir_ / "data.bi_");
  EXPECT_EQ(packed, szdd::Pack(input));

  ASSERT_EQ(Szdd("expand " + Quote(dir_ / "data.bi_") + " " + Quote(dir_ / "copy.bin")), 0) << err_;
  EXPECT_TRUE(ReadBytes(dir_ / "copy.bin") == input);

  ASSERT_EQ(Szdd("info " + Quote(dir_ / "data.bi_")), 0) << err_;
  EXPECT_NE(out_.find("mode: 0x41 'A'"), std::string::npos) << out_;
  EXPECT_NE(out_.find("missing character: 0x00"), std::string::npos) << out_;
  EXPECT_NE(out_.find("expanded size: 20000\n"), std::string::npos) << out_;
  EXPECT_NE(out_.find("packed size: " + std::to_string(packed.size()) + "\n"), std::string::npos) << out_;
  EXPECT_NE(out_.find("ratio: "), std::string::npos) << out_;
  EXPECT_EQ(Files(), (std::vector<std::string>{"copy.bin", "data.bi_", "data.bin"}));
}

TEST_F(SzddCommandTest, EmptyFileRoundTrips) {
  WriteBytes(dir_ / "empty", {});
  ASSERT_EQ(Szdd("pack " + Quote(dir_ / "empty") + " " + Quote(dir_ / "empty.sz")), 0) << err_;
  EXPECT_EQ(ReadBytes(dir_ / "empty.sz").size(), 16u);
  WriteBytes(dir_ / "out", Bytes{1, 2, 3});
  ASSERT_EQ(Szdd("expand " + Quote(dir_ / "empty.sz") + " " + Quote(dir_ / "out")), 0) << err_;
  EXPECT_TRUE(ReadBytes(dir_ / "out").empty());
}

// A failed command leaves OUT as it was and no temporary behind, and says which file
// was wrong, what was expected and what was found.
TEST_F(SzddCommandTest, FailureLeavesOutputUntouched) {
  const Bytes good = szdd::Pack(Bytes(5000, 'q'));
  Bytes truncated(good.begin(), good.end() - 1);
  WriteBytes(dir_ / "plain.txt", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!'});
  WriteBytes(dir_ / "short.sz", truncated);
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"expand " + Quote(dir_ / "plain.txt") + " " + Quote(dir_ / "out"), "plain.txt: expected SZDD magic"},
      {"expand " + Quote(dir_ / "short.sz") + " " + Quote(dir_ / "out"),
       "short.sz: expected 5000 expanded bytes, found a stream that ends after"},
      {"expand " + Quote(dir_ / "missing") + " " + Quote(dir_ / "out"), "missing: expected a readable file"},
      {"pack " + Quote(dir_ / "missing") + " " + Quote(dir_ / "out"), "missing: expected a readable file"},
      {"pack " + Quote(dir_.path()) + " " + Quote(dir_ / "out"), "expected a readable file, found a folder"},
      {"info " + Quote(dir_ / "plain.txt"), "plain.txt: expected SZDD magic"},
      {"pack " + Quote(dir_ / "plain.txt") + " " + Quote(dir_ / "no-such-dir" / "out"), "expected a writable file"},
  };
  const Bytes before{'k', 'e', 'e', 'p'};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    WriteBytes(dir_ / "out", before);
    EXPECT_EQ(Szdd(c.args), 1);
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_EQ(ReadBytes(dir_ / "out"), before);
    EXPECT_EQ(Files(), (std::vector<std::string>{"out", "plain.txt", "short.sz"}));
  }
}

TEST_F(SzddCommandTest, BadArgumentsPrintUsage) {
  for (const char* args : {"", "pack onlyone", "expand a", "info", "info a b", "squash a b", "pack a b c"}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Szdd(args), 2);
    EXPECT_NE(err_.find("usage: szdd pack IN OUT"), std::string::npos) << err_;
  }
}

}  // namespace
