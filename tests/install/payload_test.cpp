// payload_test.cpp - every manifest row, from the resources linked into the program, installs
// its original file byte for byte.
#include <fstream>
#include <iterator>

#include "drive_fixture.h"
#include "install.h"
#include "kernel/module.h"

extern "C" const unsigned char winhost_main_res[];
extern "C" const unsigned char winhost_main_res_end[];

namespace winhost::testing {
namespace {

Bytes PayloadFile(const std::string& name) {
  std::ifstream in(std::string(QELT_BINARY_DIR) + "/res/payload/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The original of each row's installed file: the two builds of the sibling tool install
// under one name, so their originals carry the build in theirs.
const char* const Originals[ENTRY_COUNT] = {
    "aliases.qlt", "qelt_ws1.exe", "qelt_ws2.exe", "tessmorw_ws1.exe",
    "tessmorw_ws2.exe", "qelt.hlp", "vornel.txt", "servers.qlt",
};

class PayloadTest : public DriveC {
 protected:
  void SetUp() override {
    DriveC::SetUp();
    AppInstance = MainModule();
    strcpy(InstallFolder, R"(C:\Program Files\Qelt\)");
    MakeFolder("Program Files/Qelt");
  }
};

TEST_F(PayloadTest, EveryRowInstallsItsOriginalBytes) {
  for (UINT row = 0; row < ENTRY_COUNT; row++) {
    const InstallEntry& entry = InstallManifest[row];
    Bytes original = PayloadFile(Originals[row]);
    if (row != 0) ASSERT_FALSE(original.empty()) << Originals[row];
    ASSERT_EQ(InstallFile(row), 1) << entry.InstalledName;
    EXPECT_EQ(ReadHost(std::string("Program Files/Qelt/") + entry.InstalledName), original) << entry.InstalledName;
    EXPECT_FALSE(std::filesystem::exists(Host(std::string("Program Files/Qelt/") + entry.PackedName)));
  }
  EXPECT_EQ(Listing().size(), 2u + 7u);  // the folders and seven installed names
}

// The resources are the packed files themselves, handed out in place from the program's image.
TEST_F(PayloadTest, ResourcesAreThePackedFilesInPlace) {
  for (const InstallEntry& entry : InstallManifest) {
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(entry.ResourceId), "FILE");
    ASSERT_NE(found, nullptr) << entry.ResourceId;
    const auto* bytes = static_cast<const unsigned char*>(LoadResource(AppInstance, found));
    DWORD size = SizeofResource(AppInstance, found);
    EXPECT_GE(bytes, winhost_main_res);
    EXPECT_LE(bytes + size, winhost_main_res_end);
    EXPECT_EQ(Bytes(bytes, bytes + size), PayloadFile(entry.PackedName)) << entry.PackedName;
  }
}

}  // namespace
}  // namespace winhost::testing
