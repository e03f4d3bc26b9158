// resource.cpp - module resources, found in the compiled resource image (.res) of a module.
// The main module's image is linked into the program as data; LoadResource hands out its
// bytes in place, as the Windows loader hands out the mapped image's.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "kernel/error.h"
#include "kernel/module.h"
#include "kernel/resfile.h"

// Weak, so that a binary without the program's resources links; MainModule then has none.
extern "C" const unsigned char winhost_main_res[] __attribute__((weak));
extern "C" const unsigned char winhost_main_res_end[] __attribute__((weak));

namespace winhost {
namespace {

// A .res entry's fixed fields: DataSize, HeaderSize, then after TYPE and NAME (DWORD-aligned)
// DataVersion, MemoryFlags, LanguageId, Version, Characteristics.
constexpr std::size_t PrefixSize = 8;
constexpr std::size_t TrailerSize = 16;
constexpr std::size_t MinHeaderSize = PrefixSize + 4 + 4 + TrailerSize;

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}
std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// TYPE or NAME at *at, within the header that ends at `end`: 0xFFFF and an ordinal, or a
// NUL-terminated UTF-16 string.
std::optional<ResId> ReadId(std::span<const std::uint8_t> image, std::size_t* at, std::size_t end) {
  ResId id;
  if (*at + 2 > end) return std::nullopt;
  if (Read16(image, *at) == 0xFFFF) {
    if (*at + 4 > end) return std::nullopt;
    id.ordinal = Read16(image, *at + 2);
    *at += 4;
    return id;
  }
  id.isOrdinal = false;
  for (;;) {
    if (*at + 2 > end) return std::nullopt;
    char16_t c = Read16(image, *at);
    *at += 2;
    if (c == 0) return id;
    id.name += Upper(c);
  }
}

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

struct Module {
  std::vector<std::uint8_t> owned;  // a copied image; empty for the main module
  std::vector<ResEntry> entries;
};

std::vector<std::unique_ptr<Module>>& Modules() {
  static std::vector<std::unique_ptr<Module>> modules;
  return modules;
}

HMODULE Register(std::unique_ptr<Module> module) {
  HMODULE handle = reinterpret_cast<HMODULE>(module.get());
  Modules().push_back(std::move(module));
  return handle;
}

Module* Lookup(HMODULE handle) {
  if (!handle) handle = MainModule();
  for (const auto& module : Modules())
    if (reinterpret_cast<HMODULE>(module.get()) == handle) return module.get();
  return nullptr;
}

// A name given to FindResourceA: an ordinal, "#123", or a string compared in capitals.
ResId IdFromArgument(LPCSTR text) {
  ResId id;
  if (IS_INTRESOURCE(text)) {
    id.ordinal = LOWORD(text);
    return id;
  }
  if (text[0] == '#' && text[1]) {
    unsigned value = 0;
    const char* p = text + 1;
    while (*p >= '0' && *p <= '9' && value <= 0xFFFF) value = value * 10 + (*p++ - '0');
    if (!*p && value <= 0xFFFF) {
      id.ordinal = static_cast<std::uint16_t>(value);
      return id;
    }
  }
  id.isOrdinal = false;
  for (const char* p = text; *p; p++) id.name += Upper(static_cast<unsigned char>(*p));
  return id;
}

}  // namespace

