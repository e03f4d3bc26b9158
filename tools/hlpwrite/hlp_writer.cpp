// hlp_writer.cpp - the WinHelp file layout: internal files, B+ tree leaves, |TOPIC blocks.
// The file is uncompressed (no LZ77, no phrases) so that every byte follows from the
// source, and its date is 0 so that two builds are identical.
#include "hlp_writer.h"

#include <map>

namespace hlpwrite {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint16_t kSystemMinor = 33;  // the Windows 95 help compiler's layout
constexpr char kContentsId[] = "contents";
constexpr char kFaceName[] = "Arial";
constexpr uint8_t kRecordTopicHeader = 0x02;
constexpr uint8_t kRecordText = 0x20;

class Bytes {
 public:
  void U8(uint32_t v) { b_.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) { U8(v), U8(v >> 8); }
  void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
  void Append(std::string_view s) { b_.insert(b_.end(), s.begin(), s.end()); }
  void Append(const std::vector<uint8_t>& v) { b_.insert(b_.end(), v.begin(), v.end()); }
  void StringZ(std::string_view s) { Append(s), U8(0); }
  void Padded(std::string_view s, size_t width) {
    Append(s);
    b_.resize(b_.size() + width - s.size(), 0);
  }
  void Patch32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  size_t Size() const { return b_.size(); }
  std::vector<uint8_t>& Vector() { return b_; }

