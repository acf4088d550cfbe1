#include "songtags/mp4_atoms.h"

#include <taglib/mp4file.h>
#include <taglib/tbytevectorstream.h>

#include <optional>
#include <string>
#include <string_view>

#include "songtags/byte_order.h"
#include "songtags/tag_text.h"

namespace tunewick {
namespace {

constexpr std::string_view kWantedItems[] = {"\251nam", "\251ART", "aART"};
// An item longer than this holds no name a file could take.
constexpr std::size_t kLongestItem = 64 << 10;
constexpr int kMostAtoms = 1000;          // side by side in one atom; a file has a handful
constexpr std::uint64_t kHeaderSize = 8;  // size, type

struct Atom {
  std::uint64_t body, end;  // where its contents begin and where it ends
};

// The first atom of `type` among those from `at` to `end`; nothing when none is there or
// one runs past `end`.
std::optional<Atom> FindAtom(TagStream& stream, std::uint64_t at, std::uint64_t end,
                             std::string_view type) {
  for (int atom = 0; atom < kMostAtoms && end - at >= kHeaderSize; ++atom) {
    const std::string header = stream.ReadAt(at, kHeaderSize);
    if (header.size() < kHeaderSize) return std::nullopt;
    std::uint64_t size = BigEndian(std::string_view(header).substr(0, 4));
    std::uint64_t body = at + kHeaderSize;
    if (size == 1) {  // the size follows, in 64 bits
      const std::string large = stream.ReadAt(body, 8);
      if (large.size() < 8) return std::nullopt;
      size = BigEndian(large);
      body += 8;
    } else if (size == 0) {  // up to the end
      size = end - at;
    }
    if (size < body - at || size > end - at) return std::nullopt;
    if (std::string_view(header).substr(4) == type) return Atom{body, at + size};
    at += size;
  }
  return std::nullopt;
}

std::string AtomOf(std::string_view type, std::string_view body) {
  const std::uint64_t size = kHeaderSize + body.size();
  std::string atom(4, '\0');
  for (int i = 0; i < 4; ++i) atom[i] = static_cast<char>(size >> (8 * (3 - i)));
  return atom.append(type).append(body);
}

// The first of each wanted item among the atoms from `at` to `end`, one after another, read
// one at a time: an item not wanted, such as a picture, is passed over unread.
std::string WantedItems(TagStream& stream, std::uint64_t at, std::uint64_t end) {
  ReadAhead items(stream, end);
  std::string kept;
  bool found[std::size(kWantedItems)] = {};
  while (end - at >= kHeaderSize) {
    const std::string header = items.ReadAt(at, kHeaderSize);
    if (header.size() < kHeaderSize) break;
    const std::uint64_t size = BigEndian(std::string_view(header).substr(0, 4));
    if (size < kHeaderSize || size > end - at) break;
    const std::string_view type = std::string_view(header).substr(4, 4);
    for (std::size_t k = 0; k < std::size(kWantedItems); ++k) {
      if (found[k] || type != kWantedItems[k] || size > kLongestItem) continue;
      found[k] = true;
      const std::string item = items.ReadAt(at, static_cast<std::size_t>(size));
      if (item.size() == size) kept += item;
    }
    at += size;
  }
  return kept;
}

}  // namespace

ModernTags ReadMp4Atoms(TagStream& stream) {
  const auto length = static_cast<std::uint64_t>(stream.length());
  std::optional<Atom> meta;
  if (const std::optional<Atom> moov = FindAtom(stream, 0, length, "moov"))
    if (const std::optional<Atom> udta = FindAtom(stream, moov->body, moov->end, "udta"))
      meta = FindAtom(stream, udta->body, udta->end, "meta");
  if (!meta) return {};
  // ISO's meta atom holds a version and flags before its atoms; QuickTime's does not.
  if (meta->end - meta->body >= 4 && stream.ReadAt(meta->body, 4) == std::string(4, '\0'))
    meta->body += 4;
  const std::optional<Atom> ilst = FindAtom(stream, meta->body, meta->end, "ilst");
  if (!ilst) return {};
  const std::string copy = AtomOf(
      "moov",
      AtomOf("udta",
             AtomOf("meta", std::string(4, '\0') +
                                AtomOf("ilst", WantedItems(stream, ilst->body, ilst->end)))));
  TagLib::ByteVectorStream memory(
      TagLib::ByteVector(copy.data(), static_cast<unsigned int>(copy.size())));
  const TagLib::MP4::File file(&memory, false);
  const TagLib::MP4::Tag* tag = file.tag();
  if (!file.isValid() || !tag) return {};
  auto first = [&](std::string_view key) -> TagText {
    const TagLib::StringList values =
        tag->item(TagLib::String(std::string(key), TagLib::String::Latin1)).toStringList();
    return values.isEmpty() ? TagText() : FirstOf({Utf8(values.front())}, TagKind::kMP4);
  };
  return {first(kWantedItems[0]), first(kWantedItems[1]), first(kWantedItems[2])};
}

}  // namespace tunewick
