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

std::string RiffChunk(std::string_view id, std::string body) {
  const std::size_t size = body.size();
  if (size % 2) body += '\0';
  return std::string(id) + LittleEndian(size, 4) + body;
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