std::optional<std::vector<ResEntry>> ParseResImage(std::span<const std::uint8_t> image, std::string* why) {
  auto malformed = [&](std::size_t at, const std::string& expected) -> std::optional<std::vector<ResEntry>> {
    if (why) *why = "at offset " + std::to_string(at) + ": expected " + expected;
    return std::nullopt;
  };
  std::vector<ResEntry> entries;
  std::size_t at = 0;
  bool first = true;
  while (at < image.size()) {
    std::size_t left = image.size() - at;
    if (left < PrefixSize) {
      // Padding after the last entry is harmless; anything else is a cut-off entry.
      for (std::size_t i = at; i < image.size(); i++)
        if (image[i]) return malformed(at, "an entry of at least " + std::to_string(MinHeaderSize) + " bytes");
      break;
    }
    std::uint64_t dataSize = Read32(image, at);
    std::uint64_t headerSize = Read32(image, at + 4);
    if (headerSize < MinHeaderSize || headerSize > left)
      return malformed(at, "a header size from " + std::to_string(MinHeaderSize) + " to " + std::to_string(left) +
                               ", found " + std::to_string(headerSize));
    if (dataSize > left - headerSize)
      return malformed(at, "a data size up to " + std::to_string(left - headerSize) + ", found " +
                               std::to_string(dataSize));
    std::size_t headerEnd = at + static_cast<std::size_t>(headerSize);
    std::size_t p = at + PrefixSize;
    std::optional<ResId> type = ReadId(image, &p, headerEnd);
    std::optional<ResId> name = type ? ReadId(image, &p, headerEnd) : std::nullopt;
    if (!name) return malformed(at, "a type and a name that end within the header");
    p = at + Align4(p - at);
    if (p + TrailerSize > headerEnd) return malformed(at, "room for the fixed fields after the name");
    if (first) {
      if (!type->isOrdinal || type->ordinal != 0 || dataSize != 0)
        return malformed(at, "the empty entry that begins a .res image");
      first = false;
    } else {
      ResEntry entry;
      entry.type = std::move(*type);
      entry.name = std::move(*name);
      entry.language = Read16(image, p + 6);
      entry.data = image.subspan(headerEnd, static_cast<std::size_t>(dataSize));
      entries.push_back(std::move(entry));
    }
    // Entries begin on DWORD boundaries; the last entry's padding may be left out.
    at = std::min(Align4(headerEnd + static_cast<std::size_t>(dataSize)), image.size());
  }
  if (first) return malformed(0, "the empty entry that begins a .res image");
  return entries;
}

HMODULE MainModule() {
  static HMODULE main = [] {
    auto module = std::make_unique<Module>();
    const std::uint8_t* begin = winhost_main_res;
    const std::uint8_t* end = winhost_main_res_end;
    if (begin && end && end > begin) {
      std::span<const std::uint8_t> image(begin, end);
      std::string why;
      if (auto entries = ParseResImage(image, &why)) module->entries = std::move(*entries);
      else std::fprintf(stderr, "winhost: the program's linked resources: %s; the program has no resources\n", why.c_str());
    }
    return Register(std::move(module));
  }();
  return main;
}

HMODULE LoadResModule(std::span<const std::uint8_t> res) {
  auto module = std::make_unique<Module>();
  module->owned.assign(res.begin(), res.end());
  auto entries = ParseResImage(module->owned);
  if (!entries) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  module->entries = std::move(*entries);
  return Register(std::move(module));
}

}  // namespace winhost

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
  winhost::Module* module = winhost::Lookup(hModule);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!lpName || !lpType) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  winhost::ResId type = winhost::IdFromArgument(lpType);
  winhost::ResId name = winhost::IdFromArgument(lpName);
  bool typeFound = false;
  for (const winhost::ResEntry& entry : module->entries) {
    if (!(entry.type == type)) continue;
    typeFound = true;
    if (entry.name == name) {
      SetLastError(ERROR_SUCCESS);
      return reinterpret_cast<HRSRC>(const_cast<winhost::ResEntry*>(&entry));
    }
  }
  SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

namespace {

const winhost::ResEntry* EntryOf(HMODULE hModule, HRSRC hResInfo) {
  winhost::Module* module = winhost::Lookup(hModule);
  if (!module || !hResInfo) return nullptr;
  for (const winhost::ResEntry& entry : module->entries)
    if (reinterpret_cast<HRSRC>(const_cast<winhost::ResEntry*>(&entry)) == hResInfo) return &entry;
  return nullptr;
}

}  // namespace

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
  const winhost::ResEntry* entry = EntryOf(hModule, hResInfo);
  if (!entry) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  // An empty resource still has an address; its size says there is nothing there.
  static const std::uint8_t nothing = 0;
  const void* bytes = entry->data.empty() ? &nothing : entry->data.data();
  return const_cast<void*>(bytes);
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
  const winhost::ResEntry* entry = EntryOf(hModule, hResInfo);
  if (!entry) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return static_cast<DWORD>(entry->data.size());
}
