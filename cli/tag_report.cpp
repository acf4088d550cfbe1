#include "tag_report.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace tunewick {
namespace {

// The text with its control characters written out, so that none reaches the terminal.
std::string Visible(std::string_view text) {
  std::string shown;
  char escape[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      shown += escape;
    } else if (byte == 0xC2 && (next & 0xE0) == 0x80) {
      std::snprintf(escape, sizeof escape, "\\u%04X", next);
      shown += escape;
      ++i;
    } else {
      shown += text[i];
    }
  }
  return shown;
}

void WriteField(std::ostream& out, std::string_view label, const SongTagField& field) {
  out << "  " << label;
  if (field.from == TagKind::kNone) {
    out << "none\n";
    return;
  }
  out << '"' << Visible(field.found) << '"' << (field.albumArtist ? " as album artist" : "")
      << " from " << TagKindName(field.from) << (field.readAsUtf8 ? ", read as UTF-8" : "");
  if (field.text.empty()) {
    out << " (holds one of \\ / : * ? \" < > |)";
  } else if (!field.Usable()) {
    out << " (holds a control character)";
  }
  out << '\n';
}

}  // namespace

void WriteSongTags(std::ostream& out, std::string_view song, const SongTags& tags) {
  out << song << '\n';
  if (tags.unreadable) {
    out << "  title:  unreadable\n  artist: unreadable\n";
    return;
  }
  WriteField(out, "title:  ", tags.title);
  WriteField(out, "artist: ", tags.artist);
}

}  // namespace tunewick
