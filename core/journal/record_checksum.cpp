#include "journal/record_checksum.h"

#include <array>

namespace tunewick {
namespace {

// Eight tables, so that the loop takes eight bytes a step with eight independent look-ups
// instead of a chain of eight.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  constexpr std::uint32_t kReflectedPolynomial = 0x82F63B78;
  Tables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1;
    tables[0][byte] = crc;
  }
  for (std::size_t table = 1; table < tables.size(); ++table)
    for (std::size_t byte = 0; byte < 256; ++byte)
      tables[table][byte] =
          (tables[table - 1][byte] >> 8) ^ tables[0][tables[table - 1][byte] & 0xFF];
  return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

std::uint32_t Crc32c(std::string_view bytes, std::uint32_t before) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  std::uint32_t crc = ~before;
  const auto& t = kTables;
  for (; left >= 8; at += 8, left -= 8) {
    const std::uint32_t low = crc ^ (std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 |
                                     std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][at[4]] ^ t[2][at[5]] ^ t[1][at[6]] ^ t[0][at[7]];
  }
  for (; left > 0; ++at, --left) crc = (crc >> 8) ^ t[0][(crc ^ *at) & 0xFF];
  return ~crc;
}

}  // namespace tunewick
