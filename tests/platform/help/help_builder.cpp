// help_builder.cpp - a test-side help file writer: just enough of the format to feed the reader.
#include "help_builder.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace helptest {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back(v >> 8 & 0xFF);
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Patch32(Bytes& out, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; i++) out[at + i] = v >> (8 * i) & 0xFF;
}
void PutText(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

struct Link {
  std::uint8_t type;
  Bytes data1, data2;
};

Link TopicHeader(const std::string& title) {
  Link link{2, {}, {}};
  for (int i = 0; i < 7; i++) Put32(link.data1, i == 3 ? 0 : 0xFFFFFFFF);
  link.data2.assign(title.begin(), title.end());
  return link;
}

Link TextRecord(const Topic& topic, const HelpRecipe& recipe) {
  Link link{recipe.text_type, {}, {}};
  Bytes& commands = link.data1;
  Bytes& strings = link.data2;
  commands = {0x80, 0, 0};  // font 0 before the first string
  strings.push_back(0);
  for (const std::string& paragraph : topic.paragraphs) {
    std::string run;
    for (char c : paragraph) {
      static const std::map<char, Bytes> Special = {
          {'\n', {0x81}}, {'\t', {0x83}}, {'\x01', {0xE3, 0x8A, 0x55, 0xF4, 0x25}}, {'\x02', {0x89}}};
      auto special = Special.find(c);
      if (special == Special.end()) {
        run += c;
        continue;
      }
      PutText(strings, run);
      run.clear();
      commands.insert(commands.end(), special->second.begin(), special->second.end());
    }
    PutText(strings, run);
    commands.push_back(0x82);
  }
  if (recipe.extra_command) {
    commands.push_back(recipe.extra_command);
    strings.push_back(0);
  }
  strings.push_back(0);  // the string before 0xFF
  commands.push_back(0xFF);

  Bytes head;
  Put16(head, (commands.size() + 0x4000) * 2);  // TopicSize, which readers skip
  if (strings.size() >= 0x80) Put16(head, strings.size() * 2 + 1);
  else head.push_back(strings.size() * 2);
  head.insert(head.end(), {0x00, 0x80, 0x00, 0x00});
  Put16(head, recipe.paragraph_bits);
  if (recipe.paragraph_bits & 0x02) head.push_back((6 + 0x40) * 2);   // space above: csshort 6
  if (recipe.paragraph_bits & 0x10) Put16(head, (300 + 0x4000) * 2 + 1);  // left indent: wide csshort
  commands.insert(commands.begin(), head.begin(), head.end());
  return link;
}

Bytes InternalFile(const Bytes& content) {
  Bytes out;
  Put32(out, content.size() + 9);
  Put32(out, content.size());
  out.push_back(0);
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes BTreeHeader(std::uint16_t flags, std::uint16_t page_size, const char* structure, std::uint16_t root,
                  std::uint16_t pages, std::uint16_t levels, std::uint32_t entries) {
  Bytes out;
  Put16(out, 0x293B);
  Put16(out, flags);
  Put16(out, page_size);
  std::string name(structure);
  name.resize(16, '\0');
  out.insert(out.end(), name.begin(), name.end());
  Put16(out, 0);
  Put16(out, pages - levels);
  Put16(out, root);
  Put16(out, 0xFFFF);
  Put16(out, pages);
  Put16(out, levels);
  Put32(out, entries);
  return out;
}

// A directory page: header, entries, zeros up to the page size.
Bytes Page(bool leaf, int entries, std::uint16_t previous, const Bytes& body, size_t page_size) {
  Bytes page;
  Put16(page, page_size - (leaf ? 8 : 6) - body.size());
  Put16(page, entries);
  Put16(page, previous);
  if (leaf) Put16(page, 0xFFFF);
  page.insert(page.end(), body.begin(), body.end());
  page.resize(page_size, 0);
  return page;
}

Bytes Directory(const std::map<std::string, std::uint32_t>& files, bool two_levels) {
  constexpr size_t page_size = 0x400;
  std::vector<Bytes> leaves(two_levels ? 2 : 1);
  std::vector<int> counts(leaves.size());
  std::string second_first;
  size_t i = 0;
  for (const auto& [name, offset] : files) {
    size_t leaf = two_levels && i++ >= files.size() / 2;
    if (leaf == 1 && second_first.empty()) second_first = name;
    PutText(leaves[leaf], name);
    Put32(leaves[leaf], offset);
    counts[leaf]++;
  }
  if (!two_levels) {
    Bytes out = BTreeHeader(0x0402, page_size, "z4", 0, 1, 1, files.size());
    Bytes page = Page(true, counts[0], 0xFFFF, leaves[0], page_size);
    out.insert(out.end(), page.begin(), page.end());
    return out;
  }
  // Page 0 is the index: names below the key are in page 1, the others in page 2.
  Bytes key;
  PutText(key, second_first);
  Put16(key, 2);
  Bytes out = BTreeHeader(0x0402, page_size, "z4", 0, 3, 2, files.size());
  for (const Bytes& page : {Page(false, 1, 1, key, page_size), Page(true, counts[0], 0xFFFF, leaves[0], page_size),
                            Page(true, counts[1], 0xFFFF, leaves[1], page_size)})
    out.insert(out.end(), page.begin(), page.end());
  return out;
}

}  // namespace

Bytes PackLz77(std::span<const std::uint8_t> data) {
  Bytes out;
  std::map<std::uint32_t, std::vector<size_t>> seen;  // three-byte prefix -> positions
  size_t control = 0;
  int items = 8;
  for (size_t i = 0; i < data.size();) {
    if (items == 8) control = out.size(), out.push_back(0), items = 0;
    size_t best = 0, distance = 0;
    if (i + 3 <= data.size()) {
      std::uint32_t key = data[i] | data[i + 1] << 8 | data[i + 2] << 16;
      auto& positions = seen[key];
      for (auto p = positions.rbegin(); p != positions.rend() && i - *p <= 4096; ++p) {
        size_t length = 0;  // may run past i: the copy then repeats its own output
        while (length < 18 && i + length < data.size() && data[*p + length] == data[i + length]) length++;
        if (length > best) best = length, distance = i - *p;
      }
    }
    size_t step = best >= 3 ? best : 1;
    if (best >= 3) {
      out[control] |= 1 << items;
      Put16(out, (distance - 1) | (best - 3) << 12);
    } else {
      out.push_back(data[i]);
    }
    for (size_t k = i; k < i + step && k + 3 <= data.size(); k++)
      seen[data[k] | data[k + 1] << 8 | data[k + 2] << 16].push_back(k);
    i += step;
    items++;
  }
  return out;
}

Bytes BuildHelp(const HelpRecipe& recipe) {
  // |TOPIC as one stream of links; TOPICPOS from each link's place in it.
  std::vector<Link> links;
  std::vector<size_t> header_links;
  for (const Topic& topic : recipe.topics) {
    header_links.push_back(links.size());
    links.push_back(TopicHeader(topic.title));
    if (!topic.paragraphs.empty()) links.push_back(TextRecord(topic, recipe));
  }
  links.push_back(TopicHeader(""));  // terminator
  const size_t chunk = recipe.block_data;
  auto topic_pos = [chunk](size_t at) { return std::uint32_t(at / chunk * 0x4000 + 12 + at % chunk); };
  std::vector<size_t> starts;
  size_t at = 0;
  for (const Link& link : links) starts.push_back(at), at += 21 + link.data1.size() + link.data2.size();

  std::vector<std::uint32_t> topic_offsets;
  Bytes stream;
  std::map<size_t, std::uint32_t> first_link_in_block;
  std::uint32_t count = 0;
  for (size_t i = 0; i < links.size(); i++) {
    const Link& link = links[i];
    if (i == 0 || starts[i] / chunk != starts[i - 1] / chunk) count = 0;
    first_link_in_block.emplace(starts[i] / chunk, topic_pos(starts[i]));
    if (link.type == 2) topic_offsets.push_back(std::uint32_t(starts[i] / chunk * 0x8000 + count));
    else count += link.data2.size();
    std::uint32_t size1 = 21 + link.data1.size(), size = size1 + link.data2.size();
    Put32(stream, size);
    Put32(stream, link.data2.size() + (recipe.phrase_length && link.type != 2));
    Put32(stream, i == 0 ? 0xFFFFFFFF : topic_pos(starts[i - 1]));
    bool backward = recipe.backward_link && link.type != 2;
    Put32(stream, i + 1 == links.size() ? 0xFFFFFFFF : topic_pos(starts[backward ? i : i + 1]));
    Put32(stream, size1);
    stream.push_back(link.type);
    stream.insert(stream.end(), link.data1.begin(), link.data1.end());
    stream.insert(stream.end(), link.data2.begin(), link.data2.end());
  }
  Bytes topic;
  for (size_t block = 0; block * chunk < stream.size(); block++) {
    auto first = first_link_in_block.find(block);
    Put32(topic, 0xFFFFFFFF);
    Put32(topic, first == first_link_in_block.end() ? 0xFFFFFFFF : first->second);
    Put32(topic, 0);
    std::span<const std::uint8_t> data(stream.data() + block * chunk, std::min(chunk, stream.size() - block * chunk));
    bool last = (block + 1) * chunk >= stream.size();
    Bytes body = recipe.compress ? PackLz77(data) : Bytes(data.begin(), data.end());
    // A packed block that does not fill its 4084 bytes must unpack to the full 16 KiB.
    if (recipe.compress && (body.size() > 4084 || (!last && chunk != 0x4000)))
      throw std::logic_error("fixture: packed block of " + std::to_string(body.size()) + " bytes cannot be laid out");
    if (!last) body.resize(4084, 0);
    topic.insert(topic.end(), body.begin(), body.end());
  }

  Bytes system;
  Put16(system, 0x036C);
  Put16(system, recipe.minor);
  Put16(system, 1);
  Put32(system, 0);
  Put16(system, recipe.compress ? 4 : 0);
  Put16(system, 1);
  Put16(system, recipe.title.size() + 1);
  PutText(system, recipe.title);
  if (recipe.contents || recipe.contents_offset) {
    Put16(system, 3);
    Put16(system, 4);
    Put32(system, recipe.contents_offset ? *recipe.contents_offset : topic_offsets.at(*recipe.contents));
  }

  // |FONT and |CONTEXT are not read by the reader under test, but make the file one that
  // other viewers open too: one face, one descriptor, and "contents" mapped to the topic.
  Bytes font;
  for (unsigned v : {1, 1, 8, 8 + 32}) Put16(font, v);
  std::string face = "Arial";
  face.resize(32, '\0');
  font.insert(font.end(), face.begin(), face.end());
  font.insert(font.end(), {0, 20, 3, 0, 0, 0, 0, 0, 0, 0, 0});
  Bytes context_entry;
  Put32(context_entry, 0x25F4558A);  // hash of "contents"
  Put32(context_entry, topic_offsets.at(recipe.contents.value_or(0)));
  Bytes context = BTreeHeader(0x0002, 0x0800, "L4", 0, 1, 1, 1);
  Bytes context_page = Page(true, 1, 0xFFFF, context_entry, 0x0800);
  context.insert(context.end(), context_page.begin(), context_page.end());

  std::map<std::string, Bytes> contents = {
      {"|SYSTEM", system}, {"|TOPIC", topic}, {"|FONT", font}, {"|CONTEXT", context}};
  if (recipe.phrases) contents["|Phrases"] = Bytes(8, 0);
  if (recipe.two_level_directory) contents["|CTXOMAP"] = Bytes(2, 0), contents["|TTLBTREE"] = Bytes(4, 0);
  Bytes file(16, 0);
  std::map<std::string, std::uint32_t> offsets;
  for (const auto& [name, content] : contents) {
    offsets[name] = file.size();
    Bytes internal = InternalFile(content);
    file.insert(file.end(), internal.begin(), internal.end());
  }
  std::uint32_t directory_start = file.size();
  Bytes directory = InternalFile(Directory(offsets, recipe.two_level_directory));
  file.insert(file.end(), directory.begin(), directory.end());
  Patch32(file, 0, 0x00035F3F);
  Patch32(file, 4, directory_start);
  Patch32(file, 8, 0xFFFFFFFF);
  Patch32(file, 12, file.size());
  return file;
}

}  // namespace helptest
