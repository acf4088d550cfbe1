#include "songtags/id3v2_frames.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace tunewick {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::uint8_t kUnsynchronised = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40;  // compression in ID3v2.2
// A tag without a picture, read in one piece; a larger one is read a frame at a time.
constexpr std::uint64_t kReadWhole = 16 << 10;
// A title or an artist frame larger than this holds no name a file could take.
constexpr std::uint64_t kLargestWantedFrame = 64 << 10;

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

// Big-endian, 7 bits a byte when `syncSafe`; false when a sync-safe byte has bit 7 set.
bool ReadNumber(std::string_view bytes, bool syncSafe, std::uint32_t& number) {
  number = 0;
  for (char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (syncSafe && byte > 0x7F) return false;
    number = (number << (syncSafe ? 7 : 8)) | byte;
  }
  return true;
}

std::string Number(std::uint32_t number, int length, bool syncSafe) {
  std::string bytes(length, '\0');
  for (int i = length - 1; i >= 0; --i) {
    bytes[i] = static_cast<char>(number & (syncSafe ? 0x7F : 0xFF));
    number >>= syncSafe ? 7 : 8;
  }
  return bytes;
}

bool IsFrameId(std::string_view id) {
  return std::all_of(id.begin(), id.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

constexpr std::string_view kWantedIds[] = {"TIT2", "TPE1", "TPE2", "TT2", "TP1", "TP2"};

// Where `id` stands in kWantedIds; past its end when it is not wanted.
std::size_t WantedIndex(std::string_view id) {
  return std::find(std::begin(kWantedIds), std::end(kWantedIds), id) - std::begin(kWantedIds);
}

// Unsynchronisation put a zero byte after every 0xFF that could be mistaken for sync.
std::string Resynchronised(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (Byte(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
  }
  return out;
}

// The frames of a tag after its header: in memory, or read a piece at a time, so that the
// frames not wanted (pictures, which may be megabytes) are passed over unread.
class Body {
 public:
  explicit Body(std::string_view bytes) : bytes_(bytes), size_(bytes.size()) {}
  Body(const TagBytes& read, std::uint64_t from, std::uint64_t size)
      : read_(&read), from_(from), size_(size) {}

  std::uint64_t size() const { return size_; }
  // Up to `count` bytes from `at`; fewer where the body, or what can be read of it, ends.
  std::string Bytes(std::uint64_t at, std::uint64_t count) const {
    if (at >= size_) return {};
    count = std::min(count, size_ - at);
    if (!read_) return std::string(bytes_.substr(at, count));
    return (*read_)(from_ + at, static_cast<std::size_t>(count));
  }

 private:
  std::string_view bytes_;
  const TagBytes* read_ = nullptr;
  std::uint64_t from_ = 0;
  std::uint64_t size_;
};

struct Layout {
  int version;
  std::size_t idLength, sizeLength, headerLength;
};

// Whether a frame may start at `at`: another frame, the padding, or the end.
bool FrameMayStart(const Body& body, const Layout& layout, std::uint64_t at) {
  if (at + layout.idLength > body.size()) return at <= body.size();
  const std::string id = body.Bytes(at, layout.idLength);
  return id.size() == layout.idLength && (id[0] == '\0' || IsFrameId(id));
}

// The size of the frame at `at`. ID3v2.4 sizes are sync-safe, but some taggers write
// them as plain numbers: the reading after which another frame can start wins.
bool FrameSize(const Body& body, const Layout& layout, std::uint64_t at, std::uint32_t& size) {
  const std::string bytes = body.Bytes(at + layout.idLength, layout.sizeLength);
  if (bytes.size() < layout.sizeLength) return false;
  if (layout.version != 4) return ReadNumber(bytes, false, size);
  std::uint32_t plain = 0;
  ReadNumber(bytes, false, plain);
  const bool syncSafe = ReadNumber(bytes, true, size);
  if (syncSafe && FrameMayStart(body, layout, at + layout.headerLength + size)) return true;
  if (FrameMayStart(body, layout, at + layout.headerLength + std::uint64_t{plain})) {
    size = plain;
    return true;
  }
  return syncSafe;
}

// A text frame's body with the byte order mark its UTF-16 encoding promises.
std::string WithByteOrderMark(std::string_view data) {
  if (data.size() < 3 || data[0] != '\x01' || data.substr(1, 2) == "\xFF\xFE" ||
      data.substr(1, 2) == "\xFE\xFF")
    return std::string(data);
  int zerosFirst = 0, zerosSecond = 0;
  for (std::size_t at = 1; at + 1 < data.size(); at += 2) {
    zerosFirst += data[at] == '\0';
    zerosSecond += data[at + 1] == '\0';
  }
  return std::string(data.substr(0, 1)) + (zerosFirst > zerosSecond ? "\xFE\xFF" : "\xFF\xFE") +
         std::string(data.substr(1));
}

// A title or an artist has to fit in a file name: a frame that inflates to more holds none
// that could be used, and inflating it whole could cost gigabytes.
constexpr std::size_t kMostInflated = 64 << 10;

// The zlib stream at the start of `packed`, inflated; nothing when it is damaged or would
// inflate to more than kMostInflated bytes.
std::optional<std::string> Inflated(std::string_view packed) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::string out(kMostInflated + 1, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  out.resize(out.size() - stream.avail_out);
  inflateEnd(&stream);
  if (result != Z_STREAM_END || out.size() > kMostInflated) return std::nullopt;
  return out;
}

// The format flags of ID3v2.3 and 2.4 frames (their second flag byte).
struct FormatFlags {
  std::uint8_t compressed, encrypted, grouped;
};
constexpr FormatFlags kVersion3Flags{0x80, 0x40, 0x20}, kVersion4Flags{0x08, 0x04, 0x40};
constexpr std::uint8_t kVersion4Unsynchronised = 0x02, kVersion4DataLength = 0x01;

const FormatFlags& FlagsOf(int version) { return version == 4 ? kVersion4Flags : kVersion3Flags; }

bool IsCompressed(int version, std::string_view frameFlags) {
  return version > 2 && (Byte(frameFlags, 1) & FlagsOf(version).compressed);
}

// The body of a compressed frame as it would be without compression; nothing when it
// cannot be read (encrypted, damaged) or inflates to more than kMostInflated bytes. The
// size before compression ahead of the zlib stream is not trusted.
std::optional<std::string> InflatedBody(std::string_view data, int version, std::uint8_t format) {
  const FormatFlags& flags = FlagsOf(version);
  if (format & flags.encrypted) return std::nullopt;
  // Ahead of the zlib stream: the size before compression (ID3v2.3) and the group, or the
  // group and the data length indicator (ID3v2.4).
  const std::size_t ahead = 4 + ((format & flags.grouped) ? 1 : 0);
  if (data.size() < ahead) return std::nullopt;
  return Inflated(data.substr(ahead));
}

}  // namespace

std::string TitleAndArtistFrames(std::uint64_t length, const TagBytes& read) {
  const std::string header = read(0, kHeaderSize);
  if (length < kHeaderSize || header.size() < kHeaderSize || !header.starts_with("ID3")) return {};
  const int version = Byte(header, 3);
  std::uint8_t flags = Byte(header, 5);
  std::uint32_t tagSize = 0;
  if (version < 2 || version > 4 ||
      !ReadNumber(std::string_view(header).substr(6, 4), true, tagSize))
    return {};
  if (version == 2 && (flags & kExtendedHeader)) return {};  // compressed: no known way to read
  const std::uint64_t bodySize = std::min<std::uint64_t>(tagSize, length - kHeaderSize);
  std::string whole;
  std::optional<Body> bodyRead;
  if ((flags & kUnsynchronised) && version <= 3) {
    // The frame sizes count the bytes as they are without unsynchronisation: the whole tag
    // is read first.
    whole = Resynchronised(read(kHeaderSize, static_cast<std::size_t>(bodySize)));
    bodyRead.emplace(whole);
    flags &= ~kUnsynchronised;
  } else if (bodySize <= kReadWhole) {
    whole = read(kHeaderSize, static_cast<std::size_t>(bodySize));
    bodyRead.emplace(whole);
  } else {
    bodyRead.emplace(read, kHeaderSize, bodySize);
  }
  const Body& body = *bodyRead;
  std::uint64_t at = 0;
  if (flags & kExtendedHeader) {
    // Its size counts itself in ID3v2.4, not in ID3v2.3.
    std::uint32_t size = 0;
    const std::string bytes = body.Bytes(0, 4);
    if (bytes.size() < 4 || !ReadNumber(bytes, version == 4, size)) return {};
    at = version == 4 ? size : std::uint64_t{size} + 4;
    flags &= ~kExtendedHeader;
  }
  const Layout layout = version == 2 ? Layout{2, 3, 3, 6} : Layout{version, 4, 4, 10};
  std::string frames;
  // Only the first of each is read; TagLib would build an object for every one of thousands.
  bool found[std::size(kWantedIds)] = {};
  std::uint32_t size = 0;
  for (std::string id;
       at + layout.headerLength <= body.size() && IsFrameId(id = body.Bytes(at, layout.idLength)) &&
       id.size() == layout.idLength && FrameSize(body, layout, at, size) &&
       size <= body.size() - at - layout.headerLength;
       at += layout.headerLength + size) {
    const std::size_t wanted = WantedIndex(id);
    if (wanted == std::size(kWantedIds) || found[wanted] || size > kLargestWantedFrame) continue;
    std::string frameFlags = body.Bytes(at + layout.idLength + layout.sizeLength,
                                        layout.headerLength - layout.idLength - layout.sizeLength);
    std::string data = body.Bytes(at + layout.headerLength, size);
    if (data.size() < size ||
        frameFlags.size() < layout.headerLength - layout.idLength - layout.sizeLength)
      break;  // the tag could be read no further
    if (version == 4 &&
        ((flags & kUnsynchronised) || (Byte(frameFlags, 1) & kVersion4Unsynchronised))) {
      // Undone here, so that a byte order mark can be told, and missing ones given.
      data = Resynchronised(data);
      frameFlags[1] = static_cast<char>(Byte(frameFlags, 1) & ~kVersion4Unsynchronised);
    }
    if (version > 2 && !IsCompressed(version, frameFlags) &&
        (Byte(frameFlags, 1) & FlagsOf(version).grouped)) {
      // TagLib would take the group's identifier, ahead of the rest, for the text's first byte.
      data.erase(0, 1);
      frameFlags[1] = static_cast<char>(Byte(frameFlags, 1) & ~FlagsOf(version).grouped);
    }
    if (version == 4 && !IsCompressed(version, frameFlags) &&
        (Byte(frameFlags, 1) & kVersion4DataLength)) {
      data.erase(0, 4);  // so that the text's byte order mark can be told
      frameFlags[1] = static_cast<char>(Byte(frameFlags, 1) & ~kVersion4DataLength);
    }
    // The status flags (the first byte) leave the data as it is.
    const bool plain = version == 2 || Byte(frameFlags, 1) == 0;
    std::string kept;
    if (plain) {
      kept = WithByteOrderMark(data);
    } else if (IsCompressed(version, frameFlags)) {
      // Inflated here, within bounds: TagLib would inflate it whole.
      std::optional<std::string> inflated = InflatedBody(data, version, Byte(frameFlags, 1));
      if (!inflated) continue;
      kept = WithByteOrderMark(*inflated);
      frameFlags[1] = '\0';
    } else if (Byte(frameFlags, 1) & FlagsOf(version).encrypted) {
      continue;  // unreadable: a later frame of its kind may be read instead
    } else {
      kept = data;
    }
    // TagLib reads no further than an empty frame, which holds no text anyway.
    if (kept.empty()) continue;
    frames.append(id).append(Number(static_cast<std::uint32_t>(kept.size()),
                                    static_cast<int>(layout.sizeLength), version == 4));
    frames.append(frameFlags).append(kept);
    found[wanted] = true;
  }
  // No footer follows the frames any more, and no frame is unsynchronised.
  flags &= ~(0x10 | kUnsynchronised);
  return std::string("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
         Number(static_cast<std::uint32_t>(frames.size()), 4, true) + frames;
}

}  // namespace tunewick
