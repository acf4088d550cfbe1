// Reading a song's title and artist from its tags: each kind of tag, which tag wins per
// field, the cleaning of the winning value, and damaged or unreadable files. How the tags
// name songs, control characters, and paths that are not UTF-8: see the command line's tests.

#include "songtags/song_tags.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/forwarding_file_system.h"
#include "support/tag_bytes.h"
#include "support/temp_folder.h"

namespace tunewick {
namespace {

using testing::AiffSong;
using testing::AsfSong;
using testing::FlacSong;
using testing::ID3v1Tag;
using testing::ID3v2Encoding;
using testing::ID3v2Tag;
using testing::M4aSong;
using testing::OggCodec;
using testing::OggSong;
using testing::TempFolder;
using testing::WavSong;
using Enc = ID3v2Encoding;

const std::string kAudio(3000, '\xFB');  // stands for MPEG frames

// What "quickly" is for one song, in processor time of the reading thread, which other
// work on the machine does not stretch; the sanitizer build runs unoptimised, many times
// slower. A read that waits (on a named pipe, say) fails by the test's time limit.
#ifdef TUNEWICK_SANITIZED
constexpr auto kQuickly = std::chrono::seconds(2);
#else
constexpr auto kQuickly = std::chrono::milliseconds(250);
#endif

std::chrono::nanoseconds ThreadTime() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// "text [kind]" per field, "" for none, the album artist and UTF-8 in Latin-1 marked: one
// string to compare and to print.
std::string Described(const SongTagField& field) {
  if (field.from == TagKind::kNone) return "";
  return field.text + " [" + std::string(TagKindName(field.from)) +
         (field.albumArtist ? " album artist" : "") + (field.readAsUtf8 ? ", UTF-8" : "") + "]";
}

SongTags Read(const std::string& path) { return ReadSongTags(RealFileSystem(), path); }

TEST(SongTags, EachKindOfTagGivesItsTrimmedTitleAndArtistAsUtf8) {
  TempFolder folder;
  const std::string longTitle = "A Title Far Longer Than Thirty Bytes, Whole";
  const std::string picture((16 << 20) + 1000, 'p');
  // The tag with an extended header before its frames, in place of as much padding.
  auto extended = [](std::string tag, std::string_view header) {
    tag[5] = '\x40';
    tag.insert(10, header);
    tag.resize(tag.size() - header.size());
    return tag;
  };
  const struct {
    std::string name, content, title, artist;
  } cases[] = {
      {"v23.mp3",
       ID3v2Tag(3, {{"TIT2", "J\xc3\xb3ga \xe2\x99\xab", Enc::kUtf16},
                    {"TPE1", "Mot\xc3\xb6rhead", Enc::kLatin1},
                    {"TPE2", "Band"}}) +
           kAudio,
       "J\xc3\xb3ga \xe2\x99\xab [ID3v2.3]", "Mot\xc3\xb6rhead [ID3v2.3]"},
      // UTF-8 in a frame of encoding 0, as sox writes it ("Ã³" as Latin-1 is "ó" in UTF-8).
      {"sox.mp3", ID3v2Tag(3, {{"TIT2", "J\xc3\x83\xc2\xb3ga", Enc::kLatin1}, {"TPE1", "A"}}),
       "J\xc3\xb3ga [ID3v2.3, UTF-8]", "A [ID3v2.3]"},
      // Xiph comments, keys in any case, spread over Ogg pages and their 255-byte segments.
      {"xiph.flac", FlacSong({"title=Gr\xc3\xbcn", "ARTIST=A", "ARTIST=B"}),
       "Gr\xc3\xbcn [Xiph comment]", "A [Xiph comment]"},
      {"vorbis.ogg",
       OggSong(OggCodec::kVorbis, {"TITLE=" + std::string(600, 'v'), "ARTIST=V"}, 300),
       std::string(600, 'v') + " [Xiph comment]", "V [Xiph comment]"},
      {"opus.opus", OggSong(OggCodec::kOpus, {"TITLE=Opus", "ALBUMARTIST=Band"}),
       "Opus [Xiph comment]", "Band [Xiph comment album artist]"},
      {"flac.oga", OggSong(OggCodec::kFlac, {"TITLE=In Ogg", "ARTIST=F"}), "In Ogg [Xiph comment]",
       "F [Xiph comment]"},
      // A stream of another kind first, as a video or a Skeleton is.
      {"skeleton.ogg",
       std::string("OggS\0\x02", 6) + std::string(8, '\0') + "SKEL" + std::string(8, '\0') +
           "\x01\x08" + "fishead" + '\0' + OggSong(OggCodec::kVorbis, {"TITLE=Behind", "ARTIST=S"}),
       "Behind [Xiph comment]", "S [Xiph comment]"},
      // The Xiph comment of a FLAC file before an ID3v2 tag in front of it.
      {"id3.flac", ID3v2Tag(3, {{"TIT2", "Id3"}, {"TPE1", "Id3"}}) + FlacSong({"TITLE=Xiph"}),
       "Xiph [Xiph comment]", "Id3 [ID3v2.3]"},
      {"atoms.m4a", M4aSong({{"\251nam", "M4A"}, {"\251ART", " "}, {"aART", "Band"}}), "M4A [MP4]",
       "Band [MP4 album artist]"},
      {"id3.aiff", AiffSong(ID3v2Tag(4, {{"TIT2", "Aiff"}, {"TPE1", "A"}})), "Aiff [ID3v2.4]",
       "A [ID3v2.4]"},
      // Multi-value fields give their first value.
      {"v24.mp3",
       ID3v2Tag(4, {{"TIT2", std::string("\xc3\x86nima\0Second", 12), Enc::kUtf8},
                    {"TPE1", "Tool \xf0\x9d\x84\x9e", Enc::kUtf16BigEndian}}) +
           kAudio,
       "\xc3\x86nima [ID3v2.4]", "Tool \xf0\x9d\x84\x9e [ID3v2.4]"},
      {"v22.mp3",
       ID3v2Tag(2, {{"TT2", "Old Song", Enc::kLatin1}, {"TP1", "\xc3\x9cnder", Enc::kUtf16}}),
       "Old Song [ID3v2.2]", "\xc3\x9cnder [ID3v2.2]"},
      // The extended header's size counts itself in ID3v2.4, not in ID3v2.3.
      {"extended-v24.mp3",
       extended(ID3v2Tag(4, {{"TIT2", "T"}, {"TPE1", "A"}}, 6), std::string("\0\0\0\x06\x01\0", 6)),
       "T [ID3v2.4]", "A [ID3v2.4]"},
      {"extended-v23.mp3",
       extended(ID3v2Tag(3, {{"TIT2", "T"}, {"TPE1", "A"}}, 10),
                std::string("\0\0\0\x06", 4) + std::string(6, '\0')),
       "T [ID3v2.3]", "A [ID3v2.3]"},
      {"no-bom.mp3", ID3v2Tag(3, {{"TIT2", "Little", Enc::kUtf16NoBom}, {"TPE1", "Endian"}}),
       "Little [ID3v2.3]", "Endian [ID3v2.3]"},
      // The same in frames with status flags or a data length (of 5 bytes) ahead of the text.
      {"no-bom-flags.mp3",
       std::string("ID3\x04\0\0\0\0\0\x22TIT2\0\0\0\x05\x40\0\x01L\0i\0"
                   "TPE1\0\0\0\x09\0\x01\0\0\0\x05\x01"
                   "E\0n\0",
                   44),
       "Li [ID3v2.4]", "En [ID3v2.4]"},
      // The album artist only where neither tag names an artist.
      {"band.mp3", ID3v2Tag(4, {{"TIT2", "Song"}, {"TPE2", "Band"}}), "Song [ID3v2.4]",
       "Band [ID3v2.4 album artist]"},
      {"various.mp3", ID3v2Tag(3, {{"TPE2", "Various Artists"}}) + kAudio + ID3v1Tag("T", "Real"),
       "T [ID3v1]", "Real [ID3v1]"},
      // Each ID3v2.4 frame unsynchronised (a zero after each 0xFF) as the tag's flag alone says.
      {"unsync-v24.mp3",
       std::string("ID3\x04\0\x80\0\0\0\x23TIT2\0\0\0\x0b\0\0\x01\xff\0\xfe\xff\0\0e\0s\0"
                   "TPE1\0\0\0\x04\0\0\0A\xff\0",
                   45),
       "\xc3\xbf"
       "es [ID3v2.4]",
       "A\xc3\xbf [ID3v2.4]"},
      // Frames of a group: its identifier ahead of the text (and of the data length).
      {"grouped.mp3",
       std::string("ID3\x04\0\0\0\0\0\x27TIT2\0\0\0\x09\0\x40\x07\0Grouped"
                   "TPE1\0\0\0\x0a\0\x41\x07\0\0\0\x05\0Band",
                   49),
       "Grouped [ID3v2.4]", "Band [ID3v2.4]"},
      // An empty frame, which TagLib would read no further than.
      {"empty-frame.mp3",
       std::string("ID3\x03\0\0\0\0\0\x19TIT2\0\0\0\0\0\0TPE1\0\0\0\x05\0\0\0Band", 35), "",
       "Band [ID3v2.3]"},
      // An encrypted frame, which cannot be read, and a plain one of its kind after it.
      {"encrypted.mp3",
       std::string("ID3\x03\0\0\0\0\0\x20TIT2\0\0\0\x06\0\x40\x80\0Xyzq"
                   "TIT2\0\0\0\x06\0\0\0Plain",
                   42),
       "Plain [ID3v2.3]", ""},
      {"compressed.mp3",
       ID3v2Tag(3, {{"TIT2", "Packed", Enc::kUtf16, true}, {"TPE1", "Zip", Enc::kLatin1, true}}),
       "Packed [ID3v2.3]", "Zip [ID3v2.3]"},
      {"compressed-v24.mp3", ID3v2Tag(4, {{"TIT2", "Packed", Enc::kUtf8, true}, {"TPE1", "Zip"}}),
       "Packed [ID3v2.4]", "Zip [ID3v2.4]"},
      // ID3v2.4 frame sizes written as plain numbers, as some taggers do.
      {"plain-sizes.mp3",
       ID3v2Tag(3, {{"TIT2", std::string(150, 'x')}, {"TPE1", "A"}}).replace(3, 1, "\x04"),
       std::string(150, 'x') + " [ID3v2.4]", "A [ID3v2.4]"},
      {"cyrillic.wma", AsfSong("\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f", "\xd0\x90\xd0\xb2"),
       "\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f [ASF]", "\xd0\x90\xd0\xb2 [ASF]"},
      {"author.wma", AsfSong("Title", "Author", "Album Artist"), "Title [ASF]", "Author [ASF]"},
      // RIFF INFO: UTF-8 where the bytes are UTF-8, else Latin-1.
      {"info.wav", WavSong("Caf\xc3\xa9", "Caf\xe9"), "Caf\xc3\xa9 [RIFF INFO]",
       "Caf\xc3\xa9 [RIFF INFO]"},
      // After the RIFF's end, no part of it: an ID3v1 tag, which RIFF INFO wins over.
      {"v1-after.wav", WavSong("Info", "Artist") + ID3v1Tag("Old", "Older"), "Info [RIFF INFO]",
       "Artist [RIFF INFO]"},
      // ID3v1 only where the modern tag has nothing (or only white space) for the field.
      {"long.mp3",
       ID3v2Tag(3, {{"TIT2", longTitle}, {"TPE1", "Modern"}}) + kAudio +
           ID3v1Tag(longTitle.substr(0, 30), "Old"),
       longTitle + " [ID3v2.3]", "Modern [ID3v2.3]"},
      {"half.mp3",
       ID3v2Tag(4, {{"TIT2", " \t "}, {"TPE1", "Modern"}}) + kAudio + ID3v1Tag("Old", "Older"),
       "Old [ID3v1]", "Modern [ID3v2.4]"},
      {"old.wma", AsfSong("", "") + ID3v1Tag("Old", "Older"), "Old [ID3v1]", "Older [ID3v1]"},
      // An ID3v1 field ends at its first zero byte, is Latin-1 unless its bytes are UTF-8 (a
      // character cut at the field's end left out), and loses trailing blanks and controls;
      // only an upper-case "TAG" starts a tag, also in a file shorter than one.
      {"v1.mp3", kAudio + ID3v1Tag("Title\t \x01", std::string("Caf\xe9\0x", 6)), "Title [ID3v1]",
       "Caf\xc3\xa9 [ID3v1]"},
      {"v1-utf8.mp3", kAudio + ID3v1Tag("Caf\xc3\xa9", "\xc3\xa9" + std::string(27, 'a') + "\xc3"),
       "Caf\xc3\xa9 [ID3v1, UTF-8]", "\xc3\xa9" + std::string(27, 'a') + " [ID3v1, UTF-8]"},
      {"v1-lower.mp3", kAudio + ID3v1Tag("T", "A", "tag"), "", ""},
      {"v1-short.mp3", ID3v1Tag("Short", "").substr(0, 40), "Short [ID3v1]", ""},
      // The bytes tell the kind of file, not the name.
      {"mp3-named.wav", ID3v2Tag(4, {{"TIT2", "T"}, {"TPE1", "A"}}), "T [ID3v2.4]", "A [ID3v2.4]"},
      {"untagged.mp3", kAudio, "", ""},
      // The winning value trimmed (a no-break space is no white space), or emptied when it
      // holds a forbidden character: ID3v1 does not step in then.
      {"trim.mp3", ID3v2Tag(4, {{"TIT2", " \t Song \r\n"}, {"TPE1", "A\xc2\xa0"}}),
       "Song [ID3v2.4]", "A\xc2\xa0 [ID3v2.4]"},
      {"slash.mp3", ID3v2Tag(3, {{"TIT2", "AC/DC"}}) + ID3v1Tag("ACDC", "B"), " [ID3v2.3]",
       "B [ID3v1]"},
      // A picture larger than any one read, ahead of the title and the artist.
      {"picture.mp3",
       ID3v2Tag(4, {{"APIC", picture}, {"TIT2", "Behind"}, {"TPE1", "Picture"}}) + kAudio,
       "Behind [ID3v2.4]", "Picture [ID3v2.4]"},
      {"picture.ogg",
       OggSong(OggCodec::kVorbis,
               {"METADATA_BLOCK_PICTURE=" + picture, "TITLE=Behind", "ARTIST=Picture"}),
       "Behind [Xiph comment]", "Picture [Xiph comment]"},
      {"picture.m4a", M4aSong({{"covr", picture}, {"\251nam", "Behind"}, {"\251ART", "Picture"}}),
       "Behind [MP4]", "Picture [MP4]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SongTags tags = Read(folder.MakeFile(c.name, c.content));
    EXPECT_EQ(Described(tags.title), c.title);
    EXPECT_EQ(Described(tags.artist), c.artist);
  }
}

// A title followed by 32 MiB of white space, in a frame of 32 KiB.
std::string InflationBomb(int version) {
  return ID3v2Tag(version, {{"TIT2", "Bomb" + std::string(32 << 20, ' '), Enc::kUtf8, true}});
}

// Each damaged file gives empty fields, at once: nothing may wait, loop or allocate
// what the damaged sizes claim, or what a compressed frame inflates to.
TEST(SongTags, DamagedAndUnreadableFilesGiveEmptyFieldsQuickly) {
  TempFolder folder;
  auto with = [](std::string bytes, std::size_t at, std::string_view replacement) {
    return bytes.replace(at, replacement.size(), replacement);
  };
  const std::string id3 = ID3v2Tag(4, {{"TIT2", "Song"}, {"TPE1", "Band"}});
  const std::string asf = AsfSong("Song", "Band", "Album Band");
  const std::string wav = WavSong("Song", "Band");
  const std::string flac = FlacSong({"TITLE=Song", "ARTIST=Band"});
  const std::string ogg =
      OggSong(OggCodec::kOpus, {"TITLE=Song", "ARTIST=" + std::string(900, 'B')}, 300);
  const std::string m4a = M4aSong({{"\251nam", "Song"}, {"\251ART", "Band"}});
  const std::string aiff = AiffSong(id3);
  const std::size_t listAt = wav.find("LIST");
  const std::size_t descriptionAt = asf.find("\x33\x26\xB2\x75");
  auto size64 = [](std::size_t size) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(size >> (8 * i));
    return bytes;
  };
  const std::vector<std::pair<std::string, std::string>> files = {
      {"header-cut.mp3", id3.substr(0, 7)},
      {"tag-cut.mp3", id3.substr(0, 16)},
      {"frame-past-end.mp3", with(id3, 14, "\x7f\x7f\x7f\x7f")},
      {"header-object-size.wma", with(asf, 16, std::string(8, '\xff'))},
      {"object-size.wma", with(asf, asf.find("\x33\x26\xB2\x75") + 16, std::string(8, '\xff'))},
      {"object-count.wma", with(asf, 24, "\xff\xff\xff\x7f")},
      {"object-cut.wma", asf.substr(0, 200)},
      {"attribute-count.wma", with(asf, asf.find("\x40\xA4\xD0\xD2") + 24, "\xff\xff")},
      // A content description too short for its five text lengths, ending the header: the
      // texts after it are not its own.
      {"description-short.wma",
       with(with(with(asf, descriptionAt + 16, size64(24 + 8)), 16, size64(descriptionAt + 32)), 24,
            "\x03")},
      {"list-size.wav", with(wav, listAt + 4, "\xff\xff\xff\xff")},
      {"riff-size.wav", with(wav, 4, "\xff\xff\xff\xff").substr(0, listAt + 20)},
      {"data-size.wav", with(wav, wav.find("data") + 4, "\xff\xff\xff\xff")},
      {"inflation-bomb.mp3", InflationBomb(3)},
      {"inflation-bomb-v24.mp3", InflationBomb(4)},
      {"block-size.flac", with(flac, flac.find("tunewick") - 7, "\xff\xff\xff")},
      {"comment-cut.flac", flac.substr(0, flac.find("ARTIST"))},
      {"page-cut.opus", ogg.substr(0, ogg.rfind("OggS", ogg.rfind(std::string(10, 'B'))))},
      {"atom-size.m4a", with(m4a, m4a.find("udta") - 4, "\xff\xff\xff\xff")},
      {"chunk-size.aiff", with(aiff, aiff.find("ID3 ") + 4, "\x7f\xff\xff\xff")},
  };
  std::vector<std::string> paths = {folder.MakeFolder("folder.mp3"), folder / "gone.mp3", ""};
  for (const auto& [name, content] : files) paths.push_back(folder.MakeFile(name, content));
  const std::string pipe = folder / "pipe.mp3";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  paths.push_back(pipe);
  const std::string locked = folder.MakeFile("locked.mp3", id3);
  ::chmod(locked.c_str(), 0);
  if (::access(locked.c_str(), R_OK) != 0) paths.push_back(locked);  // root reads it anyway

  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    const auto start = ThreadTime();
    const SongTags tags = Read(path);
    EXPECT_LT(ThreadTime() - start, kQuickly);
    EXPECT_EQ(Described(tags.title), "");
    EXPECT_EQ(Described(tags.artist), "");
    EXPECT_FALSE(tags.unreadable);
  }

