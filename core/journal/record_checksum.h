#pragma once

// The checksum that seals each record of a journal.

#include <cstdint>
#include <string_view>

namespace tunewick {

// CRC-32C (Castagnoli), as ext4 and iSCSI use it. Over a journal record it catches every
// change of up to three bits and every change confined to four bytes in a row; any other
// change slips through once in four billion.
// `before`: the checksum of the bytes that come before `bytes`, when they are checked as one.
std::uint32_t Crc32c(std::string_view bytes, std::uint32_t before = 0);

}  // namespace tunewick
