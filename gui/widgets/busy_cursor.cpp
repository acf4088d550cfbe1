#include "widgets/busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tunewick {

BusyCursor::BusyCursor(int& savedCursor) {
  const QCursor* current = QGuiApplication::overrideCursor();
  savedCursor = current ? current->shape() : Qt::ArrowCursor;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace tunewick
