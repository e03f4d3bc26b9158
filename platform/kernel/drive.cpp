// drive.cpp - mapping Windows paths on drive letters to host folders.
#include "kernel/drive.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string>

#include "kernel/error.h"

namespace fs = std::filesystem;

namespace winhost {
namespace {

struct DriveMap {
  std::array<bool, 26> decided{};
  std::array<fs::path, 26> roots;
};

DriveMap& Drives() {
  static DriveMap map;
  return map;
}

int LetterIndex(char letter) {
  unsigned char c = static_cast<unsigned char>(letter);
  return std::isalpha(c) ? std::toupper(c) - 'A' : -1;
}

fs::path DefaultDriveC() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : "/";
  }
  return fs::path(home) / ".winhost" / "drive_c";
}

fs::path ConfiguredRoot(int index) {
  std::string variable = std::string("WINHOST_DRIVE_") + static_cast<char>('A' + index);
  if (const char* value = std::getenv(variable.c_str()); value && *value) return fs::path(value);
  return index == 'C' - 'A' ? DefaultDriveC() : fs::path();
}

// A drive folder made here is made as a fresh installation has it. One that exists is left
// as it is, "Program Files" or not.
void EnsureDriveFolder(const fs::path& root) {
  std::error_code ec;
  if (fs::exists(root, ec)) return;
  if (fs::create_directories(root, ec)) fs::create_directory(root / "Program Files", ec);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsForbidden(char c) {
  return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with any extension and trailing spaces.
bool IsDeviceName(std::string_view component) {
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  constexpr std::string_view Plain[] = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view name : Plain)
    if (EqualNoCase(base, name)) return true;
  if (base.size() == 4 && base[3] >= '1' && base[3] <= '9')
    return EqualNoCase(base.substr(0, 3), "COM") || EqualNoCase(base.substr(0, 3), "LPT");
  return false;
}

// The entry of FOLDER that NAME denotes: the exact name when present, otherwise the first,
// in name order, that matches without regard to case.
std::optional<std::string> FindEntry(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::symlink_status(folder / name, ec).type() != fs::file_type::not_found && !ec) return name;
  std::optional<std::string> found;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualNoCase(entry, name) && (!found || entry < *found)) found = entry;
  }
  return found;
}

const fs::path& MappedRoot(int index) {
  DriveMap& map = Drives();
  if (!map.decided[index]) {
    map.decided[index] = true;
    map.roots[index] = ConfiguredRoot(index);
  }
  return map.roots[index];
}

}  // namespace

fs::path DriveRoot(char letter) {
  int index = LetterIndex(letter);
  if (index < 0) return {};
  const fs::path& root = MappedRoot(index);
  if (!root.empty()) EnsureDriveFolder(root);
  return root;
}

// Listing the drives creates none of their folders.
std::vector<char> MappedDrives() {
  std::vector<char> letters;
  for (int index = 0; index < 26; index++)
    if (!MappedRoot(index).empty()) letters.push_back(static_cast<char>('A' + index));
  return letters;
}

void SetDriveRoot(char letter, const fs::path& root) {
  int index = LetterIndex(letter);
  if (index < 0) return;
  Drives().decided[index] = true;
  Drives().roots[index] = root;
}

ResolvedPath ResolvePath(std::string_view path, size_t maxLength) {
  ResolvedPath result;
  if (path.size() > maxLength) {
    result.error = ERROR_FILENAME_EXCED_RANGE;
    return result;
  }
  // Only full paths: the program always forms them from a drive letter.
  if (path.size() < 3 || LetterIndex(path[0]) < 0 || path[1] != ':' || !IsSeparator(path[2])) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  std::string_view rest = path.substr(3);
  if (std::any_of(rest.begin(), rest.end(), IsForbidden)) {
    result.error = ERROR_INVALID_NAME;
    return result;
  }

  std::vector<std::string> components;
  while (!rest.empty()) {
    size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) end++;
    std::string_view component = rest.substr(0, end);
    rest = rest.substr(std::min(end + 1, rest.size()));
    if (component == "..") {
      if (!components.empty()) components.pop_back();  // never above the root
      continue;
    }
    // Windows drops a component's trailing dots and spaces; what is left of "." or " . " is nothing.
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) component.remove_suffix(1);
    if (component.empty()) continue;
    if (IsDeviceName(component)) {
      result.error = ERROR_INVALID_NAME;
      return result;
    }
    components.emplace_back(component);
  }

  fs::path root = DriveRoot(path[0]);
  if (root.empty()) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  result.host = root;
  result.isRoot = components.empty();
  result.parentExists = true;
  bool existing = true;  // every component so far names an existing entry
  for (size_t i = 0; i < components.size(); i++) {
    bool last = i + 1 == components.size();
    if (!existing) {
      result.host /= components[i];
      result.parentExists = false;
      continue;
    }
    std::optional<std::string> entry = FindEntry(result.host, components[i]);
    result.host /= entry ? *entry : components[i];
    if (!entry) {
      existing = false;
      if (!last) result.parentExists = false;
      continue;
    }
    std::error_code ec;
    if (!last && !fs::is_directory(result.host, ec)) {
      // A file where a folder should be.
      existing = false;
      result.parentExists = false;
    }
  }
  return result;
}

std::optional<fs::path> HostPath(std::string_view windowsPath) {
  ResolvedPath resolved = ResolvePath(windowsPath);
  if (resolved.error) return std::nullopt;
  return resolved.host;
}

}  // namespace winhost
