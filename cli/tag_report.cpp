#include "tag_report.h"

#include <ostream>
#include <string>

#include "terminal_text.h"

namespace tunewick {
namespace {

// The text with its control characters written out, so that none reaches the terminal.
std::string Visible(std::string_view text) {
  std::string shown;
  AppendVisible(shown, text, LineBreaks::kWrittenOut);
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
