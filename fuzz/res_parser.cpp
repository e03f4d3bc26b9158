// res_parser.cpp - fuzz target: the .res image parser that FindResourceA looks resources up in.
// Any bytes may come in; what comes out must point into them, entry after entry, with no
// entry's data overlapping the next one's, and a refusal must say why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "kernel/resfile.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "res_parser: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> image(data, size);
  std::string why;
  auto entries = winhost::ParseResImage(image, &why);
  if (!entries) {
    if (why.empty()) Broken("a refused image without a reason");
    return 0;
  }
  const std::uint8_t* previousEnd = data;
  for (const winhost::ResEntry& entry : *entries) {
    const std::uint8_t* begin = entry.data.data();
    const std::uint8_t* end = begin + entry.data.size();
    if (entry.data.size() && (begin < data || end > data + size)) Broken("an entry's data outside the image");
    // Each entry has a header of at least 32 bytes before its data.
    if (begin < previousEnd + 32) Broken("an entry's data overlapping the entry before it");
    if (entry.type.isOrdinal && !entry.type.name.empty()) Broken("an ordinal type with a name");
    for (char16_t c : entry.name.name)
      if (c == 0 || (c >= u'a' && c <= u'z')) Broken("a name with a NUL or a small letter");
    std::uint8_t sum = 0;
    for (std::uint8_t b : entry.data) sum ^= b;  // every byte handed out must be readable
    *static_cast<volatile std::uint8_t*>(&sum);
    previousEnd = end;
  }
  return 0;
}
