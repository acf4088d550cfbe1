#include "tags/id3v2_repair.h"

#include <algorithm>
#include <cstdint>

namespace tunewick {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::uint32_t kLargestSyncSafe = (1u << 28) - 1;

std::uint8_t Byte(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

// Big-endian, 7 bits a byte when `syncSafe`; nothing when a sync-safe byte has bit 7 set.
bool ReadSize(const std::string& bytes, std::size_t at, int length, bool syncSafe,
              std::uint32_t& size) {
  size = 0;
  for (int i = 0; i < length; ++i) {
    const std::uint8_t byte = Byte(bytes, at + i);
    if (syncSafe && byte > 0x7F) return false;
    size = (size << (syncSafe ? 7 : 8)) | byte;
  }
  return true;
}

void WriteSize(std::string& bytes, std::size_t at, int length, bool syncSafe, std::uint32_t size) {
  for (int i = length - 1; i >= 0; --i) {
    bytes[at + i] = static_cast<char>(size & (syncSafe ? 0x7F : 0xFF));
    size >>= syncSafe ? 7 : 8;
  }
}

// Zero bytes in even places (the high byte first) mean big-endian.
std::string GuessedMark(const std::string& bytes, std::size_t from, std::size_t to) {
  int zerosFirst = 0, zerosSecond = 0;
  for (std::size_t at = from; at + 1 < to; at += 2) {
    zerosFirst += bytes[at] == '\0';
    zerosSecond += bytes[at + 1] == '\0';
  }
  return zerosFirst > zerosSecond ? "\xFE\xFF" : "\xFF\xFE";
}

}  // namespace

void AddMissingByteOrderMarks(std::string& tag) {
  if (tag.size() < kHeaderSize || tag.compare(0, 3, "ID3") != 0) return;
  const int version = Byte(tag, 3);
  const std::uint8_t flags = Byte(tag, 5);
  std::uint32_t tagSize = 0;
  if (version < 2 || version > 4 || (flags & 0xC0) != 0 || !ReadSize(tag, 6, 4, true, tagSize))
    return;
  const std::size_t idLength = version == 2 ? 3 : 4;
  const int sizeLength = version == 2 ? 3 : 4;
  const std::size_t frameHeader = version == 2 ? 6 : 10;  // id, size and two flag bytes
  std::size_t end = std::min<std::size_t>(tag.size(), kHeaderSize + tagSize);
  for (std::size_t at = kHeaderSize; at + frameHeader <= end;) {
    if (tag[at] == '\0') break;  // the padding
    std::uint32_t size = 0;
    if (!ReadSize(tag, at + idLength, sizeLength, version == 4, size) ||
        size > end - at - frameHeader)
      break;
    const std::size_t text = at + frameHeader + 1;
    const bool noFlags = version == 2 || (tag[at + 8] == '\0' && tag[at + 9] == '\0');
    if (tag[at] == 'T' && noFlags && size >= 3 && tag[text - 1] == '\x01' &&
        tag.compare(text, 2, "\xFF\xFE") != 0 && tag.compare(text, 2, "\xFE\xFF") != 0 &&
        tagSize + 2 <= kLargestSyncSafe) {
      tag.insert(text, GuessedMark(tag, text, at + frameHeader + size));
      size += 2;
      tagSize += 2;
      end += 2;
      WriteSize(tag, at + idLength, sizeLength, version == 4, size);
      WriteSize(tag, 6, 4, true, tagSize);
    }
    at += frameHeader + size;
  }
}

}  // namespace tunewick
