// namespace.cpp - the shell namespace over the mapped drives: interned items, folder listing.
#include "shell/namespace.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>

#include "kernel/drive.h"

// An item list of this platform is one interned item: never freed, so never dangling.
struct _ITEMIDLIST {
  enum class Kind { Desktop, MyComputer, Drive, Folder } kind;
  std::string path;  // Windows path of drives and folders, on-disk case
  std::string name;  // display name
};

namespace winhost {
namespace {

using Kind = ITEMIDLIST::Kind;

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string UpperKey(std::string_view text) {
  std::string key(text);
  std::transform(key.begin(), key.end(), key.begin(), Upper);
  return key;
}

bool SameName(std::string_view a, std::string_view b) { return UpperKey(a) == UpperKey(b); }

// One item per folder whatever case it was reached by; a later listing refreshes the case.
const ITEMIDLIST* Intern(Kind kind, std::string path, std::string name) {
  static std::map<std::string, std::unique_ptr<ITEMIDLIST>> items;
  auto& slot = items[UpperKey(path)];
  if (!slot) slot = std::make_unique<ITEMIDLIST>();
  *slot = ITEMIDLIST{kind, std::move(path), std::move(name)};
  return slot.get();
}

const ITEMIDLIST* DriveItem(char letter) {
  letter = Upper(letter);
  return Intern(Kind::Drive, std::string(1, letter) + ":\\", std::string("(") + letter + ":)");
}

bool IsMapped(char letter) {
  for (char mapped : MappedDrives())
    if (Upper(mapped) == Upper(letter)) return true;
  return false;
}

// Names that a Windows folder cannot carry (Windows drops trailing dots and spaces) are
// left out rather than shown under a path that names something else.
bool IsWindowsName(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
  });
}

std::vector<const ITEMIDLIST*> ListFolders(const ITEMIDLIST* parent) {
  std::vector<const ITEMIDLIST*> children;
  std::optional<std::filesystem::path> host = HostPath(parent->path);
  if (!host) return children;
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(*host, error), end; !error && it != end; it.increment(error)) {
    std::error_code kindError;
    std::string name = it->path().filename().string();
    if (it->is_directory(kindError) && IsWindowsName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string ka = UpperKey(a), kb = UpperKey(b);
    return ka != kb ? ka < kb : a < b;
  });
  // Host folders that differ only in case are one folder to Windows: keep the first.
  names.erase(std::unique(names.begin(), names.end(), SameName), names.end());
  std::string prefix = parent->path;
  if (prefix.back() != '\\') prefix += '\\';
  for (std::string& name : names) {
    if (prefix.size() + name.size() >= MAX_PATH) continue;  // no Windows path can name it
    children.push_back(Intern(Kind::Folder, prefix + name, name));
  }
  return children;
}

}  // namespace

const ITEMIDLIST* ShellDesktop() {
  static const ITEMIDLIST desktop{Kind::Desktop, "", "Desktop"};
  return &desktop;
}

const ITEMIDLIST* ShellMyComputer() {
  static const ITEMIDLIST computer{Kind::MyComputer, "", "My Computer"};
  return &computer;
}

std::vector<const ITEMIDLIST*> ShellChildren(const ITEMIDLIST* item) {
  if (!item) return {};
  switch (item->kind) {
    case Kind::Desktop:
      return {ShellMyComputer()};
    case Kind::MyComputer: {
      std::vector<const ITEMIDLIST*> drives;
      for (char letter = 'A'; letter <= 'Z'; letter++)
        if (IsMapped(letter)) drives.push_back(DriveItem(letter));
      return drives;
    }
    default:
      return ListFolders(item);
  }
}

std::string ShellDisplayName(const ITEMIDLIST* item) { return item ? item->name : std::string(); }

bool ShellIsFileSystemFolder(const ITEMIDLIST* item) {
  return item && (item->kind == Kind::Drive || item->kind == Kind::Folder);
}

std::string ShellPath(const ITEMIDLIST* item) {
  return ShellIsFileSystemFolder(item) ? item->path : std::string();
}

const ITEMIDLIST* ShellFolderFromPath(std::string_view path) {
  if (path.size() < 2 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return nullptr;
  std::string_view rest = path.substr(2);
  // "C:name" is relative to the drive's current folder: not something a picker names.
  if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') return nullptr;
  if (!IsMapped(path[0])) return nullptr;
  const ITEMIDLIST* item = DriveItem(path[0]);
  std::optional<std::filesystem::path> root = HostPath(item->path);
  std::error_code error;
  if (!root || !std::filesystem::is_directory(*root, error)) return nullptr;
  while (!rest.empty()) {
    size_t start = rest.find_first_not_of("\\/");
    if (start == std::string_view::npos) break;
    rest.remove_prefix(start);
    size_t end = rest.find_first_of("\\/");
    std::string_view part = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    if (part == ".") continue;
    if (part == "..") return nullptr;
    std::vector<const ITEMIDLIST*> children = ListFolders(item);
    auto match = std::find_if(children.begin(), children.end(),
                              [&](const ITEMIDLIST* child) { return SameName(child->name, part); });
    if (match == children.end()) return nullptr;
    item = *match;
  }
  return item;
}

}  // namespace winhost
