#pragma once

// Journal text recoded line by line, so that the LZ77 code finds more of it repeated: a
// record's checksum, which no code can shorten, is left out wherever it is right (it is
// worked out again), and each field after the first keeps only what differs from the same
// field of the last line of its kind (its first field), or from the field before it in its
// line: the lengths of the prefix and of the end they share, then what lies between. A
// line is coded as
//
//   FORM     one byte: 0 the line as it stands, 1 the line less its checksum, 2 the
//            unfinished last line of the text, whose bytes follow as they are
//   KIND     its first field, then a tab, or a newline when it is the only field
//   SHARED END MIDDLE   for each further field: SHARED, twice the length of the shared
//            prefix, plus 1 when it is shared with the field before; END, the length of
//            the shared end that follows (both numbers seven bits a byte, least
//            significant first, the high bit set on all but the last byte); then the
//            field's middle, and a tab, or a newline after the last field
//
// The coding of a line depends on the lines before it: coder and decoder go through a
// text from its beginning, and a text cut in pieces goes through them piece by piece.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tunewick {

class FrontCodingState {
 protected:
  // Where each field of a line begins and ends.
  using FieldBounds = std::vector<std::pair<std::size_t, std::size_t>>;

  // The last line of a kind: its fields from the kind's tab on, and where each begins and
  // ends in them (fields[0] none). Kept whole rather than field by field, so that it is
  // copied once a line.
  struct LastLine {
    std::string text;
    FieldBounds fields;
    std::string_view Field(std::size_t i) const {
      return i < fields.size() ? std::string_view(text).substr(fields[i].first,
                                                               fields[i].second - fields[i].first)
                               : std::string_view();
    }
  };
  LastLine& LastOfKind(std::string_view kind);
  // The field bounds of the line under way, in the LastLine manner.
  FieldBounds bounds_;

 private:
  std::map<std::string, LastLine, std::less<>> lastLines_;
};

class FrontCoder : public FrontCodingState {
 public:
  // Appends the code of `text`, the next piece of a journal, to `out`.
  void Code(std::string_view text, std::string& out);

 private:
  void CodeLine(std::string_view line, std::string& out);
};

class FrontDecoder : public FrontCodingState {
 public:
  // Appends the text that `code`, the code of the next piece, stands for to `out`. False
  // when it does not hold together, or would stand for more than `longest` bytes: a line
  // may repeat fields of the lines before it, so a short code can stand for a great deal
  // more text than it should.
  bool Decode(std::string_view code, std::string& out, std::size_t longest);
};

}  // namespace tunewick