 private:
  std::vector<uint8_t> b_;
};

// Two-byte forms only; callers keep values inside them.
void CompressedUShort(Bytes& out, uint32_t v) {
  if (v < 0x80) out.U8(v * 2);
  else out.U16(v * 2 + 1);
}
void CompressedSLong(Bytes& out, int32_t v) { out.U16(static_cast<uint32_t>(v + 0x4000) * 2); }

// A B+ tree of a single leaf page; enough for the handful of entries this file needs.
std::variant<std::vector<uint8_t>, std::string> OneLeafTree(std::string_view structure, uint16_t flags,
                                                            uint16_t page_size,
                                                            const std::vector<std::vector<uint8_t>>& entries) {
  size_t used = 8;
  for (const auto& e : entries) used += e.size();
  if (used > page_size)
    return "B+ tree '" + std::string(structure) + "': expected entries of at most " + std::to_string(page_size - 8) +
           " bytes, found " + std::to_string(used - 8);
  Bytes t;
  t.U16(0x293B);
  t.U16(flags);
  t.U16(page_size);
  t.Padded(structure, 16);
  t.U16(0);       // must be zero
  t.U16(0);       // page splits
  t.U16(0);       // root page
  t.U16(0xFFFF);  // must be -1
  t.U16(1);       // pages
  t.U16(1);       // levels
  t.U32(static_cast<uint32_t>(entries.size()));
  t.U16(static_cast<uint32_t>(page_size - used));
  t.U16(static_cast<uint32_t>(entries.size()));
  t.U16(0xFFFF);  // no previous leaf
  t.U16(0xFFFF);  // no next leaf
  for (const auto& e : entries) t.Append(e);
  t.Vector().resize(38 + page_size, 0);
  return std::move(t.Vector());
}

struct TopicLink {
  uint8_t type;
  std::vector<uint8_t> data1;
  std::vector<uint8_t> data2;
  uint32_t topic_length = 0;  // what TOPICOFFSET counts: the text length of a text record
  uint32_t block = 0;
  uint32_t pos = 0;  // offset inside the block, counting its header
  uint32_t TopicPos() const { return block * 0x4000 + pos; }
  uint32_t Size() const { return kTopicLinkHeader + static_cast<uint32_t>(data1.size() + data2.size()); }
};

std::vector<uint8_t> TopicHeader(uint32_t block_size, uint32_t topic_num, uint32_t scroll, uint32_t next_topic) {
  Bytes h;
  h.U32(block_size);
  h.U32(kNone);  // no browse sequence
  h.U32(kNone);
  h.U32(topic_num);
  h.U32(kNone);  // no non-scrolling region
  h.U32(scroll);
  h.U32(next_topic);
  return std::move(h.Vector());
}

// Places the links into 4096-byte blocks: a link's header and first data part never
// straddle a block, its second part may run on past the next block's header.
void LayOut(std::vector<TopicLink>& links) {
  uint32_t block = 0, pos = kTopicBlockHeader;
  for (TopicLink& link : links) {
    if (pos + kTopicLinkHeader + link.data1.size() > kTopicBlockSize) ++block, pos = kTopicBlockHeader;
    link.block = block;
    link.pos = pos;
    pos += link.Size();
    while (pos > kTopicBlockSize) ++block, pos -= kTopicBlockSize - kTopicBlockHeader;
  }
}

std::vector<uint8_t> TopicFile(std::vector<TopicLink>& links) {
  constexpr uint32_t data_per_block = kTopicBlockSize - kTopicBlockHeader;
  std::vector<uint8_t> stream;  // the blocks' data parts, back to back
  for (size_t i = 0; i < links.size(); ++i) {
    const TopicLink& l = links[i];
    Bytes h;
    h.U32(l.Size());
    h.U32(static_cast<uint32_t>(l.data2.size()));
    h.U32(i == 0 ? kNone : links[i - 1].TopicPos());
    h.U32(i + 1 == links.size() ? kNone : links[i + 1].TopicPos());
    h.U32(kTopicLinkHeader + static_cast<uint32_t>(l.data1.size()));
    h.U8(l.type);
    h.Append(l.data1);
    h.Append(l.data2);
    stream.resize(l.block * data_per_block + (l.pos - kTopicBlockHeader), 0);
    stream.insert(stream.end(), h.Vector().begin(), h.Vector().end());
  }
  const uint32_t blocks = static_cast<uint32_t>((stream.size() + data_per_block - 1) / data_per_block);
  Bytes file;
  for (uint32_t b = 0; b < blocks; ++b) {
    uint32_t last_link = kNone, first_link = kNone, last_header = 0;
    for (const TopicLink& l : links) {
      if (l.block < b) {
        last_link = l.TopicPos();
        if (l.type == kRecordTopicHeader) last_header = l.TopicPos();
      } else if (l.block == b && first_link == kNone) {
        first_link = l.TopicPos();
      }
    }
    file.U32(last_link);
    file.U32(first_link);
    file.U32(last_header);
    const size_t from = b * data_per_block;
    const size_t to = std::min<size_t>(stream.size(), from + data_per_block);
    file.Vector().insert(file.Vector().end(), stream.begin() + from, stream.begin() + to);
  }
  return std::move(file.Vector());
}

// TOPICOFFSET of a link: its block in units of 0x8000 plus the text lengths of the
// records that start in that block before it.
uint32_t TopicOffset(const std::vector<TopicLink>& links, size_t index) {
  uint32_t count = 0;
  for (size_t i = 0; i < index; ++i)
    if (links[i].block == links[index].block) count += links[i].topic_length;
  return links[index].block * 0x8000 + count;
}

std::vector<uint8_t> SystemFile(const HelpSource& source, uint32_t contents_offset) {
  Bytes s;
  s.U16(0x036C);
  s.U16(kSystemMinor);
  s.U16(1);  // major
  s.U32(0);  // date: none, so that builds are reproducible
  s.U16(0);  // flags: no LZ77 compression
  auto record = [&s](uint16_t type, const std::vector<uint8_t>& data) {
    s.U16(type);
    s.U16(static_cast<uint32_t>(data.size()));
    s.Append(data);
  };
  auto stringz = [](std::string_view text) {
    std::vector<uint8_t> v(text.begin(), text.end());
    v.push_back(0);
    return v;
  };
  record(1, stringz(source.title));
  if (!source.copyright.empty()) record(2, stringz(source.copyright));
  Bytes contents;
  contents.U32(contents_offset);
  record(3, contents.Vector());
  return std::move(s.Vector());
}

std::vector<uint8_t> FontFile() {
  Bytes f;
  f.U16(1);       // face names
  f.U16(1);       // descriptors
  f.U16(8);       // face names offset
  f.U16(8 + 32);  // descriptors offset
  f.Padded(kFaceName, 32);
  f.U8(0);        // attributes: regular
  f.U8(20);       // 10 point, in half-points
  f.U8(3);        // swiss family
  f.U16(0);       // face index
  f.U8(0), f.U8(0), f.U8(0);  // black text
  f.U8(0), f.U8(0), f.U8(0);  // background, unused
  return std::move(f.Vector());
}

}  // namespace

