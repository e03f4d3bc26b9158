// template.cpp - reads the classic dialog template.
#include "user/template.h"

#include <cctype>

namespace winhost {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  size_t at() const { return at_; }
  bool Word(WORD* value) {
    if (bytes_.size() - at_ < 2) return false;
    *value = static_cast<WORD>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return true;
  }
  bool Dword(DWORD* value) {
    WORD low, high;
    if (!Word(&low) || !Word(&high)) return false;
    *value = low | static_cast<DWORD>(high) << 16;
    return true;
  }
  bool Short(short* value) {
    WORD word;
    if (!Word(&word)) return false;
    *value = static_cast<short>(word);
    return true;
  }
  // A NUL-terminated UTF-16 text; characters outside Latin-1 become '?'.
  bool Text(std::string* text) {
    for (;;) {
      WORD c;
      if (!Word(&c)) return false;
      if (c == 0) return true;
      text->push_back(c < 0x100 ? static_cast<char>(c) : '?');
    }
  }
  // 0x0000: nothing; 0xFFFF: an ordinal follows; otherwise a text.
  bool Name(TemplateName* name) {
    WORD first;
    if (!Word(&first)) return false;
    if (first == 0) return true;
    if (first == 0xFFFF) {
      name->isOrdinal = true;
      return Word(&name->ordinal);
    }
    at_ -= 2;
    return Text(&name->text);
  }
  bool Bytes(size_t count, std::vector<std::uint8_t>* out) {
    if (bytes_.size() - at_ < count) return false;
    out->assign(bytes_.begin() + at_, bytes_.begin() + at_ + count);
    at_ += count;
    return true;
  }
  bool AlignDword() {
    size_t aligned = (at_ + 3) & ~size_t(3);
    if (aligned > bytes_.size()) return false;
    at_ = aligned;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  size_t at_ = 0;
};

}  // namespace

std::string PredefinedClassName(WORD ordinal) {
  static const char* const names[] = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
  return ordinal >= 0x80 && ordinal < 0x80 + 6 ? names[ordinal - 0x80] : "";
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes, std::string* why) {
  Reader in(bytes);
  auto fail = [&](const std::string& expected) -> std::optional<DialogTemplate> {
    if (why) *why = "dialog template of " + std::to_string(bytes.size()) + " bytes, at offset " +
                    std::to_string(in.at()) + ": expected " + expected;
    return std::nullopt;
  };
  DialogTemplate dialog;
  WORD count = 0;
  if (bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF)
    return fail("a classic template, found an extended one (DLGTEMPLATEEX)");
  if (!in.Dword(&dialog.style) || !in.Dword(&dialog.exStyle) || !in.Word(&count) || !in.Short(&dialog.x) ||
      !in.Short(&dialog.y) || !in.Short(&dialog.cx) || !in.Short(&dialog.cy))
    return fail("the 18-byte header");
  if (!in.Name(&dialog.menu)) return fail("the menu name");
  if (!in.Name(&dialog.className)) return fail("the window class name");
  if (!in.Text(&dialog.title)) return fail("the title, ending in a NUL character");
  if (dialog.style & DS_SETFONT) {
    WORD points;
    if (!in.Word(&points) || !in.Text(&dialog.fontFace)) return fail("the font's point size and face name");
    dialog.pointSize = points;
  }
  for (WORD i = 0; i < count; i++) {
    DialogItemTemplate item;
    WORD id, extra;
    std::string which = "item " + std::to_string(i + 1) + " of " + std::to_string(count) + ": ";
    if (!in.AlignDword() || !in.Dword(&item.style) || !in.Dword(&item.exStyle) || !in.Short(&item.x) ||
        !in.Short(&item.y) || !in.Short(&item.cx) || !in.Short(&item.cy) || !in.Word(&id))
      return fail(which + "the 18-byte item header");
    item.id = static_cast<short>(id);
    if (!in.Name(&item.className) || (!item.className.isOrdinal && item.className.text.empty()))
      return fail(which + "a class ordinal or name");
    if (!in.Name(&item.text)) return fail(which + "the item text");
    if (!in.Word(&extra) || !in.Bytes(extra, &item.creationData))
      return fail(which + "creation data of the size given");
    for (char& c : item.className.text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (item.className.isOrdinal) {
      item.className.text = PredefinedClassName(item.className.ordinal);
      if (item.className.text.empty()) return fail(which + "a predefined class ordinal 0x80 to 0x85");
      item.className.isOrdinal = false;
    }
    dialog.items.push_back(std::move(item));
  }
  return dialog;
}

}  // namespace winhost
