#include "support/tag_bytes.h"

#include <zlib.h>

#include <cstdint>
#include <stdexcept>

namespace tunewick::testing {
namespace {

// The code points of UTF-8 text (well formed, as the callers give it).
std::vector<char32_t> CodePoints(std::string_view utf8) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? byte : byte & (0x3F >> (length - 1));
    for (int k = 1; k < length && i + k < utf8.size(); ++k)
      point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    points.push_back(point);
    i += length;
  }
  return points;
}

std::string Utf16(std::string_view utf8, bool bigEndian) {
  std::string bytes;
  auto unit = [&](char16_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  };
  for (char32_t point : CodePoints(utf8)) {
    if (point < 0x10000) {
      unit(static_cast<char16_t>(point));
    } else {
      unit(static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10)));
      unit(static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF)));
    }
  }
  return bytes;
}

std::string Latin1(std::string_view utf8) {
  std::string bytes;
  for (char32_t point : CodePoints(utf8)) {
    if (point > 0xFF) throw std::invalid_argument("not Latin-1: " + std::string(utf8));
    bytes += static_cast<char>(point);
  }
  return bytes;
}

std::string BigEndian(std::uint32_t value, int bytes) {
  std::string out;
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
  return out;
}

std::string LittleEndian(std::uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// Seven bits a byte, as ID3v2 writes its sizes.
std::string SyncSafe(std::uint32_t value) {
  return BigEndian(((value & 0x0FE00000) << 3) | ((value & 0x1FC000) << 2) |
                       ((value & 0x3F80) << 1) | (value & 0x7F),
                   4);
}

std::string FrameBody(const ID3v2Frame& frame) {
  switch (frame.encoding) {
    case ID3v2Encoding::kLatin1:
      return '\0' + Latin1(frame.text);
    case ID3v2Encoding::kUtf16:
      return "\x01\xFF\xFE" + Utf16(frame.text, false);
    case ID3v2Encoding::kUtf16BigEndian:
      return '\x02' + Utf16(frame.text, true);
    case ID3v2Encoding::kUtf8:
      return '\x03' + frame.text;
    case ID3v2Encoding::kUtf16NoBom:
      return '\x01' + Utf16(frame.text, false);
  }
  return {};
}

// A UTF-16LE text ending in a zero character, as ASF stores its texts.
std::string AsfText(std::string_view utf8) { return Utf16(utf8, false) + std::string(2, '\0'); }

std::string AsfObject(std::string_view guid, const std::string& body) {
  return std::string(guid) + LittleEndian(24 + body.size(), 8) + body;
}

std::string RiffChunk(std::string_view id, std::string body, bool bigEndian = false) {
  const std::size_t size = body.size();
  if (size % 2) body += '\0';
  return std::string(id) + (bigEndian ? BigEndian(size, 4) : LittleEndian(size, 4)) + body;
}

std::string XiphComment(const XiphFields& fields) {
  std::string comment = LittleEndian(8, 4) + "tunewick" + LittleEndian(fields.size(), 4);
  for (const std::string& field : fields) comment += LittleEndian(field.size(), 4) + field;
  return comment;
}

// FLAC's STREAMINFO: block sizes, frame sizes, 44,100 samples a second, stereo, 16 bits.
const std::string kStreamInfo = BigEndian(4096, 2) + BigEndian(4096, 2) + std::string(6, '\0') +
                                BigEndian((44100u << 12) | (1u << 9) | (15u << 4), 4) +
                                std::string(20, '\0');

std::string FlacBlock(int type, std::string_view body, bool last) {
  return static_cast<char>(type | (last ? 0x80 : 0)) + BigEndian(body.size(), 3) +
         std::string(body);
}

// Ogg's CRC-32: polynomial 0x04C11DB7, no reflection, starting from zero.
std::uint32_t OggChecksum(std::string_view page) {
  std::uint32_t crc = 0;
  for (char byte : page) {
    crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(byte)) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// The pages of the Ogg stream 0x10CA1 that carry `packet`, from page `sequence` on: at most
// `pageBytes` (rounded down to whole segments of 255 bytes) of it a page, its last segment
// shorter than 255 bytes, empty where need be.
std::string OggPages(std::uint32_t& sequence, std::string_view packet, std::size_t pageBytes) {
  const std::size_t room = std::max<std::size_t>(pageBytes / 255, 1) * 255;
  std::string pages;
  for (std::size_t at = 0;; at += room) {
    const std::string_view data = packet.substr(at, room);
    const bool ends = packet.size() - at < room;
    std::string table(data.size() / 255, '\xFF');
    if (ends) table += static_cast<char>(data.size() % 255);
    const char flags = sequence == 0 ? '\x02' : at > 0 ? '\x01' : '\0';  // first, continued
    std::string page = "OggS" + std::string(1, '\0') + flags + std::string(8, '\0') +
                       LittleEndian(0x10CA1, 4) + LittleEndian(sequence++, 4) +
                       std::string(4, '\0') + static_cast<char>(table.size()) + table +
                       std::string(data);
    pages += page.replace(22, 4, LittleEndian(OggChecksum(page), 4));
    if (ends) return pages;
  }
}

std::string Mp4Atom(std::string_view type, std::string_view body) {
  return BigEndian(8 + body.size(), 4) + std::string(type) + std::string(body);
}

}  // namespace

std::string ID3v1Tag(std::string_view title, std::string_view artist, std::string_view marker) {
  std::string tag(marker);
  tag.append(title).resize(33, '\0');
  tag.append(artist).resize(128, '\0');
  return tag;
}

std::string ID3v2Tag(int version, const std::vector<ID3v2Frame>& frames, std::size_t padding) {
  std::string body;
  for (const ID3v2Frame& frame : frames) {
    std::string data = FrameBody(frame);
    std::string flags(2, '\0');
    if (frame.compressed) {
      uLongf length = compressBound(data.size());
      std::string compressed(length, '\0');
      if (compress(reinterpret_cast<Bytef*>(compressed.data()), &length,
                   reinterpret_cast<const Bytef*>(data.data()), data.size()) != Z_OK)
        throw std::runtime_error("zlib cannot compress the frame");
      compressed.resize(length);
      const auto inflated = static_cast<std::uint32_t>(data.size());
      // The size before compression: in ID3v2.4 the data length indicator that compression asks.
      data = (version == 4 ? SyncSafe(inflated) : BigEndian(inflated, 4)) + compressed;
      flags[1] = version == 4 ? '\x09' : '\x80';
    }
    const auto size = static_cast<std::uint32_t>(data.size());
    if (version == 2) {
      body += frame.id + BigEndian(size, 3);
    } else {
      body += frame.id + (version == 4 ? SyncSafe(size) : BigEndian(size, 4)) + flags;
    }
    body += data;
  }
  body.append(padding, '\0');
  return "ID3" + std::string{static_cast<char>(version), '\0', '\0'} +
         SyncSafe(static_cast<std::uint32_t>(body.size())) + body;
}

std::string AsfSong(std::string_view title, std::string_view author, std::string_view albumArtist,
                    std::size_t audioBytes) {
  using namespace std::string_view_literals;
  const std::string_view headerGuid =
      "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
  const std::string_view descriptionGuid =
      "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
  const std::string_view extendedGuid =
      "\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50"sv;
  const std::string_view dataGuid =
      "\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;

  const std::string_view filePropertiesGuid =
      "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65"sv;
  const std::string_view streamPropertiesGuid =
      "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65"sv;
  const std::string_view audioMediaGuid =
      "\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B"sv;

  // The two objects every ASF header must hold: the file's and one audio stream's
  // properties (WMA 2, stereo, 44,100 samples a second, 128 kbit/s).
  std::vector<std::string> objects;
  objects.push_back(AsfObject(filePropertiesGuid, std::string(16, '\x22') + std::string(64, '\0')));
  const std::string waveFormat = LittleEndian(0x161, 2) + LittleEndian(2, 2) +
                                 LittleEndian(44100, 4) + LittleEndian(16000, 4) +
                                 LittleEndian(2973, 2) + LittleEndian(16, 2) + LittleEndian(0, 2);
  objects.push_back(AsfObject(streamPropertiesGuid, std::string(audioMediaGuid) +
                                                        std::string(16, '\0') + LittleEndian(0, 8) +
                                                        LittleEndian(waveFormat.size(), 4) +
                                                        LittleEndian(0, 4) + LittleEndian(1, 2) +
                                                        LittleEndian(0, 4) + waveFormat));
  const std::string titleText = AsfText(title), authorText = AsfText(author);
  std::string description = LittleEndian(titleText.size(), 2) + LittleEndian(authorText.size(), 2) +
                            std::string(6, '\0') + titleText + authorText;
  objects.push_back(AsfObject(descriptionGuid, description));
  if (!albumArtist.empty()) {
    const std::string name = AsfText("WM/AlbumArtist"), value = AsfText(albumArtist);
    objects.push_back(AsfObject(extendedGuid, LittleEndian(1, 2) + LittleEndian(name.size(), 2) +
                                                  name + LittleEndian(0, 2) +
                                                  LittleEndian(value.size(), 2) + value));
  }
  std::string header;
  for (const std::string& object : objects) header += object;
  header = std::string(headerGuid) + LittleEndian(30 + header.size(), 8) +
           LittleEndian(objects.size(), 4) + "\x01\x02" + header;
  // The data object: file id, packet count, reserved, then the packets.
  const std::string data =
      std::string(16, '\x11') + LittleEndian(1, 8) + "\x01\x01" + std::string(audioBytes, '\x55');
  return header + AsfObject(dataGuid, data);
}

std::string FlacSong(const XiphFields& fields, std::size_t audioBytes) {
  return "fLaC" + FlacBlock(0, kStreamInfo, false) + FlacBlock(4, XiphComment(fields), true) +
         std::string(audioBytes, '\xF8');
}

std::string OggSong(OggCodec codec, const XiphFields& fields, std::size_t pageBytes) {
  std::string identification, comment;
  switch (codec) {
    case OggCodec::kVorbis:  // version 0, stereo, 44,100 samples a second, block sizes
      identification = "\x01vorbis" + LittleEndian(0, 4) + "\x02" + LittleEndian(44100, 4) +
                       std::string(12, '\0') + "\xB8\x01";
      comment = "\x03vorbis" + XiphComment(fields) + "\x01";
      break;
    case OggCodec::kOpus:  // version 1, stereo, pre-skip, 48,000 samples a second
      identification =
          "OpusHead\x01\x02" + LittleEndian(312, 2) + LittleEndian(48000, 4) + std::string(3, '\0');
      comment = "OpusTags" + XiphComment(fields);
      break;
    case OggCodec::kFlac:  // mapping 1.0, one header packet after this one
      identification =
          "\x7F"
          "FLAC\x01" +
          std::string(1, '\0') + BigEndian(1, 2) + "fLaC" + FlacBlock(0, kStreamInfo, false);
      comment = FlacBlock(4, XiphComment(fields), true);
      break;
  }
  std::uint32_t sequence = 0;
  std::string song = OggPages(sequence, identification, pageBytes);
  song += OggPages(sequence, comment, pageBytes);
  return song + OggPages(sequence, std::string(64, '\x55'), pageBytes);
}

std::string M4aSong(const std::vector<std::pair<std::string, std::string>>& items,
                    std::size_t audioBytes) {
  std::string list;
  for (const auto& [type, text] : items)  // each text in a "data" atom of type 1, UTF-8
    list += Mp4Atom(type, Mp4Atom("data", BigEndian(1, 4) + std::string(4, '\0') + text));
  const std::string handler =  // "mdir", as iTunes writes it
      std::string(8, '\0') + "mdirappl" + std::string(10, '\0');
  const std::string meta = std::string(4, '\0') + Mp4Atom("hdlr", handler) + Mp4Atom("ilst", list);
  return Mp4Atom("ftyp", "M4A " + BigEndian(0, 4) + "M4A mp42isom") +
         Mp4Atom("moov",
                 Mp4Atom("mvhd", std::string(100, '\0')) + Mp4Atom("udta", Mp4Atom("meta", meta))) +
         Mp4Atom("mdat", std::string(audioBytes, '\x21'));
}

std::string AiffSong(std::string_view id3v2, std::size_t audioBytes) {
  // Stereo, 16 bits, 44,100 samples a second (an 80-bit float).
  const std::string common = BigEndian(2, 2) + BigEndian(audioBytes / 4, 4) + BigEndian(16, 2) +
                             "\x40\x0E\xAC\x44" + std::string(6, '\0');
  std::string chunks =
      RiffChunk("COMM", common, true) + RiffChunk("SSND", std::string(8 + audioBytes, '\0'), true);
  if (!id3v2.empty()) chunks += RiffChunk("ID3 ", std::string(id3v2), true);
  return "FORM" + BigEndian(4 + chunks.size(), 4) + "AIFF" + chunks;
}

std::string WavSong(std::string_view title, std::string_view artist, std::string_view id3v2,
                    std::size_t audioBytes) {
  // PCM, 2 channels, 44,100 samples a second, 16 bits.
  const std::string format = LittleEndian(1, 2) + LittleEndian(2, 2) + LittleEndian(44100, 4) +
                             LittleEndian(176400, 4) + LittleEndian(4, 2) + LittleEndian(16, 2);
  std::string chunks = RiffChunk("fmt ", format) + RiffChunk("data", std::string(audioBytes, '\0'));
  std::string info;
  if (!title.empty()) info += RiffChunk("INAM", std::string(title) + '\0');
  if (!artist.empty()) info += RiffChunk("IART", std::string(artist) + '\0');
  if (!info.empty()) chunks += RiffChunk("LIST", "INFO" + info);
  if (!id3v2.empty()) chunks += RiffChunk("id3 ", std::string(id3v2));
  return "RIFF" + LittleEndian(4 + chunks.size(), 4) + "WAVE" + chunks;
}

}  // namespace tunewick::testing
