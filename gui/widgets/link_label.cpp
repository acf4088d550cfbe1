#include "widgets/link_label.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include "widgets/look.h"

namespace tunewick {
namespace {

// What screen readers see of a link: a link they can press, disabled while it is grey.
class AccessibleLink : public QAccessibleWidget {
 public:
  explicit AccessibleLink(LinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.disabled = state.disabled || link()->look() == LinkLabel::Look::kGrey;
    return state;
  }
  QStringList actionNames() const override {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action != pressAction()) return QAccessibleWidget::doAction(action);
    // After the screen reader has its answer: what the link opens may wait for the user.
    QTimer::singleShot(0, link(), [link = link()] { emit link->activated(); });
  }

 private:
  LinkLabel* link() const { return static_cast<LinkLabel*>(widget()); }
};

QAccessibleInterface* LinkForScreenReaders(const QString&, QObject* object) {
  auto* link = qobject_cast<LinkLabel*>(object);
  return link ? new AccessibleLink(link) : nullptr;
}

}  // namespace

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(parent) {
  static const bool exposed = (QAccessible::installFactory(&LinkForScreenReaders), true);
  (void)exposed;
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
  const bool greyChanged = (look == Look::kGrey) != (look_ == Look::kGrey);
  look_ = look;
  if (greyChanged) {
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
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

void LinkLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) setLook(isEnabled() ? Look::kNormal : Look::kGrey);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (automaticHover_ && isEnabled()) setLook(Look::kHover);
  emit pointerEntered();
}

void LinkLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (automaticHover_ && isEnabled()) setLook(Look::kNormal);
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
