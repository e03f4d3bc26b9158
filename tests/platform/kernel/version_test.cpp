// version_test.cpp - the version query and the WINHOST_VERSION setting it answers from.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "kernel/error.h"
#include "kernel/osversion.h"

namespace winhost {
namespace {

struct ParseCase {
  const char* text;
  bool valid;
  bool reports;  // a version, rather than failing
  DWORD platformId, major, minor, build;
};

const ParseCase ParseCases[] = {
    {"1:4.10", true, true, 1, 4, 10, 0x040A0000u | 1998},
    {"1:4.0", true, true, 1, 4, 0, 0x04000000u | 950},
    {"1:4.90", true, true, 1, 4, 90, 0x045A0000u | 3000},
    {"2:4.0", true, true, 2, 4, 0, 1381},
    {"2:5.1", true, true, 2, 5, 1, 2600},
    {"2:10.0", true, true, 2, 10, 0, 19045},
    {"2:7.3", true, true, 2, 7, 3, 0},
    {"0:3.10", true, true, 0, 3, 10, 0},
    {"fail", true, false},
    {"", false, false},
    {"2:10", false, false},
    {"3:4.0", true, true, 3, 4, 0, 0},
    {"2:10.0 ", false, false},
    {"2:-1.0", false, false},
    {"a:4.0", false, false},
    {"1:4.10.1", false, false},
    {"1:99999.0", false, false},
    {"FAIL", false, false},
};

TEST(VersionTest, SettingsParse) {
  for (const ParseCase& c : ParseCases) {
    OsVersionSetting setting = ParseOsVersion(c.text);
    EXPECT_EQ(setting.valid, c.valid) << '"' << c.text << '"';
    ASSERT_EQ(setting.version.has_value(), c.reports) << '"' << c.text << '"';
    if (!c.reports) continue;
    EXPECT_EQ(setting.version->platformId, c.platformId) << c.text;
    EXPECT_EQ(setting.version->major, c.major) << c.text;
    EXPECT_EQ(setting.version->minor, c.minor) << c.text;
    EXPECT_EQ(setting.version->build, c.build) << c.text;
  }
}

OSVERSIONINFOA Info(DWORD size = sizeof(OSVERSIONINFOA)) {
  OSVERSIONINFOA info;
  std::memset(&info, 0x55, sizeof info);
  info.dwOSVersionInfoSize = size;
  return info;
}

TEST(VersionTest, QueryReportsTheSetting) {
  SetOsVersion(ParseOsVersion("1:4.10").version);
  OSVERSIONINFOA info = Info();
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
  EXPECT_EQ(info.dwMajorVersion, 4u);
  EXPECT_EQ(info.dwMinorVersion, 10u);
  EXPECT_EQ(info.dwBuildNumber & 0xFFFF, 1998u);
  EXPECT_EQ(info.szCSDVersion[0], '\0');

  // Only the ANSI structure's size is accepted; nothing is filled in otherwise.
  for (DWORD size : {0u, 147u, 156u}) {
    OSVERSIONINFOA wrong = Info(size);
    EXPECT_FALSE(GetVersionExA(&wrong)) << size;
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER) << size;
    EXPECT_EQ(wrong.dwMajorVersion, 0x55555555u) << size;
  }
  SetOsVersion(std::nullopt);
  info = Info();
  EXPECT_FALSE(GetVersionExA(&info));
  ResetOsVersion();
}

struct EnvironmentCase {
  const char* value;  // nullptr: unset
  BOOL answers;
  DWORD major;
  bool warns;
};

TEST(VersionTest, EnvironmentDecidesAtTheFirstQuery) {
  const EnvironmentCase cases[] = {
      {nullptr, TRUE, 10, false}, {"2:4.0", TRUE, 4, false}, {"fail", FALSE, 0, false}, {"98", FALSE, 0, true},
  };
  for (const EnvironmentCase& c : cases) {
    if (c.value) setenv("WINHOST_VERSION", c.value, 1);
    else unsetenv("WINHOST_VERSION");
    ResetOsVersion();
    ::testing::internal::CaptureStderr();
    OSVERSIONINFOA info = Info();
    EXPECT_EQ(GetVersionExA(&info), c.answers) << (c.value ? c.value : "unset");
    if (c.answers) EXPECT_EQ(info.dwMajorVersion, c.major);
    OSVERSIONINFOA again = Info();
    EXPECT_EQ(GetVersionExA(&again), c.answers);
    std::string warning = ::testing::internal::GetCapturedStderr();
    if (c.warns) {
      // One warning, naming the value and what was expected.
      EXPECT_NE(warning.find("\"98\""), std::string::npos) << warning;
      EXPECT_NE(warning.find("PLATFORMID:MAJOR.MINOR"), std::string::npos) << warning;
      EXPECT_EQ(warning.find('\n'), warning.size() - 1) << warning;
    } else {
      EXPECT_EQ(warning, "");
    }
  }
  unsetenv("WINHOST_VERSION");
  ResetOsVersion();
}

}  // namespace
}  // namespace winhost
