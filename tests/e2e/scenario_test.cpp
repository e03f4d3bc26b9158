// scenario_test.cpp - the built setup program run end to end: a script plays the user, and the
// trace, the installed files and the exit code are checked. One table row per scenario.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string Program = QELT_BINARY_DIR "/qelt-setup";
const fs::path Payload = QELT_BINARY_DIR "/res/payload";

// Installed name -> the payload file its bytes must equal.
using Files = std::map<std::string, std::string>;
const Files Common = {{"aliases.qlt", "aliases.qlt"}, {"qelt.hlp", "qelt.hlp"},
                      {"vornel.txt", "vornel.txt"},   {"servers.qlt", "servers.qlt"}};
Files With(Files files, const Files& more) {
  files.insert(more.begin(), more.end());
  return files;
}
const Files WinSock1 = With(Common, {{"qelt_ws1.exe", "qelt_ws1.exe"}, {"tessmorw.exe", "tessmorw_ws1.exe"}});
const Files WinSock2 = With(Common, {{"qelt_ws2.exe", "qelt_ws2.exe"}, {"tessmorw.exe", "tessmorw_ws2.exe"}});
// Every row in order: row 4's build ends up under the name that rows 3 and 4 share.
const Files AllRows = With(WinSock2, {{"qelt_ws1.exe", "qelt_ws1.exe"}});

const std::string Next = "click 1031", Browse = "click 1041", ViewHelp = "click 1027";
const std::string WelcomeWs1 = "[1034 \"WinSock1 version would be installed\\n\\nPress Next to continue\"]";
const std::string WelcomeWs2 = "[1034 \"WinSock2 version would be installed\\n\\nPress Next to continue\"]";
const std::string WelcomeNone = "[1034 \"Choose Next to continue.\"]";
const std::string InstallingWs1 = "[1039 \"Installing Qelt 2.13b, WinSock1 version...\"]";
const std::string InstallingWs2 = "[1039 \"Installing Qelt 2.13b, WinSock2 version...\"]";
const std::string Done = "[1039 \"All files successfully installed\"]";
const std::string Panic =
    "msgbox \"Qelt setup : Panic\" \"Are you sure you want\\nto abort installation process?\" "
    "MB_YESNO|MB_ICONQUESTION owner dialog";
const std::string Fatal =
    "msgbox \"Qelt setup : Fatal Error\" \"Could not install Qelt\\n\\nPossible reason: one or more files are in "
    "use\\nplease close all Qelt related apps and try again!\" MB_OK|MB_ICONERROR owner dialog";
const std::string Unsupported = "msgbox \"Qelt setup : Setup\" \"Unsupported OS version\" MB_OK|MB_ICONERROR no owner";
const std::string NoSystem =
    "msgbox \"Qelt setup : Question\" \"Are you sure you have\\nan Operating System installed?\" "
    "MB_OK|MB_ICONQUESTION no owner";
const std::string DefaultFolder = "[1042 \"c:\\Program Files\\Qelt\\\"]";
const std::string Help = "winhelp HELP_CONTENTS c:\\Program Files\\Qelt\\qelt.hlp";

// A folder name of 50 characters; five of them under C:\ make a path of 257.
const std::string Long50(50, 'L');
const std::string LongPath = "C:\\" + Long50 + "\\" + Long50 + "\\" + Long50 + "\\" + Long50 + "\\" + Long50;

struct Scenario {
  std::string name;
  std::string version;
  std::vector<std::string> script;
  // Trace fragments that lines must contain, in this order; "=" first: on the very next line.
  std::vector<std::string> expect;
  std::vector<std::string> absent = {};       // on no line
  std::string folder = "c/Program Files/Qelt";  // where the files go, under the run's folder
  Files files = {};                           // exactly these files there (none: folder absent or empty)
  std::function<void(const fs::path& run)> prepare = nullptr;
  std::vector<std::pair<std::string, std::string>> env = {};
  int exitCode = 0;
  std::string stderrText = "";  // a fragment that stderr must contain
};

std::vector<std::string> Lines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Repeat(std::vector<std::string> lines, int times) {
  std::vector<std::string> out;
  while (times-- > 0) out.insert(out.end(), lines.begin(), lines.end());
  return out;
}

