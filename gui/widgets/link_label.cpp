#include "widgets/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "widgets/look.h"

namespace tunewick {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(parent) {
  setFont(look::LinkFont());
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setText(text);
  setLook(Look::kNormal);
  look::LeaveRoomForText(this);
}

LinkLabel::LinkLabel(const QString& text, const QString& hint, QWidget* parent)
    : LinkLabel(text, parent) {
  if (!hint.isEmpty()) setToolTip(hint);
  adjustSize();
}

void LinkLabel::setText(const QString& text) {
  QLabel::setText(text);
  setAccessibleName(text);
}

void LinkLabel::setLook(Look look) {
  look_ = look;
  QFont linkFont = font();
  linkFont.setUnderline(look == Look::kHover);
  setFont(linkFont);
  switch (look) {
    case Look::kNormal:
      look::SetTextColor(this, look::kLink);
      break;
    case Look::kHover:
      look::SetTextColor(this, look::kLinkHover);
      break;
    case Look::kGrey:
      look::SetTextColor(this, look::kLinkGrey);
      break;
  }
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (automaticHover_) setLook(Look::kHover);
  emit pointerEntered();
}

void LinkLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (automaticHover_) setLook(Look::kNormal);
  emit pointerLeft();
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) emit activated();
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        emit activated();
        return;
      }
      break;
    default:
      break;
  }
  QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.backgroundColor = palette().color(QPalette::Window);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

}  // namespace tunewick
