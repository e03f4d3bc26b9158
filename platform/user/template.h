// template.h - the classic dialog template (DLGTEMPLATE and its items) read from resource bytes.
// The parser takes any bytes: every size and string is checked against the resource's end.
#ifndef PLATFORM_USER_TEMPLATE_H
#define PLATFORM_USER_TEMPLATE_H

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace winhost {

// A template field that is either an ordinal (0xFFFF, n) or a text.
struct TemplateName {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::string text;  // ANSI; empty with an ordinal
};

struct DialogItemTemplate {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;               // the WORD as a signed value: 0xFFFF is -1
  TemplateName className;   // an ordinal 0x80.. or a name, compared without case
  TemplateName text;
  std::vector<std::uint8_t> creationData;
};

struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  TemplateName menu, className;
  std::string title;
  int pointSize = 0;        // with DS_SETFONT
  std::string fontFace;
  std::vector<DialogItemTemplate> items;
};

// None when the bytes are no complete classic template; *why then says what was expected where.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes, std::string* why = nullptr);

// The class that a predefined ordinal names (0x80 "button" ... 0x85 "combobox"); empty if none.
std::string PredefinedClassName(WORD ordinal);

}  // namespace winhost

#endif
