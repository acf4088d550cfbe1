#include "widgets/look.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

namespace tunewick::look {
namespace {

QString& Family() {
  static QString family;
  return family;
}

// Draws a list box's frame over everything inside the list, one pixel of the window wide,
// whatever the display scale. (The style draws a thinner line on the list's edge, which
// falls outside what the list may paint, or under its contents, when the scale puts that
// edge between two pixels of the screen.)
class ListFrame : public QWidget {
 public:
  explicit ListFrame(QAbstractScrollArea* list) : QWidget(list) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    list->installEventFilter(this);
    Cover(list);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) Cover(static_cast<QWidget*>(watched));
    return QWidget::eventFilter(watched, event);
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QColor colour = palette().color(QPalette::Mid);
    const qreal width = this->width(), height = this->height();
    painter.fillRect(QRectF(0, 0, width, 1), colour);
    painter.fillRect(QRectF(0, height - 1, width, 1), colour);
    painter.fillRect(QRectF(0, 0, 1, height), colour);
    painter.fillRect(QRectF(width - 1, 0, 1, height), colour);
  }

 private:
  void Cover(QWidget* list) {
    setGeometry(list->rect());
    raise();
  }
};

}  // namespace

void RegisterFonts() {
  const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
  if (QFile::exists(tahoma)) {
    int id = QFontDatabase::addApplicationFont(tahoma);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) Family() = families.first();
  }
  if (Family().isEmpty()) Family() = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont Font(int pixelSize) {
  if (Family().isEmpty()) RegisterFonts();
  QFont font(Family());
  font.setPixelSize(pixelSize);
  return font;
}

QFont HeadingFont() { return Font(16); }
QFont LinkFont() { return Font(12); }

void SetTextColor(QWidget* widget, const QColor& color) {
  // Only the text roles: every other role still comes from the window.
  QPalette palette;
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  palette.setColor(QPalette::ButtonText, color);
  widget->setPalette(palette);
}

QColor TextColor(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

void MakeHeading(QWidget* widget) {
  widget->setFont(HeadingFont());
  SetTextColor(widget, kHeading);
  LeaveRoomForText(widget);
}

void LeaveRoomForText(QWidget* label) {
  // A taller label rather than margins: Qt clips text that overflows the margins.
  const int text = std::max(label->sizeHint().height(), label->fontMetrics().height());
  label->setMinimumHeight(text + 4);
}

QLabel* AddText(QWidget* parent, const QString& text, int pixelSize, const QColor& color,
                QPoint at) {
  auto* label = new QLabel(text, parent);
  label->setFont(Font(pixelSize));
  SetTextColor(label, color);
  LeaveRoomForText(label);
  label->adjustSize();
  label->move(at);
  return label;
}

QPalette Palette() {
  const QColor black(Qt::black);
  const QColor white(Qt::white);
  const QColor buttonFace(0xF0, 0xF0, 0xF0);
  const QColor readableGrey(0x66, 0x66, 0x66);  // 5.7:1 on white, 5:1 on the buttons
  // Starts from the shades that bevels and frames are drawn in.
  QPalette palette(buttonFace, white);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool disabled = group == QPalette::Disabled;
    const QColor text = disabled ? readableGrey : black;
    palette.setColor(group, QPalette::Window, white);
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Base, white);
    palette.setColor(group, QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::PlaceholderText, readableGrey);
    palette.setColor(group, QPalette::Button, buttonFace);
    palette.setColor(group, QPalette::ButtonText, text);
    palette.setColor(group, QPalette::BrightText, white);
    palette.setColor(group, QPalette::Highlight, disabled ? readableGrey : kHeading);
    palette.setColor(group, QPalette::HighlightedText, white);
    palette.setColor(group, QPalette::Link, kLink);
    palette.setColor(group, QPalette::LinkVisited, kHeading);
    palette.setColor(group, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
    palette.setColor(group, QPalette::ToolTipText, black);
  }
  return palette;
}

void MakeWhite(QWidget* window) {
  const QPalette palette = Palette();
  window->setPalette(palette);
  window->setAutoFillBackground(true);
  // Tooltips are windows of their own that take Qt's tooltip palette, not their widget's.
  QToolTip::setPalette(palette);
}

void MakeListBox(QAbstractScrollArea* list) { new ListFrame(list); }

}  // namespace tunewick::look
