#include "platform/look.h"

#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace tunewick::look {
namespace {

QString& Family() {
  static QString family;
  return family;
}

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
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  palette.setColor(QPalette::ButtonText, color);
  widget->setPalette(palette);
}

QColor TextColor(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

void MakeHeading(QWidget* widget) {
  widget->setFont(HeadingFont());
  SetTextColor(widget, kHeading);
}

QLabel* AddText(QWidget* parent, const QString& text, int pixelSize, const QColor& color,
                QPoint at) {
  auto* label = new QLabel(text, parent);
  label->setFont(Font(pixelSize));
  SetTextColor(label, color);
  label->adjustSize();
  label->move(at);
  return label;
}

void MakeWhite(QWidget* window) {
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, Qt::white);
  window->setPalette(palette);
  window->setAutoFillBackground(true);
}

}  // namespace tunewick::look
