#pragma once

class QWidget;

namespace tunewick {

// Moves the window to the centre of its screen.
void CentreOnScreen(QWidget* window);

// The window comes up centred on its screen the first time it is shown.
void CentreWhenFirstShown(QWidget* window);

// Gives a window a fixed size with a single border, system menu and minimise box but
// no maximise box.
void MakeFixedWindow(QWidget* window, int width, int height);

// Minimising `window` minimises every visible window of the application with it.
void MinimiseApplicationWith(QWidget* window);

}  // namespace tunewick
