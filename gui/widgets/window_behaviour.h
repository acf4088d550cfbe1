#pragma once

class QWidget;

namespace tunewick {

// Screen readers see each window of a class of Tunewick's own as a frame, or as a dialog once
// it has been tied to another window, instead of a plain panel. Call it before the first
// window is made: what they are told of a window is settled the first time they ask.
void ExposeWindowsToScreenReaders();

// What every Tunewick window does on the desktop: its push buttons are pressed by Return and
// Enter while they have the keyboard focus, as by Space.
void BehaveAsDesktopWindow(QWidget* window);

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
