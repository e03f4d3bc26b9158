// help_reader.cpp - fuzz target: the help-file reader behind WinHelpA, and its topic-block
// expander, over any bytes. A refusal must say why; a topic block never unpacks past 16 KiB.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "help/hlpfile.h"

namespace {

constexpr std::size_t TopicBlockLimit = 16 * 1024;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "help_reader: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  std::string error;
  auto document = winhost::ReadHelpFile(bytes, &error);
  if (!document && error.empty()) Broken("a refused help file without a reason");
  if (document) {
    if (!document->file.empty()) Broken("the reader filled in the file name");
    for (const std::string& paragraph : document->paragraphs)
      if (paragraph.find('\0') != std::string::npos) Broken("a paragraph with a NUL in it");
  }

  // The same bytes as one packed |TOPIC block: a match reaching before the start or an
  // output past the limit must be refused, not written.
  error.clear();
  auto block = winhost::ExpandTopicBlock(bytes, &error);
  if (!block && error.empty()) Broken("a refused topic block without a reason");
  if (block && block->size() > TopicBlockLimit) Broken("a topic block unpacked past 16 KiB");
  return 0;
}
