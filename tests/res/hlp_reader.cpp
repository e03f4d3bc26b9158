// hlp_reader.cpp - reading back the header, directory, |SYSTEM, |FONT, the B+ trees and
// the |TOPIC chain, checking each layout rule that viewers depend on.
#include "hlp_reader.h"

#include <cctype>
#include <stdexcept>

namespace hlpread {
namespace {

struct Fault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Require(bool ok, const std::string& what) {
  if (!ok) throw Fault(what);
}

class Reader {
 public:
  Reader(std::span<const uint8_t> bytes, std::string what) : b_(bytes), what_(std::move(what)) {}
  size_t Pos() const { return at_; }
  size_t Left() const { return b_.size() - at_; }
  void Seek(size_t at) {
    Require(at <= b_.size(), what_ + ": offset " + std::to_string(at) + " beyond its " + std::to_string(b_.size()) + " bytes");
    at_ = at;
  }
  uint32_t U8() { return Take(1)[0]; }
  uint32_t U16() { auto p = Take(2); return p[0] | p[1] << 8; }
  uint32_t U32() { auto p = Take(4); return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
  std::string StringZ() {
    std::string s;
    for (uint32_t c; (c = U8()) != 0;) s.push_back(static_cast<char>(c));
    return s;
  }
  std::span<const uint8_t> Take(size_t n) {
    Require(n <= Left(), what_ + ": expected " + std::to_string(n) + " more bytes at offset " + std::to_string(at_) +
                             ", found " + std::to_string(Left()));
    auto s = b_.subspan(at_, n);
    at_ += n;
    return s;
  }

 private:
  std::span<const uint8_t> b_;
  std::string what_;
  size_t at_ = 0;
};

// The content of an internal file, after checking its FILEHEADER.
std::span<const uint8_t> InternalFile(std::span<const uint8_t> file, uint32_t offset, const std::string& name) {
  Reader r(file, name);
  r.Seek(offset);
  const uint32_t reserved = r.U32(), used = r.U32();
  r.U8();
  Require(reserved == used + 9, name + ": expected reserved space = used + 9, found " + std::to_string(reserved) +
                                    " for " + std::to_string(used));
  return r.Take(used);
}

// Entries of a one-level B+ tree, each handed to take() with a reader on the leaf.
template <typename Take>
void ReadTree(std::span<const uint8_t> content, const std::string& name, const char* structure, Take take) {
  Reader r(content, name);
  Require(r.U16() == 0x293B, name + ": expected B+ tree magic 0x293B");
  r.U16();
  const uint32_t page_size = r.U16();
  auto s = r.Take(16);
  Require(std::string(reinterpret_cast<const char*>(s.data())) == structure,
          name + ": expected structure " + structure);
  r.Take(6);
  const uint32_t neg_one = r.U16(), pages = r.U16(), levels = r.U16(), total = r.U32();
  Require(neg_one == 0xFFFF && pages == 1 && levels == 1, name + ": expected a single leaf page");
  Require(content.size() == 38 + page_size, name + ": expected exactly one page of " + std::to_string(page_size) + " bytes");
  const uint32_t unused = r.U16(), entries = r.U16();
  Require(r.U16() == 0xFFFF && r.U16() == 0xFFFF, name + ": expected no neighbour leaves");
  Require(entries == total, name + ": leaf count differs from header count");
  for (uint32_t i = 0; i < entries; ++i) take(r);
  Require(r.Pos() - 38 + unused == page_size, name + ": expected Unused to count the free bytes of the leaf");
}

uint32_t ContextHash(const std::string& id) {
  uint32_t h = 0;
  for (unsigned char c : id) {
    uint32_t v = std::isalpha(c) ? 17 + (std::tolower(c) - 'a') : c == '0' ? 10 : (c >= '1' && c <= '9') ? c - '0'
                 : c == '.'      ? 12 : c == '_' ? 13 : 0;
    h = h * 43 + v;
  }
  return h;
}

void ReadSystem(std::span<const uint8_t> content, HelpFile& help) {
  Reader r(content, "|SYSTEM");
  Require(r.U16() == 0x036C, "|SYSTEM: expected magic 0x036C");
  help.minor = static_cast<uint16_t>(r.U16());
  Require(r.U16() == 1, "|SYSTEM: expected major version 1");
  help.gen_date = r.U32();
  help.flags = static_cast<uint16_t>(r.U16());
  Require(help.minor > 16, "|SYSTEM: expected a 3.1 or later layout");
  while (r.Left() > 0) {
    const uint32_t type = r.U16(), size = r.U16();
    auto data = r.Take(size);
    Reader d(data, "|SYSTEM record " + std::to_string(type));
    if (type == 1) help.title = d.StringZ();
    else if (type == 2) help.copyright = d.StringZ();
    else if (type == 3) help.contents_offset = d.U32();
    else continue;
    Require(d.Left() == 0, "|SYSTEM record " + std::to_string(type) + ": expected no bytes after its value");
  }
}

void ReadFont(std::span<const uint8_t> content) {
  Reader r(content, "|FONT");
  const uint32_t faces = r.U16(), descriptors = r.U16(), face_off = r.U16(), desc_off = r.U16();
  Require(faces >= 1 && descriptors >= 1, "|FONT: expected at least one face and one descriptor");
  Require(face_off == 8 && desc_off > face_off && (desc_off - face_off) % faces == 0, "|FONT: expected the old layout");
  Require(content.size() == desc_off + 11 * descriptors, "|FONT: expected 11-byte descriptors filling the file");
}

// |TOPIC: the blocks' data parts joined, so that links can be read straight across them.
struct TopicStream {
  std::vector<uint8_t> data;
  std::vector<uint32_t> last_link, first_link, last_header;  // per block, from its header
  size_t Offset(uint32_t topic_pos) const {
    Require(topic_pos >= 12, "|TOPIC: position below the first block's header");
    const uint32_t block = (topic_pos - 12) >> 14, offset = (topic_pos - 12) & 0x3FFF;
    Require(offset < 4084, "|TOPIC: position beyond its block's data");
    return block * 4084 + offset;
  }
};

void ReadTopics(std::span<const uint8_t> content, HelpFile& help) {
  TopicStream t;
  for (size_t at = 0; at < content.size(); at += 4096) {
    Reader r(content.subspan(at, std::min<size_t>(4096, content.size() - at)), "|TOPIC block header");
    t.last_link.push_back(r.U32());
    t.first_link.push_back(r.U32());
    t.last_header.push_back(r.U32());
    auto data = r.Take(r.Left());
    t.data.insert(t.data.end(), data.begin(), data.end());
  }
  help.topic_blocks = static_cast<uint32_t>(t.first_link.size());

  Reader r(t.data, "|TOPIC");
  uint32_t pos = 12, previous = 0xFFFFFFFF, block_count = 0, current_block = 0;
  std::vector<uint32_t> first_seen(t.first_link.size(), 0xFFFFFFFF);
  std::vector<std::pair<uint32_t, uint32_t>> started;  // (block, type) by link, in chain order
  std::vector<uint32_t> started_pos;
  while (pos != 0xFFFFFFFF) {
    const size_t start = t.Offset(pos);
    const uint32_t block = static_cast<uint32_t>(start / 4084);
    if (block != current_block) current_block = block, block_count = 0;
    if (first_seen[block] == 0xFFFFFFFF) first_seen[block] = pos;
    r.Seek(start);
    const uint32_t block_size = r.U32(), data_len2 = r.U32(), prev = r.U32(), next = r.U32(), data_len1 = r.U32();
    const uint32_t type = r.U8();
    Require(prev == previous, "|TOPIC: link at " + std::to_string(pos) + " has the wrong PrevBlock");
    Require(data_len1 >= 21 && block_size >= data_len1 && data_len2 == block_size - data_len1,
            "|TOPIC: link at " + std::to_string(pos) + " has inconsistent sizes");
    Require((start % 4084) + data_len1 <= 4084,
            "|TOPIC: link at " + std::to_string(pos) + " has its header and first part across a block end");
    Reader d1(r.Take(data_len1 - 21), "|TOPIC LinkData1");
    started.emplace_back(block, type);
    started_pos.push_back(pos);
    auto data2 = r.Take(data_len2);
    if (type == 2) {
      Topic topic;
      topic.topic_pos = pos;
      topic.topic_offset = block * 0x8000 + block_count;
      topic.title.assign(data2.begin(), data2.end());
      if (!topic.title.empty() && topic.title.back() == '\0') topic.title.pop_back();
      Require(d1.Left() == 28, "|TOPIC: expected a 28-byte topic header");
      d1.Take(16);
      d1.U32();  // non-scrolling region
      topic.scroll = d1.U32();
      topic.next_topic = d1.U32();
      help.topics.push_back(topic);
    } else if (type == 0x20) {
      Require(!help.topics.empty(), "|TOPIC: text before the first topic header");
      if (help.topics.back().paragraphs.empty())
        Require(help.topics.back().scroll == pos, "|TOPIC: topic header's Scroll is not its first text record");
      const uint32_t first = d1.U8();
      const uint32_t topic_size = first & 1 ? (first | d1.U8() << 8 | d1.U16() << 16) >> 1 : (first | d1.U8() << 8) >> 1;
      (void)topic_size;
      const uint32_t first_length = d1.U8();
      const uint32_t topic_length = first_length & 1 ? (first_length | d1.U8() << 8) >> 1 : first_length >> 1;
      Require(topic_length == data_len2, "|TOPIC: TopicLength differs from the stored text length");
      block_count += topic_length;
      Require(d1.U8() == 0 && d1.U8() == 0x80, "|TOPIC: expected the paragraph info bytes 00 80");
      d1.U16();
      Require(d1.U16() == 0, "|TOPIC: expected plain paragraphs, found formatting bits");
      Reader d2(data2, "|TOPIC LinkData2");
      std::string paragraph;
      for (;;) {
        paragraph += d2.StringZ();
        const uint32_t command = d1.U8();
        if (command == 0xFF) break;
        if (command == 0x80) d1.U16();
        else if (command == 0x82) help.topics.back().paragraphs.push_back(std::move(paragraph)), paragraph.clear();
        else if (command == 0x81) paragraph += '\n';
        else Require(false, "|TOPIC: unexpected command " + std::to_string(command));
      }
      Require(paragraph.empty(), "|TOPIC: text after the last paragraph end");
      Require(d1.Left() == 0 && d2.Left() == 0, "|TOPIC: bytes left over in a text record");
    } else {
      Require(false, "|TOPIC: unexpected record type " + std::to_string(type));
    }
    previous = pos;
    pos = next;
  }
  for (size_t i = 0; i + 1 < help.topics.size(); ++i)
    Require(help.topics[i].next_topic == help.topics[i + 1].topic_pos, "|TOPIC: topic header's NextTopic is wrong");
  for (size_t b = 0; b < first_seen.size(); ++b) {
    const std::string block = "|TOPIC: block " + std::to_string(b);
    Require(first_seen[b] == t.first_link[b], block + " names the wrong first link");
    uint32_t last_link = 0xFFFFFFFF, last_header = 0;
    for (size_t i = 0; i < started.size() && started[i].first < b; ++i) {
      last_link = started_pos[i];
      if (started[i].second == 2) last_header = started_pos[i];
    }
    Require(t.last_link[b] == last_link, block + " names the wrong last link before it");
    Require(t.last_header[b] == last_header, block + " names the wrong last topic header before it");
  }
}

}  // namespace

std::variant<HelpFile, std::string> ReadHelp(std::span<const uint8_t> file) {
  try {
    HelpFile help;
    Reader r(file, "header");
    Require(r.U32() == 0x00035F3F, "header: expected magic 0x00035F3F");
    const uint32_t directory = r.U32();
    r.U32();
    Require(r.U32() == file.size(), "header: expected EntireFileSize to be the file's size");
    std::string last;
    ReadTree(InternalFile(file, directory, "directory"), "directory", "z4", [&](Reader& leaf) {
      std::string name = leaf.StringZ();
      Require(last.empty() || last < name, "directory: expected names in ascending order, found " + name + " after " + last);
      help.files[name] = leaf.U32();
      last = name;
    });
    for (const char* needed : {"|SYSTEM", "|TOPIC", "|FONT", "|CONTEXT"})
      Require(help.files.count(needed) == 1, std::string("directory: expected the internal file ") + needed);
    auto content = [&](const std::string& name) { return InternalFile(file, help.files.at(name), name); };
    ReadSystem(content("|SYSTEM"), help);
    ReadFont(content("|FONT"));
    ReadTree(content("|CONTEXT"), "|CONTEXT", "L4", [&](Reader& leaf) {
      const uint32_t hash = leaf.U32();
      help.context[hash] = leaf.U32();
    });
    if (help.files.count("|TTLBTREE"))
      ReadTree(content("|TTLBTREE"), "|TTLBTREE", "Lz", [&](Reader& leaf) {
        const uint32_t offset = leaf.U32();
        help.titles[offset] = leaf.StringZ();
      });
    ReadTopics(content("|TOPIC"), help);
    Require(help.context.count(ContextHash("contents")) == 1, "|CONTEXT: expected the id \"contents\"");
    return help;
  } catch (const Fault& fault) {
    return std::string(fault.what());
  }
}

}  // namespace hlpread
