// drive_fixture.h - a test fixture that owns a fresh drive C in a temporary folder.
// At the end it checks what is left: no open handle and no temporary file of the
// version-install service, then removes the drive.
#ifndef TESTS_PLATFORM_KERNEL_DRIVE_FIXTURE_H
#define TESTS_PLATFORM_KERNEL_DRIVE_FIXTURE_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kernel/drive.h"
#include "kernel/error.h"
#include "kernel/faults.h"
#include "kernel/file.h"

namespace winhost::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

class DriveC : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/winhost-drive-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
    root_ = base_ / "drive_c";  // made at first use, as a fresh drive
    SetDriveRoot('C', root_);
    faults::Disarm();
  }

  void TearDown() override {
    faults::Disarm();
    EXPECT_EQ(OpenFileCount(), 0u) << "a file handle was left open";
    for (const std::string& entry : Listing())
      EXPECT_FALSE(entry.find("VIF") != std::string::npos && entry.ends_with(".TMP")) << "temporary left: " << entry;
    std::error_code ec;
    std::filesystem::remove_all(base_, ec);
  }

  // The helpers are public so that tables of cases can use them.
 public:
  std::filesystem::path Host(const std::string& relative) const { return root_ / relative; }

  // Every entry on the drive, relative and '/'-separated, folders with a trailing '/', sorted.
  std::vector<std::string> Listing() const {
    std::vector<std::string> entries;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(root_, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = std::filesystem::relative(it->path(), root_).generic_string();
      entries.push_back(it->is_directory() ? name + "/" : name);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(Host(relative)); }

  void WriteHost(const std::string& relative, const Bytes& bytes) const {
    std::filesystem::create_directories(Host(relative).parent_path());
    std::ofstream(Host(relative), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

  Bytes ReadHost(const std::string& relative) const {
    std::ifstream in(Host(relative), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  bool OwnerWritable(const std::string& relative) const {
    struct stat st;
    return stat(Host(relative).c_str(), &st) == 0 && (st.st_mode & S_IWUSR);
  }

 protected:
  std::filesystem::path base_;
  std::filesystem::path root_;
};

}  // namespace winhost::testing

#endif
