#include "songtags/xiph_comments.h"

#include <taglib/tbytevector.h>
#include <taglib/xiphcomment.h>

#include <string>
#include <string_view>
#include <vector>

#include "songtags/byte_order.h"
#include "songtags/tag_text.h"

namespace tunewick {
namespace {

constexpr std::string_view kWantedFields[] = {"TITLE", "ARTIST", "ALBUMARTIST"};
// A field longer than this holds no name a file could take.
constexpr std::size_t kLongestField = 64 << 10;
constexpr int kMostBlocks = 1000;  // FLAC metadata blocks; a file has a handful
constexpr std::uint8_t kVorbisCommentBlock = 4;
constexpr std::size_t kPageHeaderSize = 27;  // Ogg: "OggS", version, flags, ... segments
constexpr int kMostPages = 20000;            // before the comment is whole: pictures take many
constexpr std::size_t kLargestPacket = 16 << 20;

std::uint8_t Byte(char c) { return static_cast<std::uint8_t>(c); }

bool IsKey(std::string_view field, std::string_view key) {
  if (field.size() <= key.size() || field[key.size()] != '=') return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char c = field[i];
    if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != key[i]) return false;
  }
  return true;
}

std::string LittleEndian32(std::size_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

// The comment (vendor, field count, fields) with the first of each wanted field alone, in
// the same layout and without a vendor. Fields end where the comment's sizes run past it.
std::string WantedFields(std::string_view comment) {
  std::string kept;
  std::size_t count = 0;
  bool found[std::size(kWantedFields)] = {};
  if (comment.size() >= 4) {
    std::uint64_t at = 4 + LittleEndian(comment.substr(0, 4));
    std::uint64_t fields = at + 4 <= comment.size() ? LittleEndian(comment.substr(at, 4)) : 0;
    for (at += 4; fields > 0 && at + 4 <= comment.size(); --fields) {
      const std::uint64_t length = LittleEndian(comment.substr(at, 4));
      if (length > comment.size() - at - 4) break;
      const std::string_view field = comment.substr(at + 4, length);
      at += 4 + length;
      for (std::size_t k = 0; k < std::size(kWantedFields); ++k) {
        if (found[k] || length > kLongestField || !IsKey(field, kWantedFields[k])) continue;
        found[k] = true;
        ++count;
        kept.append(LittleEndian32(length)).append(field);
      }
    }
  }
  return LittleEndian32(0) + LittleEndian32(count) + kept;
}

ModernTags FromComment(std::string_view comment) {
  const std::string fields = WantedFields(comment);
  const TagLib::Ogg::XiphComment tag(
      TagLib::ByteVector(fields.data(), static_cast<unsigned int>(fields.size())));
  const TagLib::Ogg::FieldListMap& map = tag.fieldListMap();
  auto first = [&](std::string_view key) -> TagText {
    const auto values = map.find(TagLib::String(std::string(key)));
    if (values == map.end() || values->second.isEmpty()) return {};
    return FirstOf({Utf8(values->second.front())}, TagKind::kXiph);
  };
  return {first(kWantedFields[0]), first(kWantedFields[1]), first(kWantedFields[2])};
}

// The first two packets of the first stream of an Ogg file, where every mapping puts its
// identification and its comment; fewer when the pages are damaged before.
std::vector<std::string> FirstTwoPackets(TagStream& stream) {
  std::vector<std::string> packets(1);
  std::string serial;
  std::uint64_t at = 0;
  for (int page = 0; page < kMostPages; ++page) {
    const std::string header = stream.ReadAt(at, kPageHeaderSize);
    if (header.size() < kPageHeaderSize || !header.starts_with("OggS")) break;
    const std::string table = stream.ReadAt(at + kPageHeaderSize, Byte(header[26]));
    if (table.size() < Byte(header[26])) break;
    std::uint64_t bodySize = 0;
    for (char segment : table) bodySize += Byte(segment);
    const std::uint64_t body = at + kPageHeaderSize + table.size();
    at = body + bodySize;
    if (page == 0) serial = header.substr(14, 4);
    if (header.compare(14, 4, serial) != 0) continue;  // a page of another stream
    const std::string data = stream.ReadAt(body, bodySize);
    if (data.size() < bodySize) break;
    std::size_t from = 0;
    for (char segment : table) {
      // A packet goes on over segments of 255 bytes, across pages too.
      const std::size_t length = Byte(segment);
      packets.back().append(data, from, length);
      from += length;
      if (packets.back().size() > kLargestPacket) return {};
      if (length == 255) continue;
      if (packets.size() == 2) return packets;
      packets.emplace_back();
    }
  }
  packets.pop_back();
  return packets;
}

}  // namespace

ModernTags ReadFlacComment(TagStream& stream, std::uint64_t at) {
  at += 4;  // "fLaC"
  for (int block = 0; block < kMostBlocks; ++block) {
    const std::string header = stream.ReadAt(at, 4);
    if (header.size() < 4) return {};
    const std::uint64_t size = BigEndian(std::string_view(header).substr(1));
    if ((header[0] & 0x7F) == kVorbisCommentBlock) {
      const std::string comment = stream.ReadAt(at + 4, size);
      return comment.size() == size ? FromComment(comment) : ModernTags();
    }
    if (header[0] & 0x80) return {};  // the last block
    at += 4 + size;
  }
  return {};
}

ModernTags ReadOggComment(TagStream& stream) {
  const std::vector<std::string> packets = FirstTwoPackets(stream);
  if (packets.size() < 2) return {};
  const std::string_view first = packets[0], second = packets[1];
  if (first.starts_with("\x01vorbis") && second.starts_with("\x03vorbis"))
    return FromComment(second.substr(7));
  if (first.starts_with("OpusHead") && second.starts_with("OpusTags"))
    return FromComment(second.substr(8));
  // FLAC in Ogg: the comment's metadata block, header and all, is the second packet.
  if (first.starts_with("\x7F"
                        "FLAC") &&
      second.size() >= 4 && (second[0] & 0x7F) == kVorbisCommentBlock)
    return FromComment(second.substr(4));
  return {};
}

}  // namespace tunewick
