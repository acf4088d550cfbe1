#include "widgets/pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include "widgets/look.h"

namespace tunewick::pictures {
namespace {

// A picture of width x height pixels, drawn sharp at the display's scale.
template <typename Draw>
QPixmap Paint(int width, int height, Draw draw) {
  const qreal scale = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
  QPixmap pixmap(qCeil(width * scale), qCeil(height * scale));
  pixmap.setDevicePixelRatio(scale);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  draw(painter);
  return pixmap;
}

QPixmap RoundButton(int width, int height, const QPolygonF& symbol) {
  return Paint(width, height, [&](QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(look::kHeading);
    painter.drawEllipse(QRectF(0.5, 0.5, width - 1.0, height - 1.0));
    painter.setBrush(Qt::white);
    painter.drawPolygon(symbol);
  });
}

}  // namespace

QPixmap BackArrow() {
  QPolygonF arrow{{6, 12}, {13, 5}, {13, 9.5}, {19, 9.5}, {19, 14.5}, {13, 14.5}, {13, 19}};
  return RoundButton(24, 24, arrow);
}

QPixmap Expand() { return RoundButton(22, 23, QPolygonF{{5, 8}, {17, 8}, {11, 16}}); }
QPixmap Collapse() { return RoundButton(22, 23, QPolygonF{{5, 15}, {17, 15}, {11, 7}}); }
QPixmap Play() { return RoundButton(24, 24, QPolygonF{{9, 6}, {9, 18}, {18, 12}}); }

QPixmap Help() {
  return Paint(22, 22, [](QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(look::kHeading);
    painter.drawEllipse(QRectF(0.5, 0.5, 21, 21));
    painter.setPen(Qt::white);
    painter.setFont(look::Font(15));
    painter.drawText(QRect(0, 0, 22, 22), Qt::AlignCenter, QStringLiteral("?"));
  });
}

QPixmap Congratulations() {
  return Paint(48, 48, [](QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2E, 0x9E, 0x4F));
    painter.drawEllipse(QRectF(1, 1, 46, 46));
    QPen tick(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(tick);
    painter.drawPolyline(QPolygonF{{13, 25}, {21, 33}, {35, 16}});
  });
}

QPixmap About() {
  return Paint(64, 64, [](QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(look::kHeading);
    painter.drawEllipse(QRectF(1, 1, 62, 62));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(18, 38, 14, 11));
    painter.drawRect(QRectF(28, 15, 4, 29));
    QPainterPath flag;
    flag.moveTo(32, 15);
    flag.cubicTo(40, 18, 46, 22, 44, 32);
    flag.cubicTo(42, 26, 38, 24, 32, 23);
    painter.drawPath(flag);
  });
}

QIcon FixName() {
  return QIcon(Paint(16, 16, [](QPainter& painter) {
    painter.setPen(QPen(look::kLink, 1));
    painter.setBrush(QColor(0xF2, 0xC1, 0x4E));
    painter.drawPolygon(QPolygonF{{3, 11}, {11, 3}, {13, 5}, {5, 13}});
    painter.setBrush(look::kLink);
    painter.drawPolygon(QPolygonF{{3, 11}, {5, 13}, {2, 14}});
  }));
}

QIcon DeleteSong() {
  return QIcon(Paint(16, 16, [](QPainter& painter) {
    painter.setPen(QPen(QColor(0xC6, 0x28, 0x28), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(4, 4, 12, 12);
    painter.drawLine(12, 4, 4, 12);
  }));
}

QIcon PreviewSong() {
  return QIcon(Paint(16, 16, [](QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(look::kLink);
    painter.drawPolygon(QPolygonF{{2, 6}, {5, 6}, {9, 2}, {9, 14}, {5, 10}, {2, 10}});
    painter.setPen(QPen(look::kLink, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(7, 4, 6, 8), -60 * 16, 120 * 16);
    painter.drawArc(QRectF(7, 1.5, 9, 13), -60 * 16, 120 * 16);
  }));
}

}  // namespace tunewick::pictures
