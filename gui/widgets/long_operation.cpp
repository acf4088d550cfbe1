#include "widgets/long_operation.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace tunewick {
namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

LongOperation::LongOperation(QWidget* window) : window_(window) {
  QCoreApplication::instance()->installEventFilter(this);
}

LongOperation::~LongOperation() { QCoreApplication::instance()->removeEventFilter(this); }

void LongOperation::LetEventsThrough() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastEvents_ < std::chrono::milliseconds(30)) return;
  lastEvents_ = now;
  QCoreApplication::processEvents();
}

bool LongOperation::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
  // The window's own widgets, and the message boxes it opens meanwhile, take input.
  const QWidget* target = static_cast<QWidget*>(watched)->window();
  if (target == QApplication::activeModalWidget()) return false;
  for (const QWidget* owner = target; owner; owner = owner->parentWidget())
    if (owner == window_) return false;
  event->ignore();
  return true;  // held back: another window during the operation
}

}  // namespace tunewick
