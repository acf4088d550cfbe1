#include "songtags/modern_tags.h"

#include <taglib/asffile.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tdebuglistener.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <optional>

#include "songtags/byte_order.h"
#include "songtags/id3v2_frames.h"
#include "songtags/latin1_text.h"
#include "songtags/mp4_atoms.h"
#include "songtags/tag_stream.h"
#include "songtags/tag_text.h"
#include "songtags/xiph_comments.h"

namespace tunewick {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kAsfHeaderGuid =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::size_t kAsfHeaderSize = 30;        // guid, size, object count, two reserved bytes
constexpr std::size_t kAsfObjectHeaderSize = 24;  // guid, size
constexpr std::size_t kRiffHeaderSize = 12;       // "RIFF" or "FORM", size, "WAVE" or "AIFF"
constexpr std::size_t kChunkHeaderSize = 8;       // id, size
constexpr int kMostChunks = 1000;                 // a WAV or AIFF file has a handful

// TagLib tells of every damaged tag on standard error; a damaged song is no news here.
class SilentDebugListener final : public TagLib::DebugListener {
 public:
  void printMessage(const TagLib::String&) override {}
};

// RIFF INFO texts have no declared encoding: UTF-8 where the bytes are valid UTF-8,
// otherwise Latin-1 (as older Windows programs wrote them).
class InfoTextHandler final : public TagLib::RIFF::Info::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    const int zero = data.find('\0');
    const TagLib::ByteVector text = zero < 0 ? data : data.mid(0, static_cast<unsigned int>(zero));
    const TagLib::String utf8(text, TagLib::String::UTF8);
    if (utf8.data(TagLib::String::UTF8) == text) return utf8;
    return TagLib::String(text, TagLib::String::Latin1);
  }
  TagLib::ByteVector render(const TagLib::String& text) const override {
    return text.data(TagLib::String::UTF8);
  }
};

void SetUpTagLib() {
  static std::once_flag once;
  std::call_once(once, [] {
    static SilentDebugListener silent;
    TagLib::setDebugListener(&silent);
    static InfoTextHandler infoText;
    TagLib::RIFF::Info::Tag::setStringHandler(&infoText);
  });
}

// A file that holds nothing but an ID3v2 tag at its start: all that TagLib's ID3v2
// reader needs.
class ID3v2Holder final : public TagLib::File {
 public:
  explicit ID3v2Holder(TagLib::IOStream* stream) : TagLib::File(stream) {}
  TagLib::Tag* tag() const override { return nullptr; }
  TagLib::AudioProperties* audioProperties() const override { return nullptr; }
  bool save() override { return false; }
};

// The first value of the frame, unless it is blank. A frame of encoding 0 is Latin-1 by
// its word, and TagLib reads it so, a byte to a character: its bytes are read again here.
TagText FrameText(const TagLib::ID3v2::Tag& tag, const char* id, TagKind kind) {
  const TagLib::ID3v2::FrameList& frames = tag.frameList(id);
  if (frames.isEmpty()) return {};
  const auto* frame = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
  if (!frame) return {};
  const TagLib::StringList values = frame->fieldList();
  if (values.isEmpty()) return {};
  if (frame->textEncoding() != TagLib::String::Latin1) return FirstOf({Utf8(values.front())}, kind);
  const TagLib::ByteVector bytes = values.front().data(TagLib::String::Latin1);
  const std::string_view latin1(bytes.data(), bytes.size());
  DeclaredLatin1 text = FromDeclaredLatin1(latin1.substr(0, latin1.find('\0')));
  if (IsBlank(text.utf8)) return {};
  return {std::move(text.utf8), kind, text.readAsUtf8};
}

TagKind ID3v2Kind(unsigned int majorVersion) {
  switch (majorVersion) {
    case 2:
      return TagKind::kID3v22;
    case 3:
      return TagKind::kID3v23;
    default:
      return TagKind::kID3v24;
  }
}

// The size of the ID3v2 tag that starts at `at`, header and footer included.
std::uint64_t ID3v2Size(TagStream& stream, std::uint64_t at) {
  const std::string start = stream.ReadAt(at, TagLib::ID3v2::Header::size());
  const TagLib::ID3v2::Header header(
      TagLib::ByteVector(start.data(), static_cast<unsigned int>(start.size())));
  return header.completeTagSize();
}

