// szdd_pack.cpp: optimal-parse LZSS packer and reference expander for SZDD mode 'A'.
#include "szdd_pack.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace szdd {
namespace {

constexpr size_t kWindow = 4096;
constexpr size_t kWindowMask = kWindow - 1;
constexpr size_t kFirstWrite = kWindow - 16;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 18;
constexpr uint8_t kFill = 0x20;
// Each item also costs one control bit.
constexpr uint32_t kLiteralBits = 1 + 8;
constexpr uint32_t kMatchBits = 1 + 16;

// The packer works on a history: the window's 4096 initial spaces, then the input.
// Input byte i is history index 4096 + i and lands at window position 4080 + i, so the
// byte at any window position is the newest history byte mapped to it; a never-written
// position is one of the initial spaces, a rewritten one holds what was written last.
uint16_t WindowPos(size_t history_index) {
  return static_cast<uint16_t>((history_index + kFirstWrite) & kWindowMask);
}

// Bytes the history buffer holds beyond its end, so that matches compare a word at a time.
constexpr size_t kPadding = 8;

// Length of the common prefix of a and b, at least `len` (known to be equal), at most
// `limit`. Reads up to kPadding bytes past `limit`.
size_t CommonPrefix(const uint8_t* a, const uint8_t* b, size_t len, size_t limit) {
  for (; len < limit; len += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + len, 8);
    std::memcpy(&y, b + len, 8);
    if (const uint64_t diff = x ^ y) {
      const int bits =
          std::endian::native == std::endian::little ? std::countr_zero(diff) : std::countl_zero(diff);
      return std::min(limit, len + bits / 8);
    }
  }
  return limit;
}

// Longest match at every history position, from binary trees over a hash of the first
// three bytes (a tree holds its bucket's positions, newest at the root, descendants
// always older). The walk is not cut short, so the longest match within the window
// is always found: the optimal parse depends on it. On a full-length match the older
// node is dropped, which keeps runs and repeats shallow.
class MatchFinder {
 public:
  struct Match {
    size_t length = 0;  // 0 when no match of kMinMatch bytes exists
    size_t source = 0;  // history index
  };

  // `history` must be followed by kPadding readable bytes.
  explicit MatchFinder(std::span<const uint8_t> history)
      : history_(history), head_(kHashSize, kNone), tree_(2 * kCycle, kNone) {}

  // Inserts `cur` (which must have kMinMatch bytes left) and returns its longest match.
  Match Insert(size_t cur) {
    const uint8_t* text = history_.data();
    const size_t limit = std::min(kMaxMatch, history_.size() - cur);
    const uint32_t key = (text[cur] << 16 | text[cur + 1] << 8 | text[cur + 2]) * 2654435761u;
    int64_t cand = head_[key >> (32 - kHashBits)];
    head_[key >> (32 - kHashBits)] = static_cast<int64_t>(cur);
    int64_t* smaller = &tree_[2 * (cur % kCycle)];
    int64_t* larger = smaller + 1;
    size_t len_smaller = 0, len_larger = 0;
    Match best;
    for (;;) {
      if (cand < 0 || cur - static_cast<size_t>(cand) > kWindow) {
        *smaller = *larger = kNone;
        break;
      }
      int64_t* pair = &tree_[2 * (cand % kCycle)];
      const uint8_t* a = text + cand;
      const uint8_t* b = text + cur;
      size_t len = std::min(len_smaller, len_larger);
      if (a[len] == b[len]) {
        len = CommonPrefix(a, b, len + 1, limit);
        if (len > best.length) best = {len, static_cast<size_t>(cand)};
        if (len == limit) {  // same string, newer: it takes the old node's place
          *smaller = pair[0];
          *larger = pair[1];
          break;
        }
      }
      if (a[len] < b[len]) {
        *smaller = cand;
        smaller = pair + 1;
        cand = *smaller;
        len_smaller = len;
      } else {
        *larger = cand;
        larger = pair;
        cand = *larger;
        len_larger = len;
      }
    }
    if (best.length < kMinMatch) best.length = 0;
    return best;
  }

 private:
  static constexpr int kHashBits = 15;
  static constexpr size_t kHashSize = size_t{1} << kHashBits;
  static constexpr size_t kCycle = 2 * kWindow;  // the window's nodes plus the new one
  static constexpr int64_t kNone = -1;

  std::span<const uint8_t> history_;
  std::vector<int64_t> head_;
  std::vector<int64_t> tree_;  // per node: subtree of smaller strings, of larger ones
};

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

std::string Hex(std::span<const uint8_t> bytes) {
  std::string text;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, text.empty() ? "%02X" : " %02X", b);
    text += buf;
  }
  return text;
}

void PutHeader(std::vector<uint8_t>& out, uint32_t length) {
  out.assign(kMagic.begin(), kMagic.end());
  out.push_back(kModeA);
  out.push_back(0);  // missing character not recorded
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(length >> shift));
}

}  // namespace

std::optional<Info> ReadInfo(std::span<const uint8_t> packed, std::string* error) {
  if (packed.size() < kHeaderSize) {
    SetError(error, "expected a " + std::to_string(kHeaderSize) + "-byte SZDD header, found " +
                        std::to_string(packed.size()) + " bytes");
    return std::nullopt;
  }
  if (!std::equal(kMagic.begin(), kMagic.end(), packed.begin())) {
    SetError(error, "expected SZDD magic " + Hex(kMagic) + ", found " + Hex(packed.first(8)));
    return std::nullopt;
  }
  Info info;
  info.mode = packed[8];
  info.missing_char = packed[9];
  info.expanded_length = static_cast<uint32_t>(packed[10] | packed[11] << 8 | packed[12] << 16) |
                         static_cast<uint32_t>(packed[13]) << 24;
  info.packed_size = packed.size();
  return info;
}

