#pragma once

// How texts from the disk (path bytes, tag fields) appear on screen.

#include <QString>
#include <string_view>

namespace tunewick {

// The UTF-8 bytes as text to show, with every character that would break the line or
// vanish shown as a visible mark: C0 controls as their Control Pictures (a newline as
// U+240A), DEL as U+2421, line and paragraph separators as U+2424, and C1 controls like
// bytes that are not UTF-8, as U+FFFD. For display only: the bytes stay what they are.
QString ShownText(std::string_view bytes);

// A message that is also written after the command line's name ("tunewick-cli: there is
// no run to undo"), as shown in a window of its own: beginning with a capital.
QString AsSentence(QString message);

}  // namespace tunewick
