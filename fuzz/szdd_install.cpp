// szdd_install.cpp - fuzz target: any bytes as the packed copy that the version-install
// service expands, on a drive C of its own. Each input is installed twice, over an existing
// file and under a new name. Installed: the destination holds what the packer's own,
// independent expander makes of the bytes (or the bytes themselves when they are not packed).
// Refused: the destination is exactly as it was. Either way nothing else on the drive has
// changed, no temporary file is left and no handle stays open.
#include <windows.h>
#include <winver.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kernel/drive.h"
#include "kernel/file.h"
#include "szdd_pack.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Snapshot = std::map<std::string, Bytes>;  // drive-relative path -> content ("/" for folders)

constexpr char Folder[] = "c:\\Program Files\\Qelt\\";
constexpr char Packed[] = "target.ex_";
const Bytes OldContent = {'o', 'l', 'd', ' ', 'c', 'o', 'p', 'y', '\r', '\n'};
const Bytes Neighbour = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};

fs::path DriveBase;

[[noreturn]] void Broken(const std::string& what) {
  std::fprintf(stderr, "szdd_install: %s\n", what.c_str());
  std::abort();
}

void RemoveDrive() {
  std::error_code ec;
  fs::remove_all(DriveBase, ec);
}

fs::path Root() { return DriveBase / "drive_c"; }
fs::path HostFolder() { return Root() / "Program Files" / "Qelt"; }

void Put(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) Broken(path.string() + ": could not write the fixture");
}

Bytes Get(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Snapshot Take() {
  Snapshot snapshot;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Root())) {
    std::string name = fs::relative(entry.path(), Root()).generic_string();
    if (entry.is_directory()) snapshot[name + "/"];
    else snapshot[name] = Get(entry.path());
  }
  return snapshot;
}

std::string Describe(const Snapshot& before, const Snapshot& after) {
  std::string text;
  for (const auto& [name, bytes] : after) {
    auto it = before.find(name);
    if (it == before.end()) text += " created " + name + ";";
    else if (it->second != bytes) text += " changed " + name + ";";
  }
  for (const auto& [name, bytes] : before)
    if (!after.count(name)) text += " removed " + name + ";";
  return text;
}

// What the installed file must hold, or none when the bytes cannot be installed.
std::optional<Bytes> Expected(std::span<const std::uint8_t> data) {
  bool packed = data.size() >= szdd::kMagic.size() && std::memcmp(data.data(), szdd::kMagic.data(), szdd::kMagic.size()) == 0;
  if (!packed) return Bytes(data.begin(), data.end());
  return szdd::Expand(data, nullptr);
}

void InstallOnce(std::span<const std::uint8_t> data, const char* destName, bool destExists) {
  fs::remove_all(Root() / "Program Files");
  fs::create_directories(HostFolder());
  Put(HostFolder() / "neighbour.txt", Neighbour);
  Put(HostFolder() / Packed, Bytes(data.begin(), data.end()));
  if (destExists) Put(HostFolder() / destName, OldContent);
  Snapshot before = Take();

  char tmp[516] = "";
  UINT tmpLength = sizeof tmp;
  DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, Packed, destName, Folder, Folder, Folder, tmp, &tmpLength);

  if (winhost::OpenFileCount() != 0) Broken("a file handle left open");
  Snapshot after = Take();
  std::string dest = "Program Files/Qelt/" + std::string(destName);
  std::optional<Bytes> expected = Expected(data);
  Snapshot allowed = before;
  if (result == 0) {
    if (!expected) Broken("installed bytes that the reference expander refuses, as " + dest);
    allowed[dest] = *expected;
  } else if (expected) {
    Broken("refused bytes that the reference expander accepts (result " + std::to_string(result) + ")");
  }
  if (after != allowed) {
    std::string what = result == 0 ? "installed" : "refused";
    if (result == 0 && after.count(dest) && after[dest] != *expected)
      Broken(what + ": " + dest + " differs from the reference expansion");
    Broken(what + ", but the drive is not as allowed:" + Describe(allowed, after));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/szdd-install-fuzz-XXXXXX";
  if (!mkdtemp(pattern)) Broken("no temporary folder for drive C");
  DriveBase = pattern;
  fs::create_directories(Root());
  winhost::SetDriveRoot('C', Root());
  std::atexit(RemoveDrive);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  InstallOnce(bytes, "target.exe", true);
  InstallOnce(bytes, "fresh.exe", false);
  return 0;
}