std::vector<uint8_t> Pack(std::span<const uint8_t> input) {
  if (input.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("SZDD holds at most 4294967295 bytes, found " +
                            std::to_string(input.size()));
  std::vector<uint8_t> out;
  PutHeader(out, static_cast<uint32_t>(input.size()));
  if (input.empty()) {
    // The shipped empty file: one literal 0x00 behind a stated length of 0.
    out.insert(out.end(), {0x01, 0x00});
    return out;
  }

  const size_t n = input.size();
  std::vector<uint8_t> buffer(kWindow + n + kPadding, kFill);
  std::copy(input.begin(), input.end(), buffer.begin() + kWindow);
  const std::span<const uint8_t> history(buffer.data(), kWindow + n);
  std::vector<uint8_t> length(n);
  std::vector<uint16_t> source(n);
  MatchFinder finder(history);
  for (size_t h = 0; h + kMinMatch <= history.size(); ++h) {
    const MatchFinder::Match m = finder.Insert(h);
    if (h >= kWindow) {
      length[h - kWindow] = static_cast<uint8_t>(m.length);
      source[h - kWindow] = WindowPos(m.source);
    }
  }

  // Backward pass: cost(i) is the fewest bits for input[i..n), and length[i] becomes
  // the first item's length there (0 for a literal). Every match costs the same and can
  // be cut to any length from 3, so the longest match covers all choices. Fewest bits
  // is also fewest bytes: D data bytes in N items take D + ceil(N / 8) bytes, which lies
  // in [bits / 8, bits / 8 + 1) for bits = 8D + N, so a parse with fewer bits is never
  // longer. Only the next kMaxMatch costs are needed, kept in a ring.
  constexpr size_t kRing = 32;
  static_assert(kRing > kMaxMatch);
  std::array<uint64_t, kRing> cost{};
  auto cost_at = [&cost](size_t i) -> uint64_t& { return cost[i % kRing]; };
  for (size_t i = n; i-- > 0;) {
    uint64_t best = cost_at(i + 1) + kLiteralBits;
    uint8_t choice = 0;
    for (size_t len = kMinMatch; len <= length[i]; ++len) {
      const uint64_t c = cost_at(i + len) + kMatchBits;
      if (c <= best) {
        best = c;
        choice = static_cast<uint8_t>(len);
      }
    }
    cost_at(i) = best;
    length[i] = choice;
  }

  out.resize(kHeaderSize + n + (n + 7) / 8);  // room for all literals
  uint8_t* p = out.data() + kHeaderSize;
  uint8_t* control = nullptr;
  unsigned bit = 8;
  for (size_t i = 0; i < n; ++bit) {
    if (bit == 8) {
      control = p++;
      *control = 0;
      bit = 0;
    }
    if (length[i] == 0) {
      *control |= static_cast<uint8_t>(1u << bit);
      *p++ = input[i++];
    } else {
      *p++ = static_cast<uint8_t>(source[i]);
      *p++ = static_cast<uint8_t>((source[i] >> 4 & 0xF0) | (length[i] - kMinMatch));
      i += length[i];
    }
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

std::optional<std::vector<uint8_t>> Expand(std::span<const uint8_t> packed, std::string* error) {
  const std::optional<Info> info = ReadInfo(packed, error);
  if (!info) return std::nullopt;
  if (info->mode != kModeA) {
    SetError(error, "expected compression mode 41 ('A'), found " + Hex(packed.subspan(8, 1)));
    return std::nullopt;
  }
  const size_t want = info->expanded_length;
  std::vector<uint8_t> out;
  // The header is not trusted for the allocation: a stream grows at most 9-fold.
  out.reserve(std::min(want, (packed.size() - kHeaderSize) * 9));
  std::array<uint8_t, kWindow> window;
  window.fill(kFill);
  size_t pos = kFirstWrite;
  auto put = [&](uint8_t b) {
    window[pos] = b;
    pos = (pos + 1) & kWindowMask;
    out.push_back(b);
  };

  size_t in = kHeaderSize;
  bool stream_left = true;
  while (stream_left && out.size() < want && in < packed.size()) {
    const uint8_t control = packed[in++];
    for (unsigned bit = 0; bit < 8 && out.size() < want; ++bit) {
      if (control >> bit & 1) {
        if (in >= packed.size()) {
          stream_left = false;
          break;
        }
        put(packed[in++]);
      } else {
        if (in + 2 > packed.size()) {
          stream_left = false;
          break;
        }
        // Byte by byte through the window: a match may overlap what it writes.
        size_t src = packed[in] | (packed[in + 1] & 0xF0) << 4;
        const size_t len = (packed[in + 1] & 0x0F) + kMinMatch;
        in += 2;
        for (size_t k = 0; k < len && out.size() < want; ++k) {
          put(window[src]);
          src = (src + 1) & kWindowMask;
        }
      }
    }
  }
  if (out.size() < want) {
    SetError(error, "expected " + std::to_string(want) + " expanded bytes, found a stream that ends after " +
                        std::to_string(out.size()));
    return std::nullopt;
  }
  return out;
}

}  // namespace szdd
