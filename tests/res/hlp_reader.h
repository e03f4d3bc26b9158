// hlp_reader.h - a strict reader of uncompressed WinHelp files, written apart from the
// writer so that the tests check the file against the format rather than against itself.
#ifndef TESTS_RES_HLP_READER_H
#define TESTS_RES_HLP_READER_H

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace hlpread {

struct Topic {
  uint32_t topic_pos = 0;     // where its header link starts
  uint32_t topic_offset = 0;  // what |SYSTEM, |CONTEXT and |TTLBTREE refer to it by
  uint32_t scroll = 0;      // TOPICPOS of its first scrolling paragraph
  uint32_t next_topic = 0;  // TOPICPOS of the next topic header
  std::string title;
  std::vector<std::string> paragraphs;
};

struct HelpFile {
  uint16_t minor = 0;
  uint16_t flags = 0;
  uint32_t gen_date = 0;
  std::string title;
  std::string copyright;
  uint32_t contents_offset = 0xFFFFFFFF;
  std::map<std::string, uint32_t> files;          // internal file name -> its FILEHEADER offset
  std::map<uint32_t, uint32_t> context;           // |CONTEXT: hash -> TOPICOFFSET
  std::map<uint32_t, std::string> titles;         // |TTLBTREE: TOPICOFFSET -> title
  std::vector<Topic> topics;                      // the terminating empty header included
  uint32_t topic_blocks = 0;
};

// Reads and checks the whole file; a message naming the first fault otherwise.
std::variant<HelpFile, std::string> ReadHelp(std::span<const uint8_t> file);

}  // namespace hlpread

#endif
