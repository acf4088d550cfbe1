#include "widgets/picture_button.h"

#include <QKeyEvent>

namespace tunewick {

PictureButton::PictureButton(const QPixmap& picture, const QString& hint, QWidget* parent)
    : QToolButton(parent) {
  setIcon(QIcon(picture));
  setIconSize(picture.size() / picture.devicePixelRatio());
  setAutoRaise(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  if (!hint.isEmpty()) setToolTip(hint);
  setAccessibleName(hint);
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    click();
    return;
  }
  QToolButton::keyPressEvent(event);
}

}  // namespace tunewick
