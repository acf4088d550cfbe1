#pragma once

// The bytes of tagged song files, written from scratch: ID3v1 and ID3v2 tags, WMA (ASF)
// headers with their attributes, WAV files with RIFF INFO and "id3 " chunks, FLAC and Ogg
// files with Xiph comments, M4A files with MP4 atoms, and AIFF files with "ID3 " chunks.
// The tests and the benchmarks make their songs with these; no song comes from elsewhere.
// Texts are given in UTF-8 and written in the encoding asked for.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tunewick::testing {

// A 128-byte ID3v1 tag with this title and artist (ISO-8859-1 bytes, each up to 30);
// album, year, comment and genre left zero.
std::string ID3v1Tag(std::string_view title, std::string_view artist,
                     std::string_view marker = "TAG");

// How an ID3v2 text frame is encoded. kUtf16NoBom is the encoding byte of UTF-16 with a
// byte order mark, but the text without one (little-endian), as some taggers write it.
enum class ID3v2Encoding { kLatin1, kUtf16, kUtf16BigEndian, kUtf8, kUtf16NoBom };

struct ID3v2Frame {
  std::string id;    // "TIT2", "TPE1", ... ("TT2", "TP1" in version 2)
  std::string text;  // UTF-8; a zero byte separates the values of a multi-value field
  ID3v2Encoding encoding = ID3v2Encoding::kUtf8;
  // Compressed with zlib, its size before compression ahead (ID3v2.3 and 2.4).
  bool compressed = false;
};

// An ID3v2.`version` tag (2, 3 or 4) holding `frames`, followed by `padding` zero bytes.
std::string ID3v2Tag(int version, const std::vector<ID3v2Frame>& frames, std::size_t padding = 0);

// A WMA file: an ASF header with a content description (title and author, UTF-16) and,
// when `albumArtist` is not empty, an extended content description holding
// WM/AlbumArtist; then a data object of `audioBytes` bytes.
std::string AsfSong(std::string_view title, std::string_view author,
                    std::string_view albumArtist = {}, std::size_t audioBytes = 64);

// A WAV file: "fmt " and "data" (`audioBytes` bytes) chunks, then a LIST INFO chunk with
// INAM and IART (each left out when empty) and, when `id3v2` is not empty, an "id3 "
// chunk holding it.
std::string WavSong(std::string_view title, std::string_view artist, std::string_view id3v2 = {},
                    std::size_t audioBytes = 64);

// The fields of a Xiph comment, each "KEY=value" as it is to stand there.
using XiphFields = std::vector<std::string>;

// A FLAC file: "fLaC", a STREAMINFO block, a VORBIS_COMMENT block holding `fields`, then
// `audioBytes` bytes of frames.
std::string FlacSong(const XiphFields& fields, std::size_t audioBytes = 64);

enum class OggCodec { kVorbis, kOpus, kFlac };

// An Ogg file of one stream in `codec`: its identification packet, its comment packet
// holding `fields` laid out over pages of at most `pageBytes` bytes of packet data, and a
// page of audio.
std::string OggSong(OggCodec codec, const XiphFields& fields, std::size_t pageBytes = 4000);

// An M4A file: "ftyp", then "moov" holding udta/meta/ilst with these items (each a type
// such as "\251nam" and a UTF-8 text), then "mdat" of `audioBytes` bytes.
std::string M4aSong(const std::vector<std::pair<std::string, std::string>>& items,
                    std::size_t audioBytes = 64);

// An AIFF file: "COMM" and "SSND" (`audioBytes` bytes) chunks and, when `id3v2` is not
// empty, an "ID3 " chunk holding it.
std::string AiffSong(std::string_view id3v2, std::size_t audioBytes = 64);

}  // namespace tunewick::testing
