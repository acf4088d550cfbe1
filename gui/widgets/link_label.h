#pragma once

#include <QLabel>

namespace tunewick {

// A text that acts like a link: 12-pixel Tahoma in navy, turning blue and underlined
// while the pointer is over it. It takes the keyboard focus with Tab and is activated
// by a click, Enter or Space. Screen readers see a link named after its text, which they
// can press, disabled while it is grey as while the widget is. A disabled link is grey and
// does not turn blue.
class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  enum class Look { kNormal, kHover, kGrey };

  explicit LinkLabel(const QString& text, QWidget* parent = nullptr);
  // A link with `hint` as its tooltip (none when empty), sized to its text.
  LinkLabel(const QString& text, const QString& hint, QWidget* parent);

  void setText(const QString& text);  // also the accessible name

  void setLook(Look look);
  Look look() const { return look_; }

  // On (the default): the link turns to its hover look while the pointer is over it.
  // Off: the owner decides the looks on pointerEntered and pointerLeft.
  void setAutomaticHover(bool automatic) { automaticHover_ = automatic; }

 signals:
  void activated();
  void pointerEntered();
  void pointerLeft();

 protected:
  void changeEvent(QEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  Look look_ = Look::kNormal;
  bool automaticHover_ = true;
  bool pressed_ = false;
};

}  // namespace tunewick
