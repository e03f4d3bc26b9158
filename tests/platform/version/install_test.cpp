// install_test.cpp - the version-install service: expanding into the destination, and
// leaving the destination as it was (and no temporary) whenever it cannot.
#include <windows.h>

#include "drive_fixture.h"
#include "version/szdd.h"

namespace winhost::testing {
namespace {

using ::testing::ElementsAre;

constexpr char Folder[] = R"(C:\Program Files\Qelt\)";

Bytes Packed(std::uint32_t length, const Bytes& stream) {
  Bytes file(SzddMagic, SzddMagic + 8);
  file.push_back('A');
  file.push_back(0);
  for (int i = 0; i < 4; i++) file.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

const Bytes Ababa = Packed(5, {0x03, 'a', 'b', 0xF0, 0xF0});

class VerInstallTest : public DriveC {
 protected:
  void SetUp() override {
    DriveC::SetUp();
    MakeFolder("Program Files/Qelt");
  }

  DWORD Install(const char* source = "file.ex_", const char* destination = "file.exe", const char* folder = Folder) {
    char temp[516] = "junk";
    UINT length = sizeof temp;
    DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, source, destination, folder, folder, folder, temp, &length);
    EXPECT_EQ(temp[0], '\0');
    return result;
  }

  static constexpr const char* Source = "Program Files/Qelt/file.ex_";
  static constexpr const char* Target = "Program Files/Qelt/file.exe";
};

TEST_F(VerInstallTest, ExpandsIntoTheDestinationReplacingAnOldFile) {
  WriteHost(Source, Ababa);
  WriteHost(Target, ToBytes("old version"));
  EXPECT_EQ(Install(), 0u);
  EXPECT_EQ(ReadHost(Target), ToBytes("ababa"));
  EXPECT_THAT(Listing(), ElementsAre("Program Files/", "Program Files/Qelt/", Source, Target));
}

// Folders are joined with a backslash only where they lack one; names match without case.
TEST_F(VerInstallTest, JoinsFoldersAndNames) {
  WriteHost(Source, Ababa);
  EXPECT_EQ(Install("FILE.EX_", "file.exe", R"(c:\program files\qelt)"), 0u);
  EXPECT_EQ(ReadHost(Target), ToBytes("ababa"));
}

TEST_F(VerInstallTest, AFileThatIsNotPackedIsCopiedAsItIs) {
  WriteHost(Source, ToBytes("MZ plain bytes"));
  EXPECT_EQ(Install(), 0u);
  EXPECT_EQ(ReadHost(Target), ToBytes("MZ plain bytes"));
}

TEST_F(VerInstallTest, AStatedLengthOfZeroInstallsAnEmptyFile) {
  WriteHost(Source, Packed(0, {0x01, 0x00}));
  EXPECT_EQ(Install(), 0u);
  EXPECT_EQ(ReadHost(Target), Bytes());
  EXPECT_TRUE(std::filesystem::exists(Host(Target)));
}

struct RefusedCase {
  const char* what;
  Bytes source;       // empty: no source file
  bool readOnly;      // the old destination is read-only
  bool inUse;         // the old destination is open without delete sharing
  DWORD expected;     // result bits that must be set
};

TEST_F(VerInstallTest, OnFailureTheOldFileStaysAndNoTemporaryIsLeft) {
  const RefusedCase cases[] = {
      {"stream cut short", Packed(9, {0x03, 'a', 'b', 0xF0, 0xF0}), false, false, VIF_CANNOTREADSRC},
      {"header cut short", [] { Bytes b = Packed(5, {0xFF, 'a'}); b.resize(10); return b; }(), false, false,
       VIF_CANNOTREADSRC},
      {"no source", Bytes(), false, false, VIF_CANNOTREADSRC},
      {"read-only destination", Ababa, true, false, VIF_WRITEPROT},
      {"destination in use", Ababa, false, true, VIF_FILEINUSE | VIF_SHARINGVIOLATION},
  };
  for (const RefusedCase& c : cases) {
    std::filesystem::remove(Host(Source));
    if (!c.source.empty()) WriteHost(Source, c.source);
    SetFileAttributesA(R"(C:\Program Files\Qelt\file.exe)", FILE_ATTRIBUTE_ARCHIVE);
    WriteHost(Target, ToBytes("old version"));
    if (c.readOnly) ASSERT_TRUE(SetFileAttributesA(R"(C:\Program Files\Qelt\file.exe)", FILE_ATTRIBUTE_READONLY));
    HANDLE user = c.inUse ? CreateFileA(R"(C:\Program Files\Qelt\file.exe)", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : INVALID_HANDLE_VALUE;
    DWORD result = Install();
    if (user != INVALID_HANDLE_VALUE) CloseHandle(user);
    EXPECT_NE(result, 0u) << c.what;
    EXPECT_EQ(result & c.expected, c.expected) << c.what << ": " << std::hex << result;
    EXPECT_EQ(ReadHost(Target), ToBytes("old version")) << c.what;
    EXPECT_EQ(Listing().size(), c.source.empty() ? 3u : 4u) << c.what;  // no temporary
  }
}

TEST_F(VerInstallTest, AMissingDestinationFolderCannotBeCreatedIn) {
  WriteHost(Source, Ababa);
  char temp[16];
  UINT length = sizeof temp;
  DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, "file.ex_", "file.exe", Folder, R"(C:\Missing\)", Folder, temp, &length);
  EXPECT_NE(result & VIF_CANNOTCREATE, 0u);
  EXPECT_THAT(Listing(), ElementsAre("Program Files/", "Program Files/Qelt/", Source));
}

TEST_F(VerInstallTest, ADiskThatFillsUpIsOutOfSpace) {
  WriteHost(Source, Ababa);
  WriteHost(Target, ToBytes("old version"));
  faults::Arm(1, ERROR_DISK_FULL, "WriteFile");
  DWORD result = Install();
  EXPECT_EQ(result & (VIF_CANNOTCREATE | VIF_OUTOFSPACE), VIF_CANNOTCREATE | VIF_OUTOFSPACE) << std::hex << result;
  EXPECT_EQ(ReadHost(Target), ToBytes("old version"));
  EXPECT_EQ(Listing().size(), 4u);
}

// Fail each file operation of an installation in turn, with each kind of error: the
// destination is either the new file or exactly the old one, and nothing else is left.
TEST_F(VerInstallTest, EveryFailingOperationLeavesOldOrNew) {
  WriteHost(Source, Ababa);
  for (DWORD error : {ERROR_DISK_FULL, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
    unsigned runs = 0;
    for (unsigned n = 1;; n++, runs++) {
      ASSERT_LT(n, 100u);
      WriteHost(Target, ToBytes("old version"));
      faults::Arm(n, error);
      DWORD result = Install();
      unsigned fired = faults::Fired();
      std::string fault = faults::LastFault();
      faults::Disarm();
      if (!fired) {
        EXPECT_EQ(result, 0u);
        break;
      }
      EXPECT_EQ(ReadHost(Target), result == 0 ? ToBytes("ababa") : ToBytes("old version")) << fault;
      EXPECT_EQ(Listing().size(), 4u) << fault;
      EXPECT_EQ(OpenFileCount(), 0u) << fault;
    }
    EXPECT_GE(runs, 6u);  // open, read, close, create, write, close, rename at least
  }
}

}  // namespace
}  // namespace winhost::testing