// The ID3v2 tag that starts at `at`, read no further than `end`.
ModernTags ReadID3v2(TagStream& stream, std::uint64_t at, std::uint64_t end) {
  if (end < at + TagLib::ID3v2::Header::size()) return {};
  const std::uint64_t size = std::min<std::uint64_t>(ID3v2Size(stream, at), end - at);
  ReadAhead frames(stream, at + size);
  const std::string bytes = TitleAndArtistFrames(
      size,
      [&](std::uint64_t offset, std::size_t count) { return frames.ReadAt(at + offset, count); });
  TagLib::ByteVectorStream memory(
      TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
  ID3v2Holder file(&memory);
  const TagLib::ID3v2::Tag tag(&file, 0);
  const TagKind kind = ID3v2Kind(tag.header()->majorVersion());
  return {FrameText(tag, "TIT2", kind), FrameText(tag, "TPE1", kind), FrameText(tag, "TPE2", kind)};
}

constexpr std::string_view kAsfContentDescriptionGuid =
    "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::string_view kAsfExtendedContentDescriptionGuid =
    "\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50"sv;
constexpr std::string_view kAsfHeaderExtensionGuid =
    "\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65"sv;
constexpr std::string_view kAsfMetadataGuid =
    "\xEA\xCB\xF8\xC5\xAF\x5B\x77\x48\x84\x67\xAA\x8C\x44\xFA\x4C\xCA"sv;
constexpr std::string_view kAsfMetadataLibraryGuid =
    "\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54"sv;

bool AsfObjectsAreSound(TagStream& stream, std::uint64_t at, std::uint64_t end,
                        std::optional<std::uint64_t> count, bool inExtension);

// TagLib reads as many texts and attributes as an object announces, whatever the
// object's size: what it announces must fit in it.
bool AsfObjectIsSound(TagStream& stream, std::string_view guid, std::uint64_t body,
                      std::uint64_t bodySize, bool inExtension) {
  auto countFits = [&](std::uint64_t smallestEntry) {
    return bodySize >= 2 && LittleEndian(stream.ReadAt(body, 2)) * smallestEntry <= bodySize - 2;
  };
  if (guid == kAsfContentDescriptionGuid) {
    // Five text lengths, then the texts.
    if (bodySize < 10) return false;
    const std::string lengths = stream.ReadAt(body, 10);
    if (lengths.size() < 10) return false;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < 10; i += 2) total += LittleEndian(lengths.substr(i, 2));
    return total <= bodySize - 10;
  }
  // An attribute is at least a name length, a type and a value length (and a stream
  // number and a reserved word, with a longer value length, in the metadata objects).
  if (guid == kAsfExtendedContentDescriptionGuid) return countFits(6);
  if (guid == kAsfMetadataGuid || guid == kAsfMetadataLibraryGuid) return countFits(12);
  if (guid == kAsfHeaderExtensionGuid && !inExtension) {
    // A reserved guid and word, the size of the objects that follow, the objects.
    if (bodySize < 22) return false;
    const std::uint64_t dataSize = LittleEndian(stream.ReadAt(body + 18, 4));
    return dataSize <= bodySize - 22 &&
           AsfObjectsAreSound(stream, body + 22, body + 22 + dataSize, std::nullopt, true);
  }
  return true;
}

// `count` objects from `at` on (all that fill the room up to `end` when no count is
// given), each of a size that fits before `end`.
bool AsfObjectsAreSound(TagStream& stream, std::uint64_t at, std::uint64_t end,
                        std::optional<std::uint64_t> count, bool inExtension) {
  for (std::uint64_t i = 0; count ? i < *count : at < end; ++i) {
    if (end - at < kAsfObjectHeaderSize) return false;
    const std::string header = stream.ReadAt(at, kAsfObjectHeaderSize);
    if (header.size() < kAsfObjectHeaderSize) return false;
    const std::uint64_t size = LittleEndian(std::string_view(header).substr(16));
    if (size < kAsfObjectHeaderSize || size > end - at ||
        !AsfObjectIsSound(stream, std::string_view(header).substr(0, 16), at + kAsfObjectHeaderSize,
                          size - kAsfObjectHeaderSize, inExtension))
      return false;
    at += size;
  }
  return true;
}

// TagLib trusts the sizes and counts in an ASF header; they must fit in the header, and
// the header in the file.
bool AsfHeaderIsSound(TagStream& stream) {
  const std::string header = stream.ReadAt(0, kAsfHeaderSize);
  if (header.size() < kAsfHeaderSize) return false;
  const std::uint64_t headerSize = LittleEndian(header.substr(16, 8));
  const std::uint64_t objects = LittleEndian(header.substr(24, 4));
  return headerSize >= kAsfHeaderSize &&
         headerSize <= static_cast<std::uint64_t>(stream.length()) &&
         AsfObjectsAreSound(stream, kAsfHeaderSize, headerSize, objects, false);
}

ModernTags ReadAsf(TagStream& stream) {
  if (!AsfHeaderIsSound(stream)) return {};
  stream.seek(0, TagLib::IOStream::Beginning);
  const TagLib::ASF::File file(&stream, false);
  const TagLib::ASF::Tag* tag = file.tag();
  if (!file.isValid() || !tag) return {};
  std::string albumArtist;
  const TagLib::ASF::AttributeList albumArtists = tag->attribute("WM/AlbumArtist");
  if (!albumArtists.isEmpty()) albumArtist = Utf8(albumArtists.front().toString());
  return {FirstOf({Utf8(tag->title())}, TagKind::kASF),
          FirstOf({Utf8(tag->artist())}, TagKind::kASF), FirstOf({albumArtist}, TagKind::kASF)};
}

