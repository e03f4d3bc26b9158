// installfile_test.cpp - InstallFile over a fixture module: what each way of failing, and
// success, leaves in the installation folder.
#include <fstream>
#include <functional>
#include <iterator>

#include "drive_fixture.h"
#include "install.h"
#include "kernel/module.h"

namespace winhost::testing {
namespace {

using ::testing::ElementsAreArray;

constexpr char Folder[] = R"(C:\Program Files\Qelt\)";
constexpr char Qelt[] = "Program Files/Qelt/";

const Bytes PackedAbaba = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 'A', 0, 5, 0, 0, 0, 0x03, 'a', 'b', 0xF0, 0xF0};

HMODULE FixtureModule() {
  static HMODULE module = [] {
    std::ifstream in(INSTALL_FIXTURE, std::ios::binary);
    Bytes image{std::istreambuf_iterator<char>(in), {}};
    return LoadResModule(image);
  }();
  return module;
}

class InstallFileTest : public DriveC {
 protected:
  void SetUp() override {
    DriveC::SetUp();
    ASSERT_NE(FixtureModule(), nullptr) << INSTALL_FIXTURE;
    AppInstance = FixtureModule();
    strcpy(InstallFolder, Folder);
    MakeFolder(Qelt);
  }

 public:
  std::string InFolder(const char* name) const { return std::string(Qelt) + name; }
  std::string WindowsPath(const char* name) const { return std::string(Folder) + name; }
  void MakeReadOnly(const char* name) const {
    ASSERT_TRUE(SetFileAttributesA(WindowsPath(name).c_str(), FILE_ATTRIBUTE_READONLY));
  }
};

// One way a call can go: what the folder holds first, the row, and what it holds after.
struct Case {
  const char* what;
  UINT row;
  std::function<void(InstallFileTest&)> before;
  int result;
  std::vector<std::pair<const char*, std::string>> after;  // every file in the folder, with its bytes
  std::vector<const char*> readOnlyAfter;
};

class InstallFileCases : public InstallFileTest, public ::testing::WithParamInterface<Case> {};

TEST_P(InstallFileCases, LeavesTheFolderAsItShould) {
  const Case& c = GetParam();
  if (c.before) c.before(*this);
  HANDLE held = INVALID_HANDLE_VALUE;
  if (std::string(c.what) == "installed file in use")
    held = CreateFileA(WindowsPath("aliases.qlt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(InstallFile(c.row), c.result);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

  std::vector<std::string> expected = {"Program Files/", Qelt};
  for (const auto& [name, bytes] : c.after) expected.push_back(InFolder(name));
  std::sort(expected.begin(), expected.end());
  EXPECT_THAT(Listing(), ElementsAreArray(expected));
  for (const auto& [name, bytes] : c.after) EXPECT_EQ(ReadHost(InFolder(name)), ToBytes(bytes)) << name;
  for (const auto& [name, bytes] : c.after) {
    bool readOnly = std::find_if(c.readOnlyAfter.begin(), c.readOnlyAfter.end(),
                                 [&](const char* n) { return std::string(n) == name; }) != c.readOnlyAfter.end();
    EXPECT_EQ(OwnerWritable(InFolder(name)), !readOnly) << name;
  }
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

const Case Cases[] = {
    {"success leaves only the installed file", 0, nullptr, 1, {{"aliases.qlt", "ababa"}}, {}},
    {"window spaces", 1, nullptr, 1, {{"qelt_ws1.exe", "    "}}, {}},
    {"not packed is installed as it is", 7, nullptr, 1, {{"servers.qlt", "plain"}}, {}},
    {"missing resource", 3, [](InstallFileTest& t) { t.WriteHost(t.InFolder("tessmorw.exe"), ToBytes("old")); }, 0,
     {{"tessmorw.exe", "old"}}, {}},
    {"resource of size 0", 2, nullptr, 0, {}, {}},
    {"a writable packed name is overwritten, then deleted", 0,
     [](InstallFileTest& t) { t.WriteHost(t.InFolder("aliases.ql_"), ToBytes("a much longer stale packed copy")); }, 1,
     {{"aliases.qlt", "ababa"}}, {}},
    {"read-only packed name", 0,
     [](InstallFileTest& t) {
       t.WriteHost(t.InFolder("aliases.ql_"), ToBytes("keep"));
       t.MakeReadOnly("aliases.ql_");
     },
     0, {{"aliases.ql_", "keep"}}, {"aliases.ql_"}},
    {"read-only installed name is replaced", 0,
     [](InstallFileTest& t) {
       t.WriteHost(t.InFolder("aliases.qlt"), ToBytes("old"));
       t.MakeReadOnly("aliases.qlt");
     },
     1, {{"aliases.qlt", "ababa"}}, {}},
    {"installed file in use", 0,
     [](InstallFileTest& t) {
       t.WriteHost(t.InFolder("aliases.qlt"), ToBytes("old"));
       t.MakeReadOnly("aliases.qlt");
     },
     0, {{"aliases.qlt", "old"}}, {}},
    {"service fails on a corrupt packed file", 5,
     [](InstallFileTest& t) {
       t.WriteHost(t.InFolder("qelt.hlp"), ToBytes("old help"));
       t.MakeReadOnly("qelt.hlp");
     },
     0, {{"qelt.hlp", "old help"}}, {}},
    {"write fails part-way: the packed copy stays", 0,
     [](InstallFileTest& t) {
       t.WriteHost(t.InFolder("aliases.qlt"), ToBytes("old"));
       faults::Arm(1, ERROR_DISK_FULL, "WriteFile");
     },
     0, {{"aliases.ql_", Text(Bytes(PackedAbaba.begin(), PackedAbaba.begin() + PackedAbaba.size() / 2))}, {"aliases.qlt", "old"}},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Rows, InstallFileCases, ::testing::ValuesIn(Cases), [](const auto& info) {
  std::string name;
  for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

TEST_F(InstallFileTest, AMissingFolderWritesNothing) {
  strcpy(InstallFolder, R"(C:\Program Files\Missing\)");
  EXPECT_EQ(InstallFile(0), 0);
  EXPECT_THAT(Listing(), ElementsAreArray({"Program Files/", Qelt}));
}

// An exception that unwinds through InstallFile still runs its clean-up.
TEST_F(InstallFileTest, UnwindingRunsTheCleanUp) {
  faults::Arm(1, faults::ThrowError, "VerInstallFile");
  EXPECT_THROW(InstallFile(0), faults::Injected);
  EXPECT_EQ(faults::Fired(), 1u);
  EXPECT_EQ(OpenFileCount(), 0u);
  EXPECT_THAT(Listing(), ElementsAreArray({"Program Files/", Qelt}));
}

// Fail each operation of one row in turn: installed means the new file and no packed copy;
// not installed means the old file, and a packed copy only where the write failed.
TEST_F(InstallFileTest, EveryFailingOperationIsAnAllowedOutcome) {
  for (unsigned n = 1;; n++) {
    ASSERT_LT(n, 100u);
    WriteHost(InFolder("aliases.qlt"), ToBytes("old"));
    std::filesystem::remove(Host(InFolder("aliases.ql_")));
    faults::Arm(n, ERROR_DISK_FULL);
    int result = InstallFile(0);
    unsigned fired = faults::Fired();
    std::string fault = faults::LastFault();
    faults::Disarm();
    EXPECT_EQ(OpenFileCount(), 0u) << fault;
    if (!fired) {
      EXPECT_EQ(result, 1);
      break;
    }
    bool packedLeft = std::filesystem::exists(Host(InFolder("aliases.ql_")));
    if (result == 1) {
      EXPECT_EQ(ReadHost(InFolder("aliases.qlt")), ToBytes("ababa")) << fault;
      // Only a failed clean-up deletion may leave the (complete) packed copy.
      if (packedLeft) EXPECT_EQ(fault.rfind("DeleteFile", 0), 0u) << fault;
    } else {
      EXPECT_EQ(ReadHost(InFolder("aliases.qlt")), ToBytes("old")) << fault;
      if (packedLeft) EXPECT_TRUE(fault.rfind("WriteFile", 0) == 0 || fault.rfind("DeleteFile", 0) == 0) << fault;
    }
  }
}

}  // namespace
}  // namespace winhost::testing
