#pragma once

#include <QToolButton>

namespace tunewick {

// A borderless button that shows only a picture, with its hint as tooltip and as its
// accessible name. A click, Enter or Space activates it (the clicked signal).
class PictureButton : public QToolButton {
  Q_OBJECT

 public:
  PictureButton(const QPixmap& picture, const QString& hint, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tunewick
