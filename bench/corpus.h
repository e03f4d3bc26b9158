// corpus.h - the large benchmark inputs, made the same way on every run from a fixed seed.
#ifndef BENCH_CORPUS_H
#define BENCH_CORPUS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// Prose-like text: words drawn with a Zipf-like bias from a fixed vocabulary, sentences and
// CR LF lines, as a help or read-me text is.
std::vector<std::uint8_t> TextLike(std::size_t size);

// Executable-like data: instruction-like byte runs over a small opcode set, tables of
// 32-bit addresses that share their high bytes, zero padding and embedded strings.
std::vector<std::uint8_t> BinaryLike(std::size_t size);

}  // namespace bench

#endif
