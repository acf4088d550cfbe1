#pragma once

class QEvent;
class QWidget;

namespace tunewick {

// Screen readers see each window of a class of Tunewick's own as a frame, or as a dialog once
// it has been tied to another window, instead of a plain panel. Call it before the first
// window is made: what they are told of a window is settled the first time they ask.
void ExposeWindowsToScreenReaders();

// What every Tunewick window does on the desktop: it lies wholly on its screen each time
// it is shown or the program changes its size, gets the keyboard focus back on the control
// the user left it on when it is shown again, and its push buttons are pressed by Return and
// Enter while they have the keyboard focus, as by Space.
void BehaveAsDesktopWindow(QWidget* window);

// Ties `window` to `owner` while `owner` shows (no owner, or a hidden one, unties it): the
// window is a dialog of its owner, which the window manager keeps above it; it opens on its
// owner's screen, and when it is hidden its owner is the active window again.
void TieTo(QWidget* window, QWidget* owner);

// The window `window` is tied to, while that one shows; else nullptr.
QWidget* ShowingOwnerOf(const QWidget* window);

// Moves the keyboard focus into `panel`, which has just been shown in its window in place of
// another, unless it is on one of its controls already: onto `preferred` when that shows,
// else onto its first control in tab order.
void FocusInto(QWidget* panel, QWidget* preferred = nullptr);

// Moves the window to the centre of its screen (that of its owner when it is tied),
// wholly on the screen.
void CentreOnScreen(QWidget* window);

// Moves the window as little as it takes for its frame to lie wholly on its screen's free
// area; one larger than that area keeps its title bar on it.
void KeepOnScreen(QWidget* window);

// The window comes up centred on its screen the first time it is shown.
void CentreWhenFirstShown(QWidget* window);

// Gives a window a fixed size with a single border, system menu and minimise box but
// no maximise box.
void MakeFixedWindow(QWidget* window, int width, int height);

// Minimising `window` minimises every visible window of the application with it.
void MinimiseApplicationWith(QWidget* window);

// Tells when a window that shows what is on disk should read it afresh: when the user comes
// back to it from elsewhere, where the disk may have changed. Not when it comes back from a
// message or dialog of this program over it: a refresh that failed would bring its message
// back for ever.
class ReturnWatch {
 public:
  // Call with every event of the window's changeEvent; true when it should read afresh.
  bool CameBack(const QWidget& window, const QEvent& event);
  // The window has just read afresh (when it was shown, say).
  void Refreshed() { away_ = false; }

 private:
  bool away_ = false;
};

}  // namespace tunewick