  // Reading that fails part-way, as when memory runs out, is told apart from a song without
  // tags and ends nothing but the reading of that song.
  struct ReadFails final : ReadableFile {
    std::uint64_t Size() const override { return 1000; }
    std::size_t ReadAt(std::uint64_t, char*, std::size_t) const override { throw std::bad_alloc(); }
  };
  struct ReadsFail final : ForwardingFileSystem {
    ReadsFail() : ForwardingFileSystem(RealFileSystem()) {}
    std::unique_ptr<ReadableFile> OpenToRead(const std::string&) const override {
      return std::make_unique<ReadFails>();
    }
  } failing;
  const SongTags unreadable = ReadSongTags(failing, folder.MakeFile("song.mp3", id3));
  EXPECT_TRUE(unreadable.unreadable);
  EXPECT_EQ(Described(unreadable.title), "");
}

// TagLib would build an object for each of 300,000 frames (of 600,000, half of them artist
// frames) or items, or 2,000,000 fields: seconds and a gigabyte.
TEST(SongTags, ATagOfManyTinyFramesOrFieldsCostsLittle) {
  TempFolder folder;
  std::string frames;
  for (int i = 0; i < 600000; ++i)
    frames.append(i % 2 ? "TXXX" : "TPE1").append("\0\0\0\x01\0\0\0", 7);
  frames += ID3v2Tag(4, {{"TIT2", "Title"}}).substr(10);  // one more frame, without a header
  testing::XiphFields fields(2000000, "A=");
  fields.push_back("TITLE=Title");
  std::vector<std::pair<std::string, std::string>> items(300000, {"\251cmt", ""});
  items.emplace_back("\251nam", "Title");
  for (const std::string& path :
       {folder.MakeFile("tiny.mp3",
                        ID3v2Tag(4, {}, frames.size()).replace(10, frames.size(), frames) + kAudio),
        folder.MakeFile("tiny.flac", FlacSong(fields)),
        folder.MakeFile("tiny.m4a", M4aSong(items))}) {
    const auto start = ThreadTime();
    const SongTags tags = Read(path);
    EXPECT_LT(ThreadTime() - start, kQuickly);
    EXPECT_EQ(Described(tags.title).substr(0, 6), "Title ");
  }
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80                   ? 1
                               : byte >= 0xC2 && byte < 0xE0 ? 2
                               : byte >= 0xE0 && byte < 0xF0 ? 3
                               : byte >= 0xF0 && byte < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// Well-formed songs of every kind, damaged at random: flipped bytes, extreme sizes,
// cuts and insertions. Whatever the bytes, the reader must come back within its time
// limit with UTF-8 texts; the sanitizer build watches its memory on the way.
TEST(SongTags, RandomlyDamagedSongsAreReadQuicklyAndSafely) {
  TempFolder folder;
  const std::string path = folder / "damaged.mp3";
  const std::vector<std::string> songs = {
      ID3v2Tag(2, {{"TT2", "Title", Enc::kUtf16}, {"TP1", "Artist", Enc::kLatin1}}) + kAudio,
      ID3v2Tag(3, {{"TIT2", "T\xc3\xaftle", Enc::kUtf16NoBom}, {"TPE1", "A", Enc::kUtf16}}, 40),
      ID3v2Tag(4, {{"TIT2", "Ti\xe2\x82\xac", Enc::kUtf16BigEndian}, {"TPE2", "Band"}}) + kAudio +
          ID3v1Tag("Old", "Older"),
      AsfSong("Title \xe2\x99\xab", "Author", "Album Artist"),
      WavSong("Info", "Artist", ID3v2Tag(3, {{"TIT2", "Chunk"}, {"TPE1", "Artist"}})),
      InflationBomb(4),
      FlacSong({"TITLE=T\xc3\xaftle", "ARTIST=A", "ALBUMARTIST=B"}) + ID3v1Tag("Old", "Older"),
      OggSong(OggCodec::kVorbis, {"TITLE=" + std::string(300, 't'), "ARTIST=A"}, 255),
      OggSong(OggCodec::kOpus, {"TITLE=T", "ALBUMARTIST=B"}),
      OggSong(OggCodec::kFlac, {"TITLE=T", "ARTIST=A"}),
      M4aSong({{"\251nam", "T\xc3\xaftle"}, {"\251ART", "A"}, {"aART", "B"}}),
      AiffSong(ID3v2Tag(3, {{"TIT2", "T\xc3\xaftle", Enc::kLatin1}, {"TPE2", "B"}})),
  };
  constexpr std::string_view kExtremes[] = {"\xff\xff\xff\xff", "\x7f\xff\xff\xff",
                                            "\x7f\x7f\x7f\x7f", std::string_view("\0\0\0\0", 4),
                                            "\xff\xff\xff\xff\xff\xff\xff\xff"};
  std::mt19937 random(20261206);
  for (int round = 0; round < 6000 && !HasFailure(); ++round) {
    std::string bytes = songs[round % songs.size()];
    for (int damage = 1 + random() % 3; damage > 0 && !bytes.empty(); --damage) {
      const std::size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0:
          bytes[at] = static_cast<char>(random());
          break;
        case 1: {
          const std::string_view extreme = kExtremes[random() % std::size(kExtremes)];
          bytes.replace(at, extreme.size(), extreme);
          break;
        }
        case 2:
          bytes.resize(at);
          break;
        case 3:
          bytes.insert(at, std::string(random() % 64, static_cast<char>(random())));
          break;
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    ::unlink(path.c_str());  // a new file: truncating one makes ext4 write it out at once
    std::ofstream(path, std::ios::binary) << bytes;
    const auto start = ThreadTime();
    const SongTags tags = Read(path);
    EXPECT_LT(ThreadTime() - start, kQuickly);
    EXPECT_TRUE(IsUtf8(tags.title.found)) << ::testing::PrintToString(tags.title.found);
    EXPECT_TRUE(IsUtf8(tags.artist.found)) << ::testing::PrintToString(tags.artist.found);
  }
}

}  // namespace
}  // namespace tunewick
