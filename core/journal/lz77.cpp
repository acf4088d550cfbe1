#include "journal/lz77.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "journal/alike_bytes.h"

namespace tunewick {
namespace {

constexpr std::size_t kShortestMatch = 4;
constexpr std::size_t kFarthest = 65535;
constexpr int kHashBits = 16;
constexpr std::size_t kMostPerCodeByte = 255;  // an added length byte stands for 255 bytes

std::uint32_t FourAt(const char* at) {
  std::uint32_t four;
  std::memcpy(&four, at, sizeof four);
  return four;
}

std::size_t HashOf(std::uint32_t four) { return (four * 2654435761u) >> (32 - kHashBits); }

// The bytes after a 15 in the token: `rest` more.
void AppendAddedLength(std::string& out, std::size_t rest) {
  for (; rest >= 255; rest -= 255) out += '\xff';
  out += static_cast<char>(rest);
}

// A sequence: `literals`, then `length` bytes from `offset` back; a length of 0 makes it
// the last sequence.
void AppendSequence(std::string& out, std::string_view literals, std::size_t offset,
                    std::size_t length) {
  const std::size_t matchCode = length == 0 ? 0 : length - kShortestMatch;
  out += static_cast<char>(std::min<std::size_t>(literals.size(), 15) << 4 |
                           std::min<std::size_t>(matchCode, 15));
  if (literals.size() >= 15) AppendAddedLength(out, literals.size() - 15);
  out += literals;
  if (length == 0) return;
  out += static_cast<char>(offset & 0xFF);
  out += static_cast<char>(offset >> 8);
  if (matchCode >= 15) AppendAddedLength(out, matchCode - 15);
}

// Finds for each place the longest match among the last places whose first four bytes
// hash alike, newest first.
class MatchFinder {
 public:
  explicit MatchFinder(std::string_view bytes)
      : bytes_(bytes), newest_(std::size_t{1} << kHashBits, 0), older_(kWindow, 0) {}

  struct Match {
    std::size_t length = 0, from = 0;
  };

  // The longest match for the bytes at `at`, among the places before it that were added.
  Match LongestAt(std::size_t at) const {
    Match best;
    if (at + kShortestMatch > bytes_.size()) return best;
    const char* data = bytes_.data();
    const std::uint32_t four = FourAt(data + at);
    std::size_t candidate = newest_[HashOf(four)];
    for (int tries = 0; candidate != 0 && tries < kTries; ++tries) {
      const std::size_t from = candidate - 1;
      if (at - from > kFarthest) break;
      if (FourAt(data + from) == four) {
        const std::size_t length =
            kShortestMatch + AlikeLength(data + from + kShortestMatch, data + at + kShortestMatch,
                                         bytes_.size() - at - kShortestMatch);
        if (length > best.length) best = {length, from};
      }
      candidate = older_[from & (kWindow - 1)];
      if (candidate > from) break;  // the window has moved past it: what is there is newer
    }
    return best;
  }

  // Adds the places up to `end`.
  void AddUpTo(std::size_t end) {
    // Only places with four bytes from them.
    const std::size_t places =
        bytes_.size() < kShortestMatch ? 0 : bytes_.size() - kShortestMatch + 1;
    for (end = std::min({end, places, kMostPlaces}); added_ < end; ++added_) {
      std::uint32_t& newest = newest_[HashOf(FourAt(bytes_.data() + added_))];
      older_[added_ & (kWindow - 1)] = newest;
      newest = static_cast<std::uint32_t>(added_ + 1);
    }
  }

 private:
  static constexpr std::size_t kWindow = 1 << 16;  // more than kFarthest, a power of two
  // More finds longer matches, at a cost: packing runs beside the renames, on a machine
  // that may have no core to spare.
  static constexpr int kTries = 2;
  // Places are kept in four bytes, half the memory of eight and so more of it in the cache;
  // a longer text finds its matches among its first four gigabytes only.
  static constexpr std::size_t kMostPlaces = 0xFFFFFFFF;
  std::string_view bytes_;
  std::vector<std::uint32_t> newest_;  // for each hash, the newest place plus 1; 0 for none
  std::vector<std::uint32_t> older_;   // for each place in the window, the one before of its hash
  std::size_t added_ = 0;
};

}  // namespace

void AppendLz77Code(std::string_view bytes, std::string& out) {
  MatchFinder finder(bytes);
  std::size_t literalsFrom = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const MatchFinder::Match match = finder.LongestAt(at);
    finder.AddUpTo(at + 1);
    if (match.length == 0) {
      ++at;
      continue;
    }
    AppendSequence(out, bytes.substr(literalsFrom, at - literalsFrom), at - match.from,
                   match.length);
    at += match.length;
    literalsFrom = at;
    finder.AddUpTo(at);
  }
  AppendSequence(out, bytes.substr(literalsFrom), 0, 0);
}

bool AppendLz77Decoded(std::string_view code, std::size_t length, std::string& out) {
  if (length > code.size() * kMostPerCodeByte) return false;
  const std::size_t start = out.size();
  out.resize(start + length);
  char* const decoded = out.data() + start;
  std::size_t at = 0, made = 0;
  // A length of the token, with the bytes that add to it.
  const auto lengthFrom = [&](std::size_t nibble, std::size_t& value) {
    value = nibble;
    if (nibble < 15) return true;
    for (unsigned char added = 255; added == 255; value += added) {
      if (at == code.size()) return false;
      added = static_cast<unsigned char>(code[at++]);
    }
    return true;
  };
  bool sound = true;
  while (sound && at < code.size()) {
    const unsigned char token = static_cast<unsigned char>(code[at++]);
    std::size_t literals = 0, matched = 0;
    sound = lengthFrom(token >> 4, literals) && literals <= code.size() - at &&
            literals <= length - made;
    if (!sound) break;
    std::memcpy(decoded + made, code.data() + at, literals);
    at += literals;
    made += literals;
    if (at == code.size()) break;  // the last sequence
    sound = code.size() - at >= 2;
    if (!sound) break;
    const std::size_t offset = static_cast<unsigned char>(code[at]) |
                               std::size_t{static_cast<unsigned char>(code[at + 1])} << 8;
    at += 2;
    sound = lengthFrom(token & 15, matched) && offset != 0 && offset <= made &&
            matched + kShortestMatch <= length - made;
    if (!sound) break;
    matched += kShortestMatch;
    if (offset >= matched) {
      std::memcpy(decoded + made, decoded + made - offset, matched);
      made += matched;
    } else {  // the match reaches into the bytes it makes: byte by byte
      for (const std::size_t end = made + matched; made < end; ++made)
        decoded[made] = decoded[made - offset];
    }
  }
  if (sound && made == length) return true;
  out.resize(start);
  return false;
}

}  // namespace tunewick
