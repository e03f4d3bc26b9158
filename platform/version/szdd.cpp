// szdd.cpp - expanding SZDD packed files straight into the output buffer.
//
// The format's 4096-byte window always holds the last 4096 bytes written, so it is never
// kept: output index i sits in window slot (4080 + i) & 4095, and a match's absolute slot
// s is a distance d = ((4080 + i) - s) & 4095 back in the output (0 meaning 4096). Bytes
// before the output's start are the window's initial spaces.
#include "version/szdd.h"

#include <algorithm>
#include <cstring>

namespace winhost {
namespace {

constexpr std::size_t WindowMask = 4095;
constexpr std::size_t FirstWrite = 4080;
constexpr std::size_t MinMatch = 3;
constexpr std::size_t MaxMatch = 18;
constexpr std::size_t GroupItems = 8;
constexpr std::size_t MaxGroupInput = 1 + 2 * GroupItems;  // a control byte and eight matches
constexpr std::size_t MaxGroupOutput = MaxMatch * GroupItems;

std::uint32_t Read32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::size_t Distance(std::size_t i, const std::uint8_t* item) {
  std::size_t slot = item[0] | (item[1] & 0xF0u) << 4;
  std::size_t distance = (FirstWrite + i - slot) & WindowMask;
  return distance ? distance : WindowMask + 1;
}

// Writes `length` bytes at out + i from `distance` bytes back. The caller guarantees room.
inline void CopyMatch(std::uint8_t* out, std::size_t i, std::size_t distance, std::size_t length) {
  if (distance > i) {
    // The window slots that no output has reached yet still hold spaces.
    std::size_t spaces = std::min(distance - i, length);
    std::memset(out + i, ' ', spaces);
    i += spaces;
    length -= spaces;
  }
  std::uint8_t* dst = out + i;
  const std::uint8_t* src = dst - distance;
  if (distance >= length) {
    std::memcpy(dst, src, length);
  } else if (distance == 1) {
    std::memset(dst, *src, length);
  } else {
    // Overlapping: each byte may be one that this match has just written.
    for (std::size_t k = 0; k < length; k++) dst[k] = src[k];
  }
}

// Eight items with no bounds to check: the caller has made sure of room in both buffers.
inline void DecodeGroup(unsigned control, const std::uint8_t*& in, std::uint8_t* out, std::size_t& i) {
  if (control == 0xFF) {
    std::memcpy(out + i, in, GroupItems);
    in += GroupItems;
    i += GroupItems;
    return;
  }
  for (std::size_t bit = 0; bit < GroupItems; bit++, control >>= 1) {
    if (control & 1) {
      out[i++] = *in++;
      continue;
    }
    std::size_t length = (in[1] & 0x0Fu) + MinMatch;
    std::size_t distance = Distance(i, in);
    in += 2;
    if (distance >= MaxMatch && distance <= i) {
      std::memcpy(out + i, out + i - distance, MaxMatch);  // the bytes past `length` are rewritten later
    } else {
      CopyMatch(out, i, distance, length);
    }
    i += length;
  }
}

// Fills out[0, length) from the stream; false when the stream ends first.
bool Decode(std::span<const std::uint8_t> stream, std::uint8_t* out, std::size_t length) {
  const std::uint8_t* in = stream.data();
  const std::uint8_t* end = in + stream.size();
  std::size_t i = 0;
  while (i < length) {
    if (in == end) return false;
    unsigned control = *in++;
    if (static_cast<std::size_t>(end - in) >= MaxGroupInput - 1 && length - i >= MaxGroupOutput) {
      DecodeGroup(control, in, out, i);
      continue;
    }
    // Near either end: every item is checked, and a match is cut at the stated length.
    for (std::size_t bit = 0; bit < GroupItems && i < length; bit++, control >>= 1) {
      if (control & 1) {
        if (in == end) return false;
        out[i++] = *in++;
        continue;
      }
      if (end - in < 2) return false;
      std::size_t count = std::min<std::size_t>((in[1] & 0x0Fu) + MinMatch, length - i);
      CopyMatch(out, i, Distance(i, in), count);
      in += 2;
      i += count;
    }
  }
  return true;
}

}  // namespace

bool IsSzdd(std::span<const std::uint8_t> file) {
  return file.size() >= sizeof SzddMagic && std::memcmp(file.data(), SzddMagic, sizeof SzddMagic) == 0;
}

std::optional<ByteBuffer> ExpandSzdd(std::span<const std::uint8_t> packed, SzddStatus* status) {
  auto fail = [&](SzddStatus why) -> std::optional<ByteBuffer> {
    if (status) *status = why;
    return std::nullopt;
  };
  if (!IsSzdd(packed)) return fail(SzddStatus::NotPacked);
  if (packed.size() < SzddHeaderSize || packed[8] != 'A') return fail(SzddStatus::BadHeader);
  std::uint32_t length = Read32(packed.data() + 10);
  std::span<const std::uint8_t> stream = packed.subspan(SzddHeaderSize);
  // No stream yields more than MaxGroupOutput bytes per group of MaxGroupInput: a header
  // that promises more is refused before anything is allocated for it.
  std::uint64_t most = (static_cast<std::uint64_t>(stream.size()) + MaxGroupInput - 1) / MaxGroupInput * MaxGroupOutput;
  if (length > most) return fail(SzddStatus::Truncated);
  ByteBuffer out(length);
  if (!Decode(stream, out.data(), length)) return fail(SzddStatus::Truncated);
  if (status) *status = SzddStatus::Expanded;
  return out;
}

}  // namespace winhost
