// help_builder.h - builds small help files for the reader's tests: plain or LZ77-packed topic
// blocks, several topics, a one- or two-level directory, and broken variants on request.
#ifndef TESTS_PLATFORM_HELP_HELP_BUILDER_H
#define TESTS_PLATFORM_HELP_HELP_BUILDER_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace helptest {

// In a paragraph, '\n' is written as a line break command, '\t' as a tab, '\x01' opens a jump
// and '\x02' closes it.
struct Topic {
  std::string title;
  std::vector<std::string> paragraphs;
};

struct HelpRecipe {
  std::string title = "Fixture Help";
  std::vector<Topic> topics;
  bool compress = false;                   // |SYSTEM flags 4: each block LZ77-packed
  size_t block_data = 4084;                // unpacked bytes per |TOPIC block (packed: 0x4000)
  std::optional<size_t> contents;          // topic named by |SYSTEM record 3; none: no record
  bool two_level_directory = false;        // directory as an index page over two leaves
  std::uint16_t paragraph_bits = 0;        // 0x02 and 0x10 add spacing above and left indent
  // Faults.
  std::uint16_t minor = 33;
  bool phrases = false;                    // a |Phrases file in the directory
  std::uint8_t extra_command = 0;          // written before each record's 0xFF when non-zero
  std::uint8_t text_type = 0x20;           // record type of the text links
  bool phrase_length = false;              // DataLen2 larger than the stored LinkData2
  bool backward_link = false;              // the first text link's NextBlock names itself
  std::optional<std::uint32_t> contents_offset;  // record 3's value instead of the real one
};

std::vector<std::uint8_t> BuildHelp(const HelpRecipe& recipe);

// Greedy LZ77 in WinHelp's form (control bit 1: match of distance-1, length-3 in a u16).
std::vector<std::uint8_t> PackLz77(std::span<const std::uint8_t> data);

}  // namespace helptest

#endif
