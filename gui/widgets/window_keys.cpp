#include "widgets/window_keys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace tunewick {
namespace {

// Sees the keys that the focused control left alone on their way up to the window.
class WindowKeys : public QObject {
 public:
  static WindowKeys* Of(QWidget* window) {
    QObject* keys = window->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly);
    return keys ? static_cast<WindowKeys*>(keys) : new WindowKeys(window);
  }

  void setLeave(std::function<void()> leave) { leave_ = std::move(leave); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_ || event->type() != QEvent::KeyPress)
      return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (key->key() == Qt::Key_Escape && leave_) {
      leave_();
      return true;
    }
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    QWidget* focused = window_->focusWidget();
    if (qobject_cast<QLineEdit*>(focused)) return false;
    QPushButton* button = qobject_cast<QPushButton*>(focused);
    if (!button) button = DefaultButton();
    if (!button || !button->isVisible() || !button->isEnabled()) return false;
    button->click();
    return true;
  }

 private:
  static constexpr QLatin1StringView kName{"tunewick-window-keys"};

  explicit WindowKeys(QWidget* window) : QObject(window), window_(window) {
    setObjectName(kName);
    window->installEventFilter(this);
  }

  QPushButton* DefaultButton() const {
    for (QPushButton* button : window_->findChildren<QPushButton*>())
      if (button->isDefault() && button->isVisible()) return button;
    return nullptr;
  }

  QWidget* window_;
  std::function<void()> leave_;
};

}  // namespace

void PressButtonsWithReturn(QWidget* window) { WindowKeys::Of(window); }

void LeaveOnEscape(QWidget* window, std::function<void()> leave) {
  WindowKeys::Of(window)->setLeave(std::move(leave));
}

void MakeDefaultButton(QPushButton* button) {
  // Not an "auto default" button: outside a dialog Qt stops drawing and treating one as the
  // default once it has had the focus.
  button->setAutoDefault(false);
  button->setDefault(true);
  WindowKeys::Of(button->window());
}

}  // namespace tunewick
