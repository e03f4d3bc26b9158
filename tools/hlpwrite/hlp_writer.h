// hlp_writer.h - writes a WinHelp (.hlp) file of one contents topic of plain paragraphs.
#ifndef TOOLS_HLPWRITE_HLP_WRITER_H
#define TOOLS_HLPWRITE_HLP_WRITER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hlpwrite {

struct HelpSource {
  std::string title;
  std::string copyright;  // may be empty: then the file has no copyright record
  std::vector<std::string> paragraphs;
};

struct SourceError {
  int line = 0;
  std::string message;
};

// The help source text: the first line is the title; a second line, if not blank, is the
// copyright line shown in the About box; then paragraphs, separated by blank lines. A
// paragraph's lines are joined with one space. CR LF line ends are accepted.
std::variant<HelpSource, SourceError> ParseHelpSource(std::string_view text);

// WinHelp's hash of a context id ("contents" is the one this writer uses).
uint32_t ContextHash(std::string_view id);

// The two data parts of a text record holding one paragraph in font 0.
struct LinkData {
  std::vector<uint8_t> data1;
  std::vector<uint8_t> data2;
};
LinkData TextRecord(std::string_view paragraph);

// Layout constants of the uncompressed 4.0 |TOPIC file.
constexpr uint32_t kTopicBlockSize = 4096;
constexpr uint32_t kTopicBlockHeader = 12;
constexpr uint32_t kTopicLinkHeader = 21;
// Longest paragraph: its record length must fit a two-byte compressed integer.
constexpr size_t kMaxParagraph = 0x7FFF - 3;

// The whole help file, or a message saying what did not fit.
std::variant<std::vector<uint8_t>, std::string> WriteHelpFile(const HelpSource& source);

}  // namespace hlpwrite

#endif
