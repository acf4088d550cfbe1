#include "widgets/window_behaviour.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "widgets/window_keys.h"

namespace tunewick {
namespace {

class MinimiseAll : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::WindowStateChange && window && window->isMinimized() && !busy_) {
      busy_ = true;
      for (QWidget* other : QApplication::topLevelWidgets())
        if (other != window && other->isVisible() && !other->isMinimized()) other->showMinimized();
      busy_ = false;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static inline bool busy_ = false;
};

class CentreOnFirstShow : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && !event->spontaneous()) {
      CentreOnScreen(static_cast<QWidget*>(watched));
      watched->removeEventFilter(this);
      deleteLater();
    }
    return QObject::eventFilter(watched, event);
  }
};

bool HasFrame(const QWidget* window) {
  return window->isVisible() && window->frameGeometry().size() != window->size();
}

// Until the window manager has put its frame around a new window, the frame's size is
// not known and centring places the bare window, off centre by half the frame. This
// looks for the frame for a moment after the window was placed, and centres the window
// again once it has one.
class CentreOnceFramed : public QTimer {
 public:
  explicit CentreOnceFramed(QWidget* window) : QTimer(window), window_(window) {
    setInterval(10);
    connect(this, &QTimer::timeout, this, &CentreOnceFramed::Look);
  }
  void Restart() {
    looks_ = 0;
    start();
  }

 private:
  void Look() {
    if (HasFrame(window_)) {
      stop();
      CentreOnScreen(window_);
    } else if (++looks_ >= 100) {
      stop();  // no window manager, or one that draws no frame
    }
  }

  QWidget* window_;
  int looks_ = 0;
};

// What BehaveAsDesktopWindow gives a window, and the window it is tied to.
class DesktopManners : public QObject {
 public:
  static DesktopManners* Of(QWidget* window) {
    DesktopManners* manners = Find(window);
    return manners ? manners : new DesktopManners(window);
  }
  static DesktopManners* Find(const QWidget* window) {
    return static_cast<DesktopManners*>(
        window->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
  }
  // The window this one is tied to, if any.
  static QWidget* OwnerOf(const QWidget* window) {
    const DesktopManners* manners = Find(window);
    return manners ? manners->owner_.data() : nullptr;
  }

  void setOwner(QWidget* owner) { owner_ = owner; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Only what the program does: the window manager's own moves and resizes are the user's.
    if (watched != window_ || event->spontaneous()) return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::Show:
        KeepOnScreen(window_);
        if (lastFocus_ && lastFocus_->isVisibleTo(window_) && lastFocus_->isEnabled())
          lastFocus_->setFocus(Qt::OtherFocusReason);
        break;
      case QEvent::Resize:
        if (window_->isVisible()) KeepOnScreen(window_);
        break;
      case QEvent::Hide:
        // Qt may move the focus of a hidden window on to another control (when the window
        // system reports it active a moment late): it comes back where the user left it.
        lastFocus_ = window_->focusWidget();
        // After whatever else the program shows meanwhile, which the window manager may
        // make active.
        if (owner_) {
          QTimer::singleShot(0, owner_, [owner = owner_] {
            if (owner && owner->isVisible()) owner->activateWindow();
          });
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static constexpr QLatin1StringView kName{"tunewick-desktop-manners"};

  explicit DesktopManners(QWidget* window) : QObject(window), window_(window) {
    setObjectName(kName);
    window->installEventFilter(this);
  }

  QWidget* window_;
  QPointer<QWidget> owner_;
  QPointer<QWidget> lastFocus_;
};

QAccessibleInterface* WindowForScreenReaders(const QString& className, QObject* object) {
  auto* window = qobject_cast<QWidget*>(object);
  if (!window || !window->isWindow() || !className.startsWith(QLatin1String("tunewick::")))
    return nullptr;

  class Window : public QAccessibleWidget {
   public:
    explicit Window(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}
    QAccessible::Role role() const override {
      return widget()->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window;
    }
  };
  return new Window(window);
}

QScreen* ScreenOf(QWidget* window) {
  if (QWidget* owner = DesktopManners::OwnerOf(window))
    if (owner->screen()) return owner->screen();
  return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

}  // namespace

void ExposeWindowsToScreenReaders() {
  static const bool exposed = (QAccessible::installFactory(&WindowForScreenReaders), true);
  (void)exposed;
}

void BehaveAsDesktopWindow(QWidget* window) {
  DesktopManners::Of(window);
  PressButtonsWithReturn(window);
}

void TieTo(QWidget* window, QWidget* owner) {
  QWidget* ownerWindow = owner && owner->isVisible() ? owner->window() : nullptr;
  if (ownerWindow == window) ownerWindow = nullptr;
  DesktopManners::Of(window)->setOwner(ownerWindow);
  // X11 window managers honour a tie only on a dialog, and a window changes its kind
  // only while it is hidden.
  if (window->windowType() != Qt::Dialog && !window->isVisible())
    window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
  window->winId();  // the window system's window, which carries the tie
  window->windowHandle()->setTransientParent(ownerWindow ? ownerWindow->windowHandle() : nullptr);
}

QWidget* ShowingOwnerOf(const QWidget* window) {
  QWidget* owner = DesktopManners::OwnerOf(window);
  return owner && owner->isVisible() ? owner : nullptr;
}

void FocusInto(QWidget* panel, QWidget* preferred) {
  const QWidget* focused = panel->window()->focusWidget();
  if (focused && focused->isVisible() && panel->isAncestorOf(focused)) return;
  if (preferred && preferred->isVisible()) return preferred->setFocus(Qt::OtherFocusReason);
  for (QWidget* next = panel->nextInFocusChain(); next != panel; next = next->nextInFocusChain()) {
    if (next->isWindow()) continue;
    if (panel->isAncestorOf(next) && next->isVisible() && next->isEnabled() &&
        (next->focusPolicy() & Qt::TabFocus))
      return next->setFocus(Qt::TabFocusReason);
  }
}

void CentreWhenFirstShown(QWidget* window) {
  window->installEventFilter(new CentreOnFirstShow(window));
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = ScreenOf(window);
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // move() places the frame, so centre the frame.
  const QRect frame = window->frameGeometry();
  window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2) + QPoint(1, 1));
  KeepOnScreen(window);
  if (HasFrame(window)) return;
  auto* looking = window->findChild<CentreOnceFramed*>(QString(), Qt::FindDirectChildrenOnly);
  if (!looking) looking = new CentreOnceFramed(window);
  looking->Restart();
}

void KeepOnScreen(QWidget* window) {
  QScreen* screen = ScreenOf(window);
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect frame = window->frameGeometry();
  // The far edges first, so that a window larger than the area ends at its top left.
  QPoint at = frame.topLeft();
  at.setX(std::max(std::min(at.x(), area.right() + 1 - frame.width()), area.left()));
  at.setY(std::max(std::min(at.y(), area.bottom() + 1 - frame.height()), area.top()));
  if (at != frame.topLeft()) window->move(at);
}

void MakeFixedWindow(QWidget* window, int width, int height) {
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  window->setFixedSize(width, height);
}

void MinimiseApplicationWith(QWidget* window) {
  window->installEventFilter(new MinimiseAll(window));
}

bool ReturnWatch::CameBack(const QWidget& window, const QEvent& event) {
  if (event.type() != QEvent::ActivationChange) return false;
  if (!window.isActiveWindow()) {
    if (!QApplication::activeModalWidget()) away_ = true;
    return false;
  }
  const bool cameBack = away_;
  away_ = false;
  return cameBack;
}

}  // namespace tunewick
