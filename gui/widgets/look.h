#pragma once

// Tunewick's look: white windows, Tahoma, navy headings and links, the same on a light
// or a dark desktop.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPoint>

class QAbstractScrollArea;
class QLabel;
class QWidget;

namespace tunewick::look {

inline const QColor kHeading{0x39, 0x33, 0xAA};    // #3933AA
inline const QColor kLink{0x15, 0x1C, 0x55};       // #151C55
inline const QColor kLinkHover{0x07, 0x4A, 0xE5};  // #074AE5
inline const QColor kLinkGrey{0x7E, 0x85, 0x9C};   // #7E859C

// Registers the Tahoma that Debian's fonts-wine ships (fontconfig does not scan it).
// Call once after the QApplication exists.
void RegisterFonts();

// Tahoma at the given pixel size, or the default sans font where Tahoma is missing.
QFont Font(int pixelSize);

QFont HeadingFont();  // 16 px
QFont LinkFont();     // 12 px

// Text in `color` on the widget (through its palette, so tests can read it back).
void SetTextColor(QWidget* widget, const QColor& color);
QColor TextColor(const QWidget* widget);

// A heading label's look: 16 px, #3933AA.
void MakeHeading(QWidget* widget);

// Makes a label two pixels taller above and below its text (which stays centred) for the
// parts of letters that reach past the line (g, j, p, q and y below it, accents above):
// Tahoma's metrics leave them out, so a label sized to its text would cut them off. Call
// it once the label has its font and text.
void LeaveRoomForText(QWidget* label);

// A label of `text` at `at` on `parent` in Tahoma of `pixelSize` and `color`, sized to
// its text.
QLabel* AddText(QWidget* parent, const QString& text, int pixelSize, const QColor& color,
                QPoint at = QPoint());

// The palette of every Tunewick window, whatever the desktop's theme: black text on white,
// light grey buttons, selections in the heading blue, hints on pale yellow; the same in
// active and inactive windows, and disabled text still readable on white.
QPalette Palette();

// Gives a window (or a pop-up menu) Tunewick's whole palette, which its widgets inherit,
// and paints its background white. Hints shown as tooltips get the same look.
void MakeWhite(QWidget* window);

// A list box's look: its frame whole at every display scale.
void MakeListBox(QAbstractScrollArea* list);

}  // namespace tunewick::look
