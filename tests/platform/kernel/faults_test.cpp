// faults_test.cpp - the fault injector: which operation fails, how, and how often.
#include <windows.h>

#include <cstdlib>

#include "drive_fixture.h"

namespace winhost::testing {
namespace {

using faults::Mode;

class FaultsTest : public DriveC {
 protected:
  // Creates C:\<name> and reports whether that worked.
  bool Touch(const std::string& name) {
    HANDLE h = CreateFileA(("C:\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  }
};

struct ArmCase {
  unsigned n;
  Mode mode;
  const char* filter;
  const char* outcome;  // of five creations in a row, with a close after each: + made, - failed
  unsigned fired;
};

TEST_F(FaultsTest, TheNthAdmittedOperationFails) {
  const ArmCase cases[] = {
      {2, Mode::Transient, "CreateFile", "+-+++", 1},
      {2, Mode::Persistent, "CreateFile", "+----", 4},
      {3, Mode::Transient, "", "+-+++", 1},               // create, close, create: the 3rd operation
      {4, Mode::Transient, "CloseHandle", "+++++", 1},  // a failing close still lets go of the file
      {1, Mode::Transient, "DeleteFile,WriteFile", "+++++", 0},
      {9, Mode::Transient, "CreateFile", "+++++", 0},
  };
  for (const ArmCase& c : cases) {
    faults::Arm(c.n, ERROR_ACCESS_DENIED, c.filter, c.mode);
    std::string outcome;
    for (int i = 0; i < 5; i++) outcome += Touch("f" + std::to_string(i)) ? '+' : '-';
    EXPECT_EQ(outcome, c.outcome) << c.n << " " << c.filter;
    EXPECT_EQ(faults::Fired(), c.fired) << c.n << " " << c.filter;
    faults::Disarm();
    for (int i = 0; i < 5; i++) std::filesystem::remove(Host("f" + std::to_string(i)));
  }
}

TEST_F(FaultsTest, AFailedOperationReportsTheArmedErrorAndNamesItsSite) {
  faults::Arm(1, ERROR_WRITE_FAULT, "SetFileAttributes");
  ASSERT_TRUE(Touch("a"));
  EXPECT_FALSE(SetFileAttributesA(R"(C:\a)", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  EXPECT_TRUE(OwnerWritable("a"));  // nothing was done
  EXPECT_EQ(faults::LastFault(), "SetFileAttributes #1: ERROR_WRITE_FAULT");
  EXPECT_EQ(faults::Counted(), 1u);
  EXPECT_THROW(faults::Arm(1, ERROR_WRITE_FAULT, "NoSuchSite"), std::invalid_argument);
}

// A disk fills up part-way through a write: some bytes land, then the write fails.
TEST_F(FaultsTest, DiskFullPartWayThroughAWrite) {
  HANDLE h = CreateFileA(R"(C:\big.bin)", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  faults::Arm(1, ERROR_DISK_FULL, "WriteFile");
  DWORD written = 0;
  EXPECT_FALSE(WriteFile(h, "0123456789", 10, &written, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, 10u);
  CloseHandle(h);
  EXPECT_EQ(ReadHost("big.bin"), ToBytes(std::string_view("0123456789", written)));
}

// Only a service's entry throws; the kernel's operations also run in clean-up code.
TEST_F(FaultsTest, AServiceEntryCanThrowInstead) {
  faults::Arm(1, faults::ThrowError, "VerInstallFile");
  char temp[8] = "x";
  UINT length = sizeof temp;
  EXPECT_THROW(VerInstallFileA(VIFF_FORCEINSTALL, "a", "b", "C:\\", "C:\\", "C:\\", temp, &length), faults::Injected);
  EXPECT_EQ(faults::Fired(), 1u);
  EXPECT_THROW(faults::Arm(1, faults::ThrowError, "DeleteFile"), std::invalid_argument);
  EXPECT_THROW(faults::Arm(1, faults::ThrowError), std::invalid_argument);
}

struct EnvironmentCase {
  const char* value;
  const char* outcome;  // as above
  bool warns;
};

TEST_F(FaultsTest, EnvironmentArmsAChildProcess) {
  const EnvironmentCase cases[] = {
      {"2:ERROR_ACCESS_DENIED:CreateFile", "+-+++", false},
      {"2+:5:CreateFile", "+----", false},
      {"1:THROW:WriteFile", "+++++", true},  // the kernel's operations cannot throw
      {"3:ERROR_DISK_FULL", "+-+++", false},
      {"x:5", "+++++", true},
      {"0:5", "+++++", true},
      {"2:NO_SUCH_ERROR", "+++++", true},
      {"2:5:Nowhere", "+++++", true},
      {"2:5:", "+++++", true},
  };
  for (const EnvironmentCase& c : cases) {
    setenv("WINHOST_FAULT", c.value, 1);
    ::testing::internal::CaptureStderr();
    faults::ArmFromEnvironment();
    std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(!warning.empty(), c.warns) << c.value << ": " << warning;
    if (c.warns) EXPECT_NE(warning.find(c.value), std::string::npos) << warning;
    std::string outcome;
    for (int i = 0; i < 5; i++) outcome += Touch("f" + std::to_string(i)) ? '+' : '-';
    EXPECT_EQ(outcome, c.outcome) << c.value;
    faults::Disarm();
  }
  unsetenv("WINHOST_FAULT");
}

}  // namespace
}  // namespace winhost::testing
