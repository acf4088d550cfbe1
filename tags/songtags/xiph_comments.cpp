#include "songtags/xiph_comments.h"

#include <taglib/tbytevector.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
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
constexpr std::size_t kLargestFirstPacket = 64 << 10;  // an identification header: a few bytes
constexpr std::uint64_t kReadWhole = 16 << 20;         // a comment without big pictures

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

// Bytes of the file that read as one: a FLAC block, or a packet in pieces on the pages of
// an Ogg stream.
class Pieces {
 public:
  // The next `length` bytes lie at `at` in the file.
  void Add(std::uint64_t at, std::uint64_t length) {
    if (length == 0) return;
    if (!pieces_.empty() && pieces_.back().at + pieces_.back().length == at) {
      pieces_.back().length += length;
    } else {
      pieces_.push_back({size_, at, length});
    }
    size_ += length;
  }
  std::uint64_t size() const { return size_; }

  // Up to `count` bytes from `from` on; fewer where they end or the file could not be read.
  std::string Read(ReadAhead& file, std::uint64_t from, std::uint64_t count) const {
    std::string bytes;
    auto piece = std::upper_bound(pieces_.begin(), pieces_.end(), from,
                                  [](std::uint64_t at, const Piece& p) { return at < p.start; });
    if (piece == pieces_.begin()) return bytes;
    for (--piece; piece != pieces_.end() && bytes.size() < count; ++piece) {
      const std::uint64_t into = from + bytes.size() - piece->start;
      if (into >= piece->length) break;
      const std::uint64_t wanted = std::min(piece->length - into, count - bytes.size());
      const std::string read = file.ReadAt(piece->at + into, static_cast<std::size_t>(wanted));
      bytes += read;
      if (read.size() < wanted) break;
    }
    return bytes;
  }

 private:
  struct Piece {
    std::uint64_t start;  // where it begins among the bytes
    std::uint64_t at;     // where it lies in the file
    std::uint64_t length;
  };
  std::vector<Piece> pieces_;
  std::uint64_t size_ = 0;
};

// The comment (vendor, field count, fields) of `size` bytes that `read(at, count)` gives,
// each piece valid until the next, with the first of each wanted field alone, in the same
// layout and without a vendor. Fields end where the comment's sizes run past it.
template <typename Read>
std::string WantedFields(std::uint64_t size, Read read) {
  constexpr std::size_t kKeyRead = 12;  // the longest wanted key and its "="
  std::string kept;
  std::size_t count = 0;
  bool found[std::size(kWantedFields)] = {};
  if (const std::string vendor(read(0, 4)); vendor.size() == 4) {
    std::uint64_t at = 4 + LittleEndian(vendor);
    const std::string number(at + 4 <= size ? read(at, 4) : std::string_view());
    std::uint64_t fields = number.size() == 4 ? LittleEndian(number) : 0;
    for (at += 4; fields > 0 && at + 4 <= size; --fields) {
      const std::string_view lengthBytes = read(at, 4);
      if (lengthBytes.size() < 4) break;
      const std::uint64_t length = LittleEndian(lengthBytes);
      if (length > size - at - 4) break;
      const std::uint64_t fieldAt = at + 4;
      at += 4 + length;
      if (length > kLongestField) continue;
      const std::string start(read(fieldAt, std::min<std::uint64_t>(length, kKeyRead)));
      for (std::size_t k = 0; k < std::size(kWantedFields); ++k) {
        if (found[k] || !IsKey(start, kWantedFields[k])) continue;
        const std::string_view field = read(fieldAt, length);
        if (field.size() < length) break;
        found[k] = true;
        ++count;
        kept.append(LittleEndian32(length)).append(field);
      }
    }
  }
  return LittleEndian32(0) + LittleEndian32(count) + kept;
}

// The comment that begins `from` bytes into `comment`, as WantedFields keeps it. One of up
// to kReadWhole bytes is read in one piece; a larger one, which holds pictures, a piece at a
// time, so that only the lengths and keys of the other fields are read.
std::string WantedFields(ReadAhead& file, const Pieces& comment, std::uint64_t from) {
  const std::uint64_t size = comment.size() - std::min(from, comment.size());
  if (size <= kReadWhole) {
    const std::string whole = comment.Read(file, from, size);
    return WantedFields(size, [&](std::uint64_t at, std::uint64_t count) {
      return std::string_view(whole).substr(std::min<std::uint64_t>(at, whole.size()), count);
    });
  }
  std::string piece;
  return WantedFields(size, [&](std::uint64_t at, std::uint64_t count) {
    piece = comment.Read(file, from + at, count);
    return std::string_view(piece);
  });
}

