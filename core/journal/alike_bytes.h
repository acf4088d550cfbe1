#pragma once

// How long two runs of bytes stay alike, from their beginnings or back from their ends,
// eight bytes compared at once where eight are left: matches in the LZ77 code and the
// shared parts of fields in the front code are mostly longer than that.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tunewick {

inline std::uint64_t EightBytesAt(const char* at) {
  std::uint64_t eight;
  std::memcpy(&eight, at, sizeof eight);
  return eight;
}

// How many bytes from `a` and `b` on are alike, up to `longest`.
inline std::size_t AlikeLength(const char* a, const char* b, std::size_t longest) {
  std::size_t length = 0;
  for (; length + 8 <= longest; length += 8) {
    if (const std::uint64_t differ = EightBytesAt(a + length) ^ EightBytesAt(b + length)) {
      // The first byte in memory is the lowest of the number on a little-endian processor.
      const int alikeBits = std::endian::native == std::endian::little ? std::countr_zero(differ)
                                                                       : std::countl_zero(differ);
      return length + static_cast<std::size_t>(alikeBits) / 8;
    }
  }
  while (length < longest && a[length] == b[length]) ++length;
  return length;
}

// How many bytes before `aEnd` and `bEnd` are alike, up to `longest`.
inline std::size_t AlikeLengthBefore(const char* aEnd, const char* bEnd, std::size_t longest) {
  std::size_t length = 0;
  for (; length + 8 <= longest; length += 8) {
    const std::size_t back = length + 8;
    if (const std::uint64_t differ = EightBytesAt(aEnd - back) ^ EightBytesAt(bEnd - back)) {
      // The last byte in memory is the highest of the number on a little-endian processor.
      const int alikeBits = std::endian::native == std::endian::little ? std::countl_zero(differ)
                                                                       : std::countr_zero(differ);
      return length + static_cast<std::size_t>(alikeBits) / 8;
    }
  }
  while (length < longest && aEnd[-1 - static_cast<std::ptrdiff_t>(length)] ==
                                 bEnd[-1 - static_cast<std::ptrdiff_t>(length)])
    ++length;
  return length;
}

}  // namespace tunewick
