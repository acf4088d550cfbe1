#include "widgets/window_behaviour.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

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

}  // namespace

void ExposeWindowsToScreenReaders() {
  static const bool exposed = (QAccessible::installFactory(&WindowForScreenReaders), true);
  (void)exposed;
}

void BehaveAsDesktopWindow(QWidget* window) { PressButtonsWithReturn(window); }

void CentreWhenFirstShown(QWidget* window) {
  window->installEventFilter(new CentreOnFirstShow(window));
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // move() places the frame, so centre the frame.
  const QRect frame = window->frameGeometry();
  window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2) + QPoint(1, 1));
  if (HasFrame(window)) return;
  auto* looking = window->findChild<CentreOnceFramed*>(QString(), Qt::FindDirectChildrenOnly);
  if (!looking) looking = new CentreOnceFramed(window);
  looking->Restart();
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

}  // namespace tunewick