ModernTags FromComment(ReadAhead& file, const Pieces& comment, std::uint64_t from) {
  const std::string fields = WantedFields(file, comment, from);
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

// Whether the first packet of a stream, which begins `start`, is a Vorbis, Opus or FLAC
// identification.
bool BeginsASong(std::string_view start) {
  return start.starts_with("\x01vorbis") || start.starts_with("OpusHead") ||
         start.starts_with(
             "\x7F"
             "FLAC");
}

// The first two packets of the first song stream of an Ogg file, where every mapping puts
// its identification and its comment, as where they lie in the file; fewer when the pages
// are damaged before. Every stream begins on a page of its own, all of them ahead of the
// rest; another kind of stream, such as a Skeleton, may come first.
std::vector<Pieces> FirstTwoPackets(ReadAhead& file) {
  std::vector<Pieces> packets(1);
  std::string serial;
  std::uint64_t at = 0;
  for (int page = 0; page < kMostPages; ++page) {
    const std::string header = file.ReadAt(at, kPageHeaderSize);
    if (header.size() < kPageHeaderSize || !header.starts_with("OggS")) break;
    const std::string table = file.ReadAt(at + kPageHeaderSize, Byte(header[26]));
    if (table.size() < Byte(header[26])) break;
    std::uint64_t body = at + kPageHeaderSize + table.size();
    std::uint64_t bodySize = 0;
    for (char segment : table) bodySize += Byte(segment);
    at = body + bodySize;
    if (serial.empty()) {
      constexpr std::uint8_t kBeginsStream = 0x02;
      if (!(Byte(header[5]) & kBeginsStream)) break;  // every stream has begun: no song among them
      if (!BeginsASong(file.ReadAt(body, 8))) continue;
      serial = header.substr(14, 4);
    }
    if (header.compare(14, 4, serial) != 0) continue;  // a page of another stream
    for (char segment : table) {
      // A packet goes on over segments of 255 bytes, across pages too.
      const std::size_t length = Byte(segment);
      packets.back().Add(body, length);
      body += length;
      if (packets.size() == 1 && packets.back().size() > kLargestFirstPacket) return {};
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
  ReadAhead file(stream);
  at += 4;  // "fLaC"
  for (int block = 0; block < kMostBlocks; ++block) {
    const std::string header = file.ReadAt(at, 4);
    if (header.size() < 4) return {};
    const std::uint64_t size = BigEndian(std::string_view(header).substr(1));
    if ((header[0] & 0x7F) == kVorbisCommentBlock) {
      // A block that runs past the file's end is damaged: none of it is trusted.
      if (size > static_cast<std::uint64_t>(stream.length()) -
                     std::min<std::uint64_t>(at + 4, stream.length()))
        return {};
      Pieces comment;
      comment.Add(at + 4, size);
      return FromComment(file, comment, 0);
    }
    if (header[0] & 0x80) return {};  // the last block
    at += 4 + size;
  }
  return {};
}

ModernTags ReadOggComment(TagStream& stream) {
  ReadAhead file(stream);
  const std::vector<Pieces> packets = FirstTwoPackets(file);
  if (packets.size() < 2) return {};
  const std::string first = packets[0].Read(file, 0, 8), second = packets[1].Read(file, 0, 8);
  if (first.starts_with("\x01vorbis") && second.starts_with("\x03vorbis"))
    return FromComment(file, packets[1], 7);
  if (first.starts_with("OpusHead") && second.starts_with("OpusTags"))
    return FromComment(file, packets[1], 8);
  // FLAC in Ogg: the comment's metadata block, header and all, is the second packet.
  if (first.starts_with("\x7F"
                        "FLAC") &&
      second.size() >= 4 && (second[0] & 0x7F) == kVorbisCommentBlock)
    return FromComment(file, packets[1], 4);
  return {};
}

}  // namespace tunewick
