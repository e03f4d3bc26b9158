// hlpfile.cpp - reads a WinHelp 3.1/4.0 file: the internal directory, the |SYSTEM title and
// contents record, and the text of the contents topic from |TOPIC (plain or LZ77 blocks).
// Every read is bounds-checked and every link must lie after the one before it, so a
// broken file ends in an error after at most one pass over its bytes.
#include "help/hlpfile.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace winhost {
namespace {

struct Broken {
  std::string message;
};

[[noreturn]] void Fail(std::string message) { throw Broken{std::move(message)}; }

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// Sequential little-endian reading of one region, named in every error.
class Cursor {
 public:
  Cursor(std::span<const std::uint8_t> data, std::string what, size_t pos = 0) : data_(data), what_(std::move(what)) {
    if (pos > data_.size()) Fail(what_ + ": offset " + Hex(pos) + " lies beyond its " + Hex(data_.size()) + " bytes");
    pos_ = pos;
  }
  bool AtEnd() const { return pos_ == data_.size(); }
  std::span<const std::uint8_t> Take(std::uint64_t n) {
    if (n > data_.size() - pos_)
      Fail(what_ + ": expected " + std::to_string(n) + " bytes at offset " + Hex(pos_) + ", found " +
           std::to_string(data_.size() - pos_));
    auto part = data_.subspan(pos_, n);
    pos_ += n;
    return part;
  }
  std::uint8_t U8() { return Take(1)[0]; }
  std::uint16_t U16() {
    auto b = Take(2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
  }
  std::uint32_t U32() {
    auto b = Take(4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  }
  // Compressed integers: bit 0 of the first byte says whether the wide form follows.
  bool Wide() { return data_.size() > pos_ && (data_[pos_] & 1); }
  unsigned CUShort() { return Wide() ? U16() / 2u : U8() / 2u; }
  int CSShort() { return Wide() ? int(U16() / 2) - 0x4000 : int(U8() / 2) - 0x40; }
  void SkipCSLong() { Wide() ? (void)U32() : (void)U16(); }
  // Text up to a NUL; a string cut by the region's end is taken as it stands.
  std::string Text() {
    auto rest = data_.subspan(pos_);
    auto nul = std::find(rest.begin(), rest.end(), 0);
    pos_ += (nul - rest.begin()) + (nul != rest.end());
    return std::string(rest.begin(), nul);
  }
  std::string StrictText() {
    auto rest = data_.subspan(pos_);
    if (std::find(rest.begin(), rest.end(), 0) == rest.end()) Fail(what_ + ": expected a NUL-terminated name at " + Hex(pos_));
    return Text();
  }

 private:
  std::span<const std::uint8_t> data_;
  std::string what_;
  size_t pos_ = 0;
};

// An internal file: a 9-byte header (reserved space, used space, flags) and its content.
std::span<const std::uint8_t> InternalFile(std::span<const std::uint8_t> file, std::uint32_t offset,
                                           const std::string& name) {
  Cursor header(file, name, offset);
  std::uint64_t reserved = header.U32(), used = header.U32();
  header.U8();
  if (reserved < used + 9)
    Fail(name + ": expected reserved space of at least used space + 9 = " + std::to_string(used + 9) + ", found " +
         std::to_string(reserved));
  return header.Take(used);
}

// The internal directory: a B+ tree of (name, file offset) with names in strcmp order.
class Directory {
 public:
  Directory(std::span<const std::uint8_t> file, std::uint32_t start) : tree_(InternalFile(file, start, "directory")) {
    Cursor header(tree_, "directory B+ tree header");
    if (std::uint16_t magic = header.U16(); magic != 0x293B) Fail("directory: expected B+ tree magic 0x293B, found " + Hex(magic));
    header.U16();
    page_size_ = header.U16();
    header.Take(20);  // structure, must-be-zero, page splits
    root_ = header.U16();
    header.U16();
    pages_ = header.U16();
    levels_ = header.U16();
    if (page_size_ < 8 || levels_ < 1 || levels_ > 16)
      Fail("directory: expected page size >= 8 and 1 to 16 levels, found " + std::to_string(page_size_) + " and " +
           std::to_string(levels_));
  }

  std::optional<std::uint32_t> Find(const std::string& name) const {
    std::uint16_t page = root_;
    for (unsigned level = 1; level < levels_; level++) {
      Cursor index = Page(page);
      index.U16();
      int entries = static_cast<std::int16_t>(index.U16());
      page = index.U16();  // child for names below the first key
      for (int i = 0; i < entries; i++) {
        std::string key = index.StrictText();
        std::uint16_t child = index.U16();
        if (name < key) break;
        page = child;
      }
    }
    Cursor leaf = Page(page);
    leaf.U16();
    int entries = static_cast<std::int16_t>(leaf.U16());
    leaf.Take(4);
    for (int i = 0; i < entries; i++) {
      std::string key = leaf.StrictText();
      std::uint32_t offset = leaf.U32();
      if (key == name) return offset;
    }
    return std::nullopt;
  }

 private:
  Cursor Page(std::uint16_t page) const {
    if (page >= pages_) Fail("directory: page " + std::to_string(page) + " of " + std::to_string(pages_) + " pages");
    Cursor pages(tree_, "directory pages", 38);
    pages.Take(std::uint64_t{page} * page_size_);
    return Cursor(pages.Take(page_size_), "directory page " + std::to_string(page));
  }

  std::span<const std::uint8_t> tree_;
  std::uint16_t page_size_, root_, pages_, levels_;
};

struct SystemInfo {
  std::string title;
  std::optional<std::uint32_t> contents;  // TOPICOFFSET of the contents topic
  bool compressed = false;
  size_t block_size = 4096;
};

SystemInfo ReadSystem(std::span<const std::uint8_t> data) {
  Cursor system(data, "|SYSTEM");
  if (std::uint16_t magic = system.U16(); magic != 0x036C) Fail("|SYSTEM: expected magic 0x36C, found " + Hex(magic));
  std::uint16_t minor = system.U16(), major = system.U16();
  if (major != 1 || minor <= 16)
    Fail("|SYSTEM: expected version 1.17 or later (WinHelp 3.1/4.0), found " + std::to_string(major) + "." +
         std::to_string(minor));
  system.U32();
  std::uint16_t flags = system.U16();
  SystemInfo info;
  info.compressed = flags & (4 | 8);
  info.block_size = (flags & 8) ? 2048 : 4096;
  while (!system.AtEnd()) {
    std::uint16_t type = system.U16(), size = system.U16();
    Cursor record(system.Take(size), "|SYSTEM record " + std::to_string(type));
    if (type == 1) info.title = record.Text();
    if (type == 3) info.contents = record.U32();
  }
  return info;
}

// WinHelp's LZ77: a control byte (bit set: match) for up to eight items; a match is a u16
// of distance-1 (low 12 bits) and length-3 (high 4 bits) back into this block's output.
std::vector<std::uint8_t> ExpandBlock(std::span<const std::uint8_t> in, size_t block) {
  constexpr size_t limit = 0x4000;  // a block never unpacks to more; the packers pad after it
  std::vector<std::uint8_t> out;
  out.reserve(limit);
  size_t i = 0;
  while (i < in.size() && out.size() < limit) {
    std::uint8_t control = in[i++];
    for (int bit = 0; bit < 8 && i < in.size() && out.size() < limit; bit++) {
      if (!(control >> bit & 1)) {
        out.push_back(in[i++]);
        continue;
      }
      if (in.size() - i < 2) Fail("|TOPIC block " + std::to_string(block) + ": LZ77 match cut off by the block's end");
      unsigned word = in[i] | in[i + 1] << 8;
      i += 2;
      size_t distance = (word & 0xFFF) + 1, length = (word >> 12) + 3;
      if (distance > out.size())
        Fail("|TOPIC block " + std::to_string(block) + ": LZ77 match " + std::to_string(distance) +
             " bytes back, found only " + std::to_string(out.size()) + " bytes of output");
      while (length-- > 0 && out.size() < limit) out.push_back(out[out.size() - distance]);
    }
  }
  return out;
}

// A place in the topic data: a block and an offset into its unpacked bytes.
struct Position {
  size_t block, offset;
  auto operator<=>(const Position&) const = default;
};

Position Decode(std::uint32_t topic_pos) {
  if (topic_pos < 12) Fail("|TOPIC: expected a TOPICPOS of at least 0xC, found " + Hex(topic_pos));
  return {(topic_pos - 12) >> 14, (topic_pos - 12) & 0x3FFF};
}

// The |TOPIC file as one stream over its blocks, each unpacked once when first needed.
class TopicStream {
 public:
  TopicStream(std::span<const std::uint8_t> data, const SystemInfo& info)
      : data_(data), info_(info), blocks_((data.size() + info.block_size - 1) / info.block_size) {}

  std::uint32_t FirstLink() { return Cursor(Raw(0), "|TOPIC block 0", 4).U32(); }

  // Reads n bytes from at, running on into the next blocks; at moves past them.
  std::vector<std::uint8_t> Read(Position& at, std::uint64_t n) {
    std::vector<std::uint8_t> out;
    for (;;) {
      if (at.block >= blocks_) Fail("|TOPIC: a link runs past the last block (" + std::to_string(blocks_) + ")");
      const std::vector<std::uint8_t>& block = Block(at.block);
      if (at.offset > block.size())
        Fail("|TOPIC block " + std::to_string(at.block) + ": offset " + Hex(at.offset) + " beyond its " +
             Hex(block.size()) + " bytes");
      size_t take = std::min<std::uint64_t>(n - out.size(), block.size() - at.offset);
      out.insert(out.end(), block.begin() + at.offset, block.begin() + at.offset + take);
      at.offset += take;
      if (out.size() == n) return out;
      at = {at.block + 1, 0};
    }
  }

  // Links only move forward: blocks before this one are not needed again.
  void Forget(size_t before) { cache_.erase(cache_.begin(), cache_.lower_bound(before)); }

 private:
  std::span<const std::uint8_t> Raw(size_t block) {
    if (block >= blocks_) Fail("|TOPIC: no block " + std::to_string(block));
    size_t start = block * info_.block_size;
    auto raw = data_.subspan(start, std::min(info_.block_size, data_.size() - start));
    if (raw.size() < 12) Fail("|TOPIC block " + std::to_string(block) + ": expected a 12-byte header, found " +
                              std::to_string(raw.size()) + " bytes");
    return raw;
  }
  const std::vector<std::uint8_t>& Block(size_t block) {
    auto found = cache_.find(block);
    if (found != cache_.end()) return found->second;
    auto body = Raw(block).subspan(12);
    return cache_[block] = info_.compressed ? ExpandBlock(body, block)
                                            : std::vector<std::uint8_t>(body.begin(), body.end());
  }

  std::span<const std::uint8_t> data_;
  const SystemInfo& info_;
  size_t blocks_;
  std::map<size_t, std::vector<std::uint8_t>> cache_;
};

// Text commands: operand size and the text that stands for them in a paragraph.
struct TextCommand {
  std::uint8_t code, operand;
  const char* text;
  bool ends_paragraph;
};
constexpr TextCommand TextCommands[] = {
    {0x80, 2, "", false},    // font
    {0x81, 0, "\n", false},  // line break
    {0x82, 0, "", true},     // end of paragraph
    {0x83, 0, "\t", false},  // tab
    {0x89, 0, "", false},    // end of hotspot
    {0xE2, 4, "", false},    // popup jump (context hash)
    {0xE3, 4, "", false},    // topic jump (context hash)
};

// A type 0x20 record: paragraph settings, then strings of LinkData2 alternating with the
// commands of LinkData1 up to 0xFF.
void AppendText(Cursor& settings, std::span<const std::uint8_t> strings, std::vector<std::string>& paragraphs) {
  settings.Take(4);
  std::uint16_t bits = settings.U16();
  if (bits & 0x0001) settings.SkipCSLong();
  for (std::uint16_t bit = 0x02; bit <= 0x40; bit <<= 1)
    if (bits & bit) settings.CSShort();  // spacing and indents
  if (bits & 0x0100) settings.Take(3);   // border flags and width
  if (bits & 0x0200) {
    int stops = settings.CSShort();
    for (int i = 0; i < stops; i++)
      if (settings.CUShort() & 0x4000) settings.CUShort();
  }
  Cursor text(strings, "text strings");
  std::string paragraph;
  for (;;) {
    paragraph += text.Text();
    std::uint8_t code = settings.U8();
    if (code == 0xFF) break;
    auto command = std::find_if(std::begin(TextCommands), std::end(TextCommands),
                                [code](const TextCommand& c) { return c.code == code; });
    if (command == std::end(TextCommands)) Fail("text record: unsupported command " + Hex(code));
    settings.Take(command->operand);
    paragraph += command->text;
    if (command->ends_paragraph) paragraphs.push_back(std::move(paragraph)), paragraph.clear();
  }
  if (!paragraph.empty()) paragraphs.push_back(std::move(paragraph));
}

HelpDocument Read(std::span<const std::uint8_t> bytes) {
  Cursor header(bytes, "file header");
  if (std::uint32_t magic = header.U32(); magic != 0x00035F3F) Fail("file header: expected magic 0x35F3F, found " + Hex(magic));
  std::uint32_t directory_start = header.U32();
  header.U32();
  std::uint32_t size = header.U32();
  if (size < 16 || size > bytes.size())
    Fail("file header: file size " + std::to_string(size) + ", found " + std::to_string(bytes.size()) + " bytes");
  bytes = bytes.first(size);

  Directory directory(bytes, directory_start);
  auto file = [&](const char* name) {
    std::optional<std::uint32_t> offset = directory.Find(name);
    if (!offset) Fail(std::string("directory: no ") + name);
    return InternalFile(bytes, *offset, name);
  };
  for (const char* phrases : {"|Phrases", "|PhrIndex"})
    if (directory.Find(phrases)) Fail("phrase compression (" + std::string(phrases) + ") is not supported");
  SystemInfo info = ReadSystem(file("|SYSTEM"));
  TopicStream topic(file("|TOPIC"), info);

  HelpDocument document;
  document.title = info.title;
  bool in_contents = false;
  size_t count_block = SIZE_MAX;
  std::uint64_t count = 0;  // TopicLength of the text links started so far in count_block
  for (std::uint32_t pos = topic.FirstLink(); pos != 0xFFFFFFFF;) {
    Position start = Decode(pos), at = start;
    topic.Forget(start.block);
    std::string where = "|TOPIC link at " + Hex(pos);
    auto head = topic.Read(at, 21);
    Cursor link(head, where);
    std::uint32_t block_size = link.U32(), data_len2 = link.U32();
    link.U32();
    std::uint32_t next = link.U32(), data_len1 = link.U32();
    std::uint8_t type = link.U8();
    if (data_len1 < 21 || block_size < data_len1)
      Fail(where + ": expected 21 <= DataLen1 <= BlockSize, found " + std::to_string(data_len1) + " and " +
           std::to_string(block_size));
    auto data1 = topic.Read(at, data_len1 - 21);
    auto data2 = topic.Read(at, block_size - data_len1);
    if (data_len2 > data2.size()) Fail(where + ": phrase-compressed text is not supported");
    if (start.block != count_block) count_block = start.block, count = 0;

    if (type == 2) {
      if (in_contents) break;  // the next topic begins
      std::uint64_t offset = std::uint64_t{start.block} * 0x8000 + count;
      if (!info.contents || *info.contents == offset) {
        in_contents = true;
        if (document.title.empty()) document.title = Cursor(data2, where).Text();
      }
    } else if (type == 0x20 || type == 0x23) {
      Cursor settings(data1, where);
      settings.SkipCSLong();
      count += settings.CUShort();
      if (in_contents && type == 0x23) Fail(where + ": tables are not supported");
      if (in_contents) AppendText(settings, data2, document.paragraphs);
    }
    if (next != 0xFFFFFFFF && Decode(next) < at)
      Fail(where + ": expected the next link after this one's end, found " + Hex(next));
    pos = next;
  }
  if (!in_contents)
    Fail(info.contents ? "|TOPIC: no topic at the contents TOPICOFFSET " + Hex(*info.contents) : "|TOPIC: no topic");
  return document;
}

}  // namespace

std::optional<HelpDocument> ReadHelpFile(std::span<const std::uint8_t> bytes, std::string* error) {
  try {
    return Read(bytes);
  } catch (const Broken& broken) {
    if (error) *error = broken.message;
    return std::nullopt;
  }
}

std::optional<std::vector<std::uint8_t>> ExpandTopicBlock(std::span<const std::uint8_t> packed, std::string* error) {
  try {
    return ExpandBlock(packed, 0);
  } catch (const Broken& broken) {
    if (error) *error = broken.message;
    return std::nullopt;
  }
}

}  // namespace winhost
