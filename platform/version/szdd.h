// szdd.h - the expander of SZDD packed files (the compress tool's LZSS mode "A").
// Takes any bytes: a fuzz target and the benchmarks call it directly.
#ifndef PLATFORM_VERSION_SZDD_H
#define PLATFORM_VERSION_SZDD_H

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace winhost {

// An allocator whose resize leaves new bytes as they are: an expanded file or a file read
// whole is overwritten completely, and zero-filling it first would cost a pass over memory.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  DefaultInitAllocator() = default;
  template <class U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using ByteBuffer = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

inline constexpr std::uint8_t SzddMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
inline constexpr std::size_t SzddHeaderSize = 14;

enum class SzddStatus {
  Expanded,
  NotPacked,    // no SZDD magic: the bytes are the file itself
  BadHeader,    // the magic, but the header is cut short or names another mode
  Truncated,    // the stream ends before the length the header states
};

// True when the bytes begin with the SZDD magic.
bool IsSzdd(std::span<const std::uint8_t> file);

// The expanded file: exactly the length that the header states, whatever the stream holds
// beyond it. None when the file is not packed, or is corrupt; *status says which.
std::optional<ByteBuffer> ExpandSzdd(std::span<const std::uint8_t> packed, SzddStatus* status = nullptr);

}  // namespace winhost

#endif
