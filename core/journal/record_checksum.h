#pragma once

// The checksum that seals each record of a journal.

#include <cstdint>
#include <string_view>

namespace tunewick {

// CRC-32C (Castagnoli), as ext4 and iSCSI use it. Over a journal record it catches every
// change of up to three bits and every change confined to four bytes in a row; any other
// change slips through once in four billion.
std::uint32_t Crc32c(std::string_view bytes);

}  // namespace tunewick
