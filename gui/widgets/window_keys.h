#pragma once

#include <functional>

class QPushButton;
class QWidget;

namespace tunewick {

// Return and Enter press the push button of `window` that has the keyboard focus, as Space
// does (Qt leaves that to dialogs), or else its default button (see MakeDefaultButton).
void PressButtonsWithReturn(QWidget* window);

// Escape leaves `window` as `leave` does (its back arrow, Cancel or Close), wherever the
// keyboard focus is in it.
void LeaveOnEscape(QWidget* window, std::function<void()> leave);

// Makes `button` its window's default button: drawn as such, and pressed by Return or
// Enter wherever the focused control does nothing with them. A window with a default
// button on each of its panels presses the one that shows. The text boxes of Tunewick's
// windows act on Return themselves, so Return in a text box never presses it.
void MakeDefaultButton(QPushButton* button);

}  // namespace tunewick
