// folder_text_test.cpp - hostile folder choices through the picker: names Windows forbids,
// trailing dots and spaces, device names, ".." components, texts of 258 to 260 characters.
// Whatever the platform makes of a choice, the program must install into exactly the folder
// shown on the Folder page or fail with its fatal-error message, and write nothing anywhere
// else: not elsewhere on the drive, not beside the drive on the host.
#include <gtest/gtest.h>

#include <ostream>
#include <set>

#include "setup_run.h"

namespace qelt::faults {
namespace {

const std::string DefaultText = "c:\\Program Files\\Qelt\\";

// Host folders (drive-relative) made before the run; a folder of 50 characters for the long cases.
const std::string L50(50, 'L');
const std::string Long4 = L50 + "/" + L50 + "/" + L50 + "/" + L50;  // 203 characters
const std::string Long4Win = L50 + "\\" + L50 + "\\" + L50 + "\\" + L50;

enum class Outcome { Installed, Refused };

struct Case {
  const char* name;
  std::vector<std::string> folders;  // made on the drive first
  std::string pick;                  // the picker's answer
  // Acceptable results: the folder text shown, and what happens with it. Installed means the
  // six files in the host folder `installedIn`; Refused means the fatal message and no change.
  struct Result {
    std::string text;
    Outcome outcome;
    std::string installedIn;
  };
  std::vector<Result> allowed;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string Chars(size_t n, char c) { return std::string(n, c); }

// A picked folder C:\<Long4>\<tail> whose folder text ("\Qelt\" appended) has `length` characters.
Case LongCase(const char* name, size_t length) {
  size_t tail = length - 6 - 3 - Long4Win.size() - 1;
  std::string t = Chars(tail, 'T');
  return {name, {Long4 + "/" + t}, "C:\\" + Long4Win + "\\" + t,
          {{"C:\\" + Long4Win + "\\" + t + "\\Qelt\\", Outcome::Refused, ""}}};
}

const Case Cases[] = {
    // A folder that Windows cannot have (here only on the host): the picker cannot return it.
    {"ForbiddenCharacters", {"Bad<Name"}, "C:\\Bad<Name", {{DefaultText, Outcome::Installed, "Program Files/Qelt"}}},
    {"ForbiddenPipe", {"A|B"}, "C:\\A|B", {{DefaultText, Outcome::Installed, "Program Files/Qelt"}}},
    // Windows drops a component's trailing dots and spaces: the choice names C:\Tools.
    {"TrailingDot", {"Tools"}, "C:\\Tools.",
     {{"C:\\Tools\\Qelt\\", Outcome::Installed, "Tools/Qelt"}, {DefaultText, Outcome::Installed, "Program Files/Qelt"}}},
    {"TrailingDotsAndSpaces", {"Tools"}, "C:\\Tools. .",
     {{"C:\\Tools\\Qelt\\", Outcome::Installed, "Tools/Qelt"}, {DefaultText, Outcome::Installed, "Program Files/Qelt"}}},
    // A host folder named after a device: never the device, never a host file of that name.
    {"DeviceCon", {"CON"}, "C:\\CON",
     {{"C:\\CON\\Qelt\\", Outcome::Refused, ""}, {DefaultText, Outcome::Installed, "Program Files/Qelt"},
      {"C:\\CON\\Qelt\\", Outcome::Installed, "CON/Qelt"}}},
    {"DeviceCom1", {"Apps/COM1"}, "C:\\Apps\\COM1",
     {{"C:\\Apps\\COM1\\Qelt\\", Outcome::Refused, ""}, {DefaultText, Outcome::Installed, "Program Files/Qelt"},
      {"C:\\Apps\\COM1\\Qelt\\", Outcome::Installed, "Apps/COM1/Qelt"}}},
    {"DeviceNulWithExtension", {"Apps/nul.txt"}, "C:\\Apps\\nul.txt",
     {{"C:\\Apps\\nul.txt\\Qelt\\", Outcome::Refused, ""}, {DefaultText, Outcome::Installed, "Program Files/Qelt"},
      {"C:\\Apps\\nul.txt\\Qelt\\", Outcome::Installed, "Apps/nul.txt/Qelt"}}},
    // ".." resolves within the drive and stops at its root; it never reaches the host beside it.
    {"DotDot", {"Apps"}, "C:\\Program Files\\..\\Apps",
     {{"C:\\Apps\\Qelt\\", Outcome::Installed, "Apps/Qelt"}, {DefaultText, Outcome::Installed, "Program Files/Qelt"}}},
    {"DotDotAboveRoot", {"Apps"}, "C:\\..\\..\\..\\Apps",
     {{"C:\\Apps\\Qelt\\", Outcome::Installed, "Apps/Qelt"}, {DefaultText, Outcome::Installed, "Program Files/Qelt"}}},
    // Long but within every limit: installed where chosen.
    {"Long246", {Long4 + "/" + Chars(246 - 6 - 3 - Long4Win.size() - 1, 'T')},
     "C:\\" + Long4Win + "\\" + Chars(246 - 6 - 3 - Long4Win.size() - 1, 'T'),
     {{"C:\\" + Long4Win + "\\" + Chars(246 - 6 - 3 - Long4Win.size() - 1, 'T') + "\\Qelt\\", Outcome::Installed,
       Long4 + "/" + Chars(246 - 6 - 3 - Long4Win.size() - 1, 'T') + "/Qelt"}}},
    // Past the folder-creation limit, the file names past MAX_PATH; at 260 the text is cut to
    // 259 and loses its backslash, which must not put files beside the folder.
    LongCase("Text258", 258),
    LongCase("Text259", 259),
    LongCase("Text260", 260),
};

class FolderText : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qelt-folder-text-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  fs::path base_;
};

std::string ShownFolder(const RunResult& run) {
  std::string text;
  for (const std::string& line : run.trace) {
    size_t at = line.find("[1042 \"");
    if (at == std::string::npos) continue;
    size_t end = line.find("\"]", at + 7);
    text = line.substr(at + 7, end - at - 7);
  }
  // The trace writes a backslash as it is; only quotes and line feeds are escaped.
  return text;
}

TEST_P(FolderText, InstallsOnlyIntoTheFolderShown) {
  const Case& c = GetParam();
  fs::path host = base_ / "host", drive = host / "drive_c";
  fs::create_directories(drive / "Program Files");
  for (const std::string& folder : c.folders) fs::create_directories(drive / folder);
  WriteText(drive / "autoexec.bat", "@echo off\r\n");
  Tree before = Snapshot(host);

  std::string pick = Next + "click 1041\npick " + c.pick + "\n" + Next;
  RunResult run = RunSetup(drive, base_, pick + "answer ok\n");
  if (!run.Has(FatalBox)) run = RunSetup(drive, base_, pick + Next + Next);
  SCOPED_TRACE(run.Text());
  ASSERT_EQ(run.exitCode, 0);
  ASSERT_TRUE(run.Has("exit 0"));
  std::string shown = ShownFolder(run);
  Outcome outcome = run.Has(FatalBox) ? Outcome::Refused : Outcome::Installed;

  const Case::Result* match = nullptr;
  for (const Case::Result& r : c.allowed)
    if (r.text == shown && r.outcome == outcome) match = &r;
  ASSERT_NE(match, nullptr) << "folder text \"" << shown << "\", "
                            << (outcome == Outcome::Installed ? "installed" : "refused") << ": not an allowed answer";

  Tree after = Snapshot(host);
  if (outcome == Outcome::Refused) {
    EXPECT_EQ(after, before) << Differences(before, after);
    return;
  }
  std::string prefix = "drive_c/" + match->installedIn + "/";
  Tree installed = Inside(after, prefix);
  std::set<std::string> names;
  for (const auto& [name, content] : installed) names.insert(name.substr(prefix.size()));
  EXPECT_EQ(names, (std::set<std::string>{"", "aliases.qlt", "qelt.hlp", "qelt_ws2.exe", "servers.qlt",
                                          "tessmorw.exe", "vornel.txt"}));
  EXPECT_EQ(installed[prefix + "qelt.hlp"], ReadText(PayloadDir / "qelt.hlp"));
  // Outside the installation folder only the folder itself may be new.
  Tree outside = Inside(after, prefix, false);
  outside.erase(prefix);
  EXPECT_EQ(outside, before) << Differences(before, outside);
}

INSTANTIATE_TEST_SUITE_P(Choices, FolderText, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qelt::faults