// Walks the chunks of a WAV file (sizes little-endian) or an AIFF file (big-endian): the
// "id3 " chunk wins per field, RIFF INFO fills in. A chunk whose size runs past the file's
// end makes the file damaged: no tags at all. Past the end its header gives the file, what
// follows is no part of it (an ID3v1 tag, say): the walk ends at the first such chunk.
ModernTags ReadChunks(TagStream& stream, bool bigEndian) {
  const auto fileSize = static_cast<std::uint64_t>(stream.length());
  auto number = [&](std::string_view bytes) {
    return bigEndian ? BigEndian(bytes) : LittleEndian(bytes);
  };
  const std::uint64_t formEnd = kChunkHeaderSize + number(stream.ReadAt(4, 4));
  ModernTags id3v2, info;
  std::uint64_t at = kRiffHeaderSize;
  for (int chunk = 0; at + kChunkHeaderSize <= fileSize; ++chunk) {
    const std::string header = stream.ReadAt(at, kChunkHeaderSize);
    const std::uint64_t size = number(std::string_view(header).substr(4));
    if (chunk == kMostChunks || header.size() < kChunkHeaderSize ||
        size > fileSize - at - kChunkHeaderSize) {
      if (at >= formEnd) break;
      return {};
    }
    const std::string_view id = std::string_view(header).substr(0, 4);
    const std::uint64_t data = at + kChunkHeaderSize;
    if ((id == "id3 " || id == "ID3 ") && id3v2.title.from == TagKind::kNone &&
        id3v2.artist.from == TagKind::kNone && id3v2.albumArtist.from == TagKind::kNone) {
      id3v2 = ReadID3v2(stream, data, data + size);
    } else if (id == "LIST" && stream.ReadAt(data, 4) == "INFO" &&
               info.title.from == TagKind::kNone && info.artist.from == TagKind::kNone) {
      const std::string list = stream.ReadAt(data, size);
      const TagLib::RIFF::Info::Tag tag(
          TagLib::ByteVector(list.data(), static_cast<unsigned int>(list.size())));
      info = {FirstOf({Utf8(tag.fieldText("INAM"))}, TagKind::kRiffInfo),
              FirstOf({Utf8(tag.fieldText("IART"))}, TagKind::kRiffInfo),
              {}};
    }
    at = data + size;
    // An odd-sized chunk is followed by a zero byte of padding, which some writers forget.
    if (size % 2 && stream.ReadAt(at, 1) == std::string(1, '\0')) ++at;
  }
  return Either(id3v2, info);
}

bool IsRiff(std::string_view start, std::string_view id,
            std::initializer_list<std::string_view> forms) {
  if (start.size() < kRiffHeaderSize || !start.starts_with(id)) return false;
  for (std::string_view form : forms)
    if (start.substr(8, 4) == form) return true;
  return false;
}

}  // namespace

std::string_view TagKindName(TagKind kind) {
  switch (kind) {
    case TagKind::kNone:
      return "";
    case TagKind::kID3v1:
      return "ID3v1";
    case TagKind::kID3v22:
      return "ID3v2.2";
    case TagKind::kID3v23:
      return "ID3v2.3";
    case TagKind::kID3v24:
      return "ID3v2.4";
    case TagKind::kASF:
      return "ASF";
    case TagKind::kRiffInfo:
      return "RIFF INFO";
    case TagKind::kXiph:
      return "Xiph comment";
    case TagKind::kMP4:
      return "MP4";
  }
  return "";
}

ModernTags ReadModernTags(const FileSystem& fileSystem, const std::string& path) {
  try {
    std::unique_ptr<ReadableFile> file = fileSystem.OpenToRead(path);
    if (!file) return {};
    SetUpTagLib();
    TagStream stream(path, std::move(file));
    const auto length = static_cast<std::uint64_t>(stream.length());
    const std::string start = stream.ReadAt(0, kAsfHeaderGuid.size());
    if (start.starts_with("ID3")) {
      const ModernTags id3v2 = ReadID3v2(stream, 0, length);
      // A FLAC file that some tagger gave an ID3v2 tag as well.
      const std::uint64_t end = ID3v2Size(stream, 0);
      if (stream.ReadAt(end, 4) == "fLaC") return Either(ReadFlacComment(stream, end), id3v2);
      return id3v2;
    }
    if (start == kAsfHeaderGuid) return ReadAsf(stream);
    if (start.starts_with("fLaC")) return ReadFlacComment(stream, 0);
    if (start.starts_with("OggS")) return ReadOggComment(stream);
    if (start.size() >= 8 && start.compare(4, 4, "ftyp") == 0) return ReadMp4Atoms(stream);
    if (IsRiff(start, "RIFF", {"WAVE"})) return ReadChunks(stream, false);
    if (IsRiff(start, "FORM", {"AIFF", "AIFC"})) return ReadChunks(stream, true);
    return {};
  } catch (const std::exception&) {
    // Out of memory on a damaged file, or the like: one song must not end the run.
    return {{}, {}, {}, true};
  }
}

}  // namespace tunewick