std::variant<HelpSource, SourceError> ParseHelpSource(std::string_view text) {
  HelpSource source;
  std::vector<std::string> block;
  int number = 0, header_lines = 0;
  bool in_header = true;
  auto flush = [&] {
    if (block.empty()) return;
    std::string joined;
    for (const std::string& line : block) joined += (joined.empty() ? "" : " ") + line;
    source.paragraphs.push_back(std::move(joined));
    block.clear();
  };
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (size_t i = 0; i < line.size(); ++i)
      if (static_cast<unsigned char>(line[i]) < 0x20 || line[i] == 0x7F)
        return SourceError{number, "expected printable text, found byte " +
                                       std::to_string(static_cast<unsigned char>(line[i])) + " at column " +
                                       std::to_string(i + 1)};
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (in_header) {
      if (line.empty()) {
        if (header_lines == 0) return SourceError{number, "expected the title on the first line, found a blank line"};
        in_header = false;
      } else if (header_lines == 0) {
        source.title = line, ++header_lines;
      } else if (header_lines == 1) {
        source.copyright = line, ++header_lines;
      } else {
        return SourceError{number, "expected a blank line after the title and copyright lines, found text"};
      }
      continue;
    }
    if (line.empty()) flush();
    else block.emplace_back(line);
  }
  flush();
  if (source.title.empty()) return SourceError{number, "expected a title, found an empty file"};
  if (source.paragraphs.empty()) return SourceError{number, "expected at least one paragraph, found none"};
  return source;
}

uint32_t ContextHash(std::string_view id) {
  uint32_t h = 0;
  for (char c : id) {
    uint32_t v = 0;
    if (c >= 'A' && c <= 'Z') v = 17 + (c - 'A');
    else if (c >= 'a' && c <= 'z') v = 17 + (c - 'a');
    else if (c >= '1' && c <= '9') v = 1 + (c - '1');
    else if (c == '0') v = 10;
    else if (c == '.') v = 12;
    else if (c == '_') v = 13;
    h = h * 43 + v;
  }
  return h;
}

LinkData TextRecord(std::string_view paragraph) {
  // One string per command: "" before the font, the text before the paragraph end,
  // "" before the record end.
  std::vector<uint8_t> data2;
  data2.push_back(0);
  data2.insert(data2.end(), paragraph.begin(), paragraph.end());
  data2.push_back(0);
  data2.push_back(0);

  Bytes rest;
  rest.U8(0x00);
  rest.U8(0x80);
  rest.U16(0);  // paragraph id
  rest.U16(0);  // no spacing, indents, borders or tabs: plain left-aligned text
  rest.U8(0x80);  // font 0, without which the text shows in bold
  rest.U16(0);
  rest.U8(0x82);  // end of paragraph
  rest.U8(0xFF);  // end of record

  Bytes data1;
  CompressedSLong(data1, static_cast<int32_t>(rest.Size()));
  CompressedUShort(data1, static_cast<uint32_t>(data2.size()));
  data1.Append(rest.Vector());
  return {std::move(data1.Vector()), std::move(data2)};
}

