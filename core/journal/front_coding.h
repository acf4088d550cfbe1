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

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tunewick {

class FrontCodingState {
 protected:
  // The fields of the last line of `kind`, from 1 on.
  std::vector<std::string>& LastOfKind(std::string_view kind);

 private:
  std::map<std::string, std::vector<std::string>, std::less<>> lastLines_;
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
  // when it does not hold together.
  bool Decode(std::string_view code, std::string& out);

 private:
  std::string decoded_;  // a field being decoded
};

}  // namespace tunewick
