#pragma once

// Tunewick's small pictures, drawn in code so that no image files need shipping.

#include <QIcon>
#include <QPixmap>

namespace tunewick::pictures {

QPixmap BackArrow();        // a blue round button with a white arrow pointing left
QPixmap Congratulations();  // a green tick in a circle
QPixmap About();            // the program's emblem: a note on a blue disc
QIcon FixName();            // a pencil
QIcon DeleteSong();         // a red cross
QIcon PreviewSong();        // a speaker
QPixmap Expand();           // a blue round button with a white triangle pointing down
QPixmap Collapse();         // the same, pointing up
QPixmap Help();             // a blue round button with a white question mark
QPixmap Play();             // a blue round button with a white triangle pointing right

}  // namespace tunewick::pictures