std::variant<std::vector<uint8_t>, std::string> WriteHelpFile(const HelpSource& source) {
  if (source.paragraphs.empty()) return std::string("expected at least one paragraph, found none");
  for (size_t i = 0; i < source.paragraphs.size(); ++i) {
    const std::string& p = source.paragraphs[i];
    if (p.size() > kMaxParagraph)
      return "paragraph " + std::to_string(i + 1) + ": expected at most " + std::to_string(kMaxParagraph) +
             " characters, found " + std::to_string(p.size());
    if (p.find('\0') != std::string::npos) return "paragraph " + std::to_string(i + 1) + ": expected no NUL byte";
  }

  // The contents topic: its header, one text record per paragraph, then the closing
  // header that ends the topic chain.
  std::vector<TopicLink> links;
  links.push_back({kRecordTopicHeader, TopicHeader(0, 0, 0, 0), {source.title.begin(), source.title.end()}});
  for (const std::string& p : source.paragraphs) {
    LinkData d = TextRecord(p);
    const uint32_t length = static_cast<uint32_t>(d.data2.size());
    links.push_back({kRecordText, std::move(d.data1), std::move(d.data2), length});
  }
  links.push_back({kRecordTopicHeader, TopicHeader(0, kNone, kNone, kNone), {}});
  LayOut(links);
  uint32_t text_bytes = 0;
  for (size_t i = 1; i + 1 < links.size(); ++i) text_bytes += links[i].Size();
  links.front().data1 = TopicHeader(text_bytes, 0, links[1].TopicPos(), links.back().TopicPos());
  const uint32_t contents_offset = TopicOffset(links, 0);

  auto context = OneLeafTree("L4", 0x0002, 0x0800, {[&] {
                               Bytes e;
                               e.U32(ContextHash(kContentsId));
                               e.U32(contents_offset);
                               return e.Vector();
                             }()});
  auto titles = OneLeafTree("Lz", 0x0002, 0x0800, {[&] {
                              Bytes e;
                              e.U32(contents_offset);
                              e.StringZ(source.title);
                              return e.Vector();
                            }()});
  if (auto* error = std::get_if<std::string>(&context)) return *error;
  if (auto* error = std::get_if<std::string>(&titles)) return *error;

  Bytes ctxomap;
  ctxomap.U16(0);  // no numeric context mappings

  // Internal files by name; the map keeps the byte order the directory needs.
  std::map<std::string, std::vector<uint8_t>> files;
  files["|SYSTEM"] = SystemFile(source, contents_offset);
  files["|TOPIC"] = TopicFile(links);
  files["|FONT"] = FontFile();
  files["|CONTEXT"] = std::get<std::vector<uint8_t>>(context);
  files["|TTLBTREE"] = std::get<std::vector<uint8_t>>(titles);
  files["|CTXOMAP"] = std::move(ctxomap.Vector());

  Bytes out;
  out.U32(0x00035F3F);
  out.U32(0);      // directory start, patched below
  out.U32(kNone);  // no free blocks
  out.U32(0);      // file size, patched below
  std::vector<std::vector<uint8_t>> directory;
  for (const auto& [name, content] : files) {
    Bytes entry;
    entry.StringZ(name);
    entry.U32(static_cast<uint32_t>(out.Size()));
    directory.push_back(std::move(entry.Vector()));
    // Reserved space equals the content exactly: readers parse any slack as data.
    out.U32(static_cast<uint32_t>(content.size() + 9));
    out.U32(static_cast<uint32_t>(content.size()));
    out.U8(0);
    out.Append(content);
  }
  auto tree = OneLeafTree("z4", 0x0402, 0x0400, directory);
  if (auto* error = std::get_if<std::string>(&tree)) return *error;
  const auto& dir = std::get<std::vector<uint8_t>>(tree);
  out.Patch32(4, static_cast<uint32_t>(out.Size()));
  out.U32(static_cast<uint32_t>(dir.size() + 9));
  out.U32(static_cast<uint32_t>(dir.size()));
  out.U8(4);  // marks the directory
  out.Append(dir);
  out.Patch32(12, static_cast<uint32_t>(out.Size()));
  return std::move(out.Vector());
}

}  // namespace hlpwrite