void MakeFolder(const fs::path& run, const std::string& relative) { fs::create_directories(run / relative); }

// The walk up to the Finished page, then Finish.
const std::vector<std::string> FullRun = {Next, Next, Next, Next};

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> s;
  // The Windows releases: variant, note, status line, files.
  struct Release {
    const char* name;
    const char* version;
    const std::string& welcome;
    const std::string& installing;
    const Files& files;
  } releases[] = {
      {"Windows95", "1:4.0", WelcomeWs1, InstallingWs1, WinSock1},
      {"Windows98", "1:4.10", WelcomeWs2, InstallingWs2, WinSock2},
      {"WindowsMe", "1:4.90", WelcomeWs2, InstallingWs2, WinSock2},
      {"WindowsNT351", "2:3.51", WelcomeWs1, InstallingWs1, WinSock1},
      {"WindowsNT4", "2:4.0", WelcomeWs2, InstallingWs2, WinSock2},
      {"Windows10", "2:10.0", WelcomeWs2, InstallingWs2, WinSock2},
  };
  for (const Release& r : releases)
    s.push_back({r.name, r.version, FullRun,
                 {"dialog \"Quillmere 2.13b setup\" shown", "page", r.welcome, "[1031 \"> &Next\" enabled focus]",
                  "user click 1031", DefaultFolder, "user click 1031", r.installing, "progress 0/8", "progress 8/8",
                  Done, "user click 1031", "[1031 \"&Finish\" enabled focus]", "user click 1031", "=enddialog 1",
                  "=exit 0"},
                 {"msgbox", "winhelp"},
                 "c/Program Files/Qelt",
                 r.files});

  // The variant selection's two messages: the wizard goes on, without focus, and installs all rows.
  struct Stop {
    const char* name;
    const char* version;
    const std::string& message;
  } stops[] = {{"UnsupportedVersion", "1:3.95", Unsupported},
               {"Win32sVersion3", "0:3.10", Unsupported},
               {"UnknownFamily", "3:4.0", NoSystem},
               {"Win32sFamily4", "0:4.0", NoSystem},
               {"VersionQueryFails", "fail", Unsupported}};
  for (const Stop& stop : stops)
    s.push_back({stop.name, stop.version, {"answer ok", Next, Next, Next, Next},
                 {stop.message, "=msgbox -> ok", "=dialog", "=page", WelcomeNone, "[1031 \"> &Next\" enabled] [-1 icon]",
                  InstallingWs2, "progress 8/8", Done, "enddialog 1", "exit 0"},
                 {Panic},
                 "c/Program Files/Qelt",
                 AllRows});

  // Cancel on every page: Esc and Yes ends the dialog with what was installed so far; Close
  // from the window menu and No leaves the page as it was, and the wizard goes on to Finish.
  for (int page = 0; page < 4; page++) {
    std::vector<std::string> before(FullRun.begin(), FullRun.begin() + page);
    std::vector<std::string> yes = before, no = before;
    yes.insert(yes.end(), {"key esc", "answer yes"});
    no.insert(no.end(), {"menu close", "answer no"});
    no.insert(no.end(), FullRun.begin() + page, FullRun.end());
    std::string which = std::to_string(page);
    s.push_back({"CancelYesOnPage" + which, "1:4.10", yes,
                 {"user key esc", "=" + Panic, "=msgbox -> yes", "=enddialog 0", "=exit 0"},
                 {"winhelp", "enddialog 1"},
                 "c/Program Files/Qelt",
                 page >= 2 ? WinSock2 : Files{}});
    s.push_back({"CancelNoOnPage" + which, "1:4.10", no,
                 {"user menu close", "=" + Panic, "=msgbox -> no", "=user", "enddialog 1", "=exit 0"},
                 {"enddialog 0"},
                 "c/Program Files/Qelt",
                 WinSock2});
  }

  s.push_back({"FinishWithHelp", "2:4.0", {Next, Next, Next, ViewHelp, Next},
               {"user click 1027",
                "=state [1031 \"&Finish\" enabled] [-1 icon] [1035 \"Congratulations, Qelt 2.13b setup\\n has completed "
                "successfully!\"] [1037 \"Press Finish to quit setup\"] [1027 \"View help after the setup\" enabled "
                "checked focus]",
                "=user click 1031", "=" + Help + " \"", "=enddialog 1", "=exit 0"},
               {"msgbox"},
               "c/Program Files/Qelt",
               WinSock2});
  s.push_back({"FinishHelpTickedTwice", "2:4.0", {Next, Next, Next, ViewHelp, ViewHelp, Next},
               {"unchecked focus]", "=user click 1031", "=enddialog 1"},
               {"winhelp"},
               "c/Program Files/Qelt",
               WinSock2});

  // The folder picker.
  // A drive folder made by the test has no Program Files unless the test makes one.
  auto tools = [](const fs::path& run) {
    MakeFolder(run, "c/Tools");
    MakeFolder(run, "c/Program Files");
  };
  s.push_back({"BrowseToFolder", "1:4.10", {Next, Browse, "pick C:\\Tools", Next, Next, ViewHelp, Next},
               {"picker \"Select a folder for Qelt installation\" opened", "[1042 \"C:\\Tools\\Qelt\\\"]",
                "winhelp HELP_CONTENTS C:\\Tools\\Qelt\\qelt.hlp \"", "enddialog 1"},
               {},
               "c/Tools/Qelt",
               WinSock2,
               tools});
  s.push_back({"BrowseToDriveRoot", "1:4.0", {Next, "alt b", "pick D:\\", Next, Next, Next},
               {"user alt b", "[1042 \"D:\\Qelt\\\"]", InstallingWs1, "progress 8/8", "enddialog 1"},
               {"D:\\\\Qelt"},
               "d/Qelt",
               WinSock1,
               [](const fs::path& run) { MakeFolder(run, "d"); },
               {{"WINHOST_DRIVE_D", "d"}}});
  s.push_back({"BrowseToFolderNamedQelt", "1:4.10", {Next, Browse, "pick C:\\Apps\\Qelt", Next, Next, Next},
               {"[1042 \"C:\\Apps\\Qelt\\Qelt\\\"]", "progress 8/8", "enddialog 1"},
               {},
               "c/Apps/Qelt/Qelt",
               WinSock2,
               [](const fs::path& run) { MakeFolder(run, "c/Apps/Qelt"); }});
  s.push_back({"BrowseToMyComputer", "1:4.10", {Next, Browse, "pick mycomputer", Next, Next, Next},
               {"-> My Computer", DefaultFolder, "progress 8/8", "enddialog 1"},
               {},
               "c/Program Files/Qelt",
               WinSock2});
  s.push_back({"BrowseCancelledAfterChoice", "1:4.10",
               {Next, Browse, "pick C:\\Tools", Browse, "pick cancel", Next, Next, Next},
               {"[1042 \"C:\\Tools\\Qelt\\\"]", "-> cancel", DefaultFolder, "progress 8/8", "enddialog 1"},
               {},
               "c/Program Files/Qelt",
               WinSock2,
               tools});

  // Failures of the installation: the fatal message once, no question, the dialog closes.
  s.push_back({"ProgramFilesMissing", "1:4.10", {Next, Next, "answer ok"},
               {DefaultFolder, "progress 0/8", "=" + Fatal, "=msgbox -> ok", "=enddialog 0", "=exit 0"},
               {"Panic", "progress 1/8"},
               "c",
               {},
               [](const fs::path& run) { MakeFolder(run, "c"); }});
  // Row 5 (qelt.hlp) cannot be written where a folder holds its packed name: rows 0, 1 and 3
  // stay, and the bar counts the two left-out rows too.
  s.push_back({"FailedRowInTheMiddle", "1:4.0", {Next, Next, "answer ok"},
               {"progress 5/8", "=" + Fatal, "=msgbox -> ok", "=enddialog 0", "=exit 0"},
               {"Panic", "progress 6/8"},
               "c/Program Files/Qelt",
               {{"aliases.qlt", "aliases.qlt"}, {"qelt_ws1.exe", "qelt_ws1.exe"}, {"tessmorw.exe", "tessmorw_ws1.exe"}},
               [](const fs::path& run) { MakeFolder(run, "c/Program Files/Qelt/qelt.hl_"); }});
  // A folder text cut at 259 characters has lost its closing backslash: nothing is created.
  std::string longText = LongPath + "\\Qelt\\";
  s.push_back({"OverlongFolder", "1:4.10", {Next, Browse, "pick " + LongPath, Next, "answer ok"},
               {"[1042 \"" + LongPath + "\\Qelt\\\"]", "progress 0/8", "=" + Fatal, "=msgbox -> ok", "=enddialog 0"},
               {"Panic", "progress 1/8"},
               "c/" + Long50 + "/" + Long50 + "/" + Long50 + "/" + Long50 + "/" + Long50,
               {},
               [](const fs::path& run) {
                 MakeFolder(run, "c/Program Files");
                 MakeFolder(run, "c/" + Long50 + "/" + Long50 + "/" + Long50 + "/" + Long50 + "/" + Long50);
               }});

  // Keyboard: after the run nothing has the focus, so Enter is IDOK and does nothing until
  // Tab or Alt+N reach Next.
  s.push_back({"EnterOnIdokDoesNothing", "1:4.10",
               {"key enter", "key enter", "key enter", "key tab", "key enter", "key enter"},
               {"user key enter", DefaultFolder, "user key enter", InstallingWs2, Done, "user key enter",
                "=user key tab", "=state [1031 \"&Next\" enabled focus]", "=user key enter",
                "=page [1031 \"&Finish\" enabled focus]", "=user key enter", "=enddialog 1"},
               {"winhelp", "ignored"},
               "c/Program Files/Qelt",
               WinSock2});
  s.push_back({"MnemonicsAndTabStops", "1:4.10",
               {"key tab", "alt n", "key tab", "key tab", "alt b", "pick cancel", "alt n", "alt n", "key tab",
                "key space", "alt x", "alt f"},
               {"user key tab", "=user alt n", "=page [1031 \"> &Next\" enabled focus]", "user key tab",
                "=state [1031 \"> &Next\" enabled] [-1 icon] [1040", "[1041 \"&Browse\" enabled focus]", "user key tab",
                "=state [1031 \"> &Next\" enabled focus]", "user alt b", "=picker", "user alt n",
                "page [1031 \"> &Next\" disabled]", Done, "user alt n", "=page [1031 \"&Finish\" enabled focus]",
                "user key tab", "=state", "[1027 \"View help after the setup\" enabled unchecked focus]", "user key space",
                "=state", "enabled checked focus]", "user alt x", "=ignored: no control has that mnemonic", "user alt f",
                "=" + Help, "=enddialog 1"},
               {},
               "c/Program Files/Qelt",
               WinSock2});
  // Clicks that reach nothing: hidden, disabled and missing controls.
  s.push_back({"ClicksOnHiddenControls", "1:4.10", {Browse, ViewHelp, "click 1038", "click 999", Next, Next, Next, Next},
               {"user click 1041", "=ignored: hidden", "user click 1027", "=ignored: hidden", "user click 1038",
                "=ignored: hidden", "user click 999", "=ignored: no such control", "enddialog 1"},
               {"winhelp"},
               "c/Program Files/Qelt",
               WinSock2});

  s.push_back({"WithoutProgressBar", "1:4.10", FullRun,
               {"dialog skips control 1038: class \"msctls_progress32\" is not registered",
                "page [1031 \"> &Next\" disabled] [-1 icon] " + InstallingWs2, Done, "enddialog 1", "exit 0"},
               {"progress ", "[1038"},
               "c/Program Files/Qelt",
               WinSock2,
               nullptr,
               {{"WINHOST_NO_PROGRESS", "1"}}});

  // Scripts that do not fit the run stop the process with the platform's code 3.
  s.push_back({"ScriptEndsWithDialogOpen", "1:4.10", {Next},
               {"user click 1031", "stopped: script", "=exit 3"}, {}, "c/Program Files/Qelt", {}, nullptr, {}, 3,
               "found the end of the script"});
  s.push_back({"BoxWithoutAnswer", "1:4.10", {"key esc", Next},
               {Panic, "=stopped: script"}, {"msgbox ->"}, "c/Program Files/Qelt", {}, nullptr, {}, 3,
               "expected answer yes|no, found line 2 \"click 1031\""});
  s.push_back({"AnswerWithoutBox", "1:4.10", {"answer yes"},
               {"stopped: script"}, {}, "c/Program Files/Qelt", {}, nullptr, {}, 3, "found line 1 \"answer yes\""});
  s.push_back({"ScriptLinesLeftOver", "1:4.10", Repeat(FullRun, 2),
               {"enddialog 1", "=exit 0", "=stopped: script"}, {}, "c/Program Files/Qelt", WinSock2, nullptr, {}, 3,
               "were never used"});
  return s;
}

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class EndToEnd : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qelt-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    run_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(run_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(run_, ec);
  }
  fs::path run_;
};

