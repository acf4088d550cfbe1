#pragma once

// Text for a terminal with its control characters written out. File names and tags may hold
// any byte but "/" and NUL, escape sequences among them, which a terminal would obey: the
// title of its window changed, text hidden or written over, its clipboard set.

#include <streambuf>
#include <string>
#include <string_view>

namespace tunewick {

enum class LineBreaks { kKept, kWrittenOut };

// Appends `text` with each control character written out as \xNN or \u00NN: C0, DEL, C1
// in UTF-8, and a byte from 0x80 to 0x9F outside UTF-8, which is C1 where bytes are
// characters; line breaks too unless kept.
void AppendVisible(std::string& shown, std::string_view text, LineBreaks lineBreaks);

// An output stream buffer that passes its text on to `target` as AppendVisible shows it,
// keeping line breaks: for the output of a program whose own text holds no other control
// character, where that output is a terminal.
class VisibleTextBuffer final : public std::streambuf {
 public:
  explicit VisibleTextBuffer(std::streambuf& target) : target_(target) {}
  ~VisibleTextBuffer() override;
  VisibleTextBuffer(const VisibleTextBuffer&) = delete;
  VisibleTextBuffer& operator=(const VisibleTextBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  bool PassOnHeldBytes();

  std::streambuf& target_;
  // The first bytes of a UTF-8 character whose other bytes have not come yet, which tell
  // whether it is a character or a C1 control.
  std::string held_;
  std::string shown_;
};

}  // namespace tunewick
