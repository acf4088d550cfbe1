#pragma once

// The text of a field whose tag declares it ISO-8859-1 (ID3v1, an ID3v2 frame of encoding
// 0). Many taggers write UTF-8 bytes there all the same (sox into ID3v2.3 frames, ffmpeg
// into ID3v1), which read as Latin-1 would name songs "MotÃ¶rhead".

#include <string>
#include <string_view>

namespace tunewick {

struct DeclaredLatin1 {
  std::string utf8;
  bool readAsUtf8 = false;  // the bytes were taken for UTF-8
};

// `bytes` read as UTF-8 when they are valid UTF-8 holding at least one character of several
// bytes, which Latin-1 text next to never is; else read as Latin-1, a character each.
// `full`: the field filled its whole room, so that a writer may have cut its last UTF-8
// character short; such a cut character is left out.
DeclaredLatin1 FromDeclaredLatin1(std::string_view bytes, bool full = false);

}  // namespace tunewick