TEST_P(EndToEnd, Runs) {
  const Scenario& s = GetParam();
  if (s.prepare) s.prepare(run_);
  {
    std::ofstream script(run_ / "script.txt");
    for (const std::string& line : s.script) script << line << "\n";
  }
  std::string command = "WINHOST_DRIVE_C='" + (run_ / "c").string() + "' WINHOST_VERSION='" + s.version +
                        "' WINHOST_UI='script:" + (run_ / "script.txt").string() + "' WINHOST_TRACE='" +
                        (run_ / "trace.txt").string() + "'";
  for (const auto& [name, value] : s.env) command += " " + name + "='" + (name.starts_with("WINHOST_DRIVE_") ? (run_ / value).string() : value) + "'";
  command += " '" + Program + "' </dev/null >'" + (run_ / "stdout.txt").string() + "' 2>'" + (run_ / "stderr.txt").string() + "'";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << command;

  std::vector<std::string> trace = Lines(run_ / "trace.txt");
  std::string whole;
  for (const std::string& line : trace) whole += line + "\n";
  std::string errors = Read(run_ / "stderr.txt");
  EXPECT_EQ(WEXITSTATUS(status), s.exitCode) << "stderr:\n" << errors << "trace:\n" << whole;
  if (!s.stderrText.empty()) EXPECT_NE(errors.find(s.stderrText), std::string::npos) << errors;

  // Each fragment is looked for after the previous one, on the same line or a later one.
  size_t line = 0, column = 0;
  for (const std::string& wanted : s.expect) {
    bool next = wanted.starts_with("=");
    std::string fragment = next ? wanted.substr(1) : wanted;
    size_t found = std::string::npos;
    if (next) {
      line = column == 0 ? line : line + 1;
      if (line < trace.size()) found = trace[line].find(fragment);
    } else {
      for (; line < trace.size(); line++, column = 0)
        if ((found = trace[line].find(fragment, column)) != std::string::npos) break;
    }
    ASSERT_NE(found, std::string::npos) << (next ? "the next line" : "a later line") << " should contain\n  "
                                        << fragment << "\nsearched from trace line " << line + 1 << ":\n" << whole;
    column = found + fragment.size();
  }
  for (const std::string& fragment : s.absent)
    EXPECT_EQ(whole.find(fragment), std::string::npos) << "no line should contain " << fragment << "\ntrace:\n" << whole;

  // Exactly the expected files, each equal to its payload file: no packed copy is left.
  fs::path folder = run_ / s.folder;
  std::map<std::string, std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    found[entry.path().filename().string()] = entry.is_directory() ? "(folder)" : Read(entry.path());
  if (s.name == "FailedRowInTheMiddle") found.erase("qelt.hl_");  // the folder that made the row fail
  std::map<std::string, std::string> expected;
  for (const auto& [installed, payload] : s.files) {
    ASSERT_TRUE(fs::exists(Payload / payload)) << Payload / payload;
    expected[installed] = Read(Payload / payload);
  }
  for (const auto& [name, bytes] : found)
    EXPECT_TRUE(expected.count(name)) << folder / name << " should not be there";
  for (const auto& [name, bytes] : expected) {
    ASSERT_TRUE(found.count(name)) << folder / name << " is missing\ntrace:\n" << whole;
    EXPECT_TRUE(found[name] == bytes) << folder / name << " differs from its payload file";
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, EndToEnd, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

}  // namespace
