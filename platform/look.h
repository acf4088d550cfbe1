#pragma once

// Tunewick's look: white windows, Tahoma, navy headings and links.

#include <QColor>
#include <QFont>
#include <QPoint>

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

// A label of `text` at `at` on `parent` in Tahoma of `pixelSize` and `color`, sized to
// its text.
QLabel* AddText(QWidget* parent, const QString& text, int pixelSize, const QColor& color,
                QPoint at = QPoint());

// The white background of every Tunewick window.
void MakeWhite(QWidget* window);

}  // namespace tunewick::look
