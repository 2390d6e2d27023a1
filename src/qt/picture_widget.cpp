#include "qt/picture_widget.hpp"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>

namespace orthelev {

namespace {

QColor ColourOf(Rgb c) { return QColor(c.r, c.g, c.b); }

void PaintText(QPainter& painter, const PictureText& text) {
  QFont font = painter.font();
  font.setBold(text.bold);
  painter.setFont(font);
  const QString content = QString::fromStdString(text.text);
  const double width = painter.fontMetrics().horizontalAdvance(content);
  double x = text.x;
  if (text.anchor == TextAnchor::Middle) x -= width / 2;
  if (text.anchor == TextAnchor::End) x -= width;
  painter.setPen(ColourOf(text.colour));
  painter.drawText(QPointF(x, text.y), content);
}

}  // namespace

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::SetPicture(Picture picture) {
  picture_ = std::move(picture);
  setWindowTitle(QString::fromStdString(picture_.title));
  updateGeometry();
  update();
}

QSize PictureWidget::sizeHint() const {
  return picture_.width > 0 ? QSize(picture_.width, picture_.height) : QSize(640, 360);
}

void PictureWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (picture_.width <= 0 || picture_.height <= 0) return;
  const double scale =
      std::min(width() / double(picture_.width), height() / double(picture_.height));
  painter.scale(scale, scale);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setPixelSize(kPictureTextPixels);
  painter.setFont(font);
  for (const PictureRect& r : picture_.rects) {
    const QRectF area(r.x, r.y, r.width, r.height);
    painter.fillRect(area, ColourOf(r.fill));
    if (!r.outlined) continue;
    painter.setPen(QPen(ColourOf(r.outline), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
  }
  for (const PictureLine& line : picture_.lines) {
    QPolygonF points;
    for (const PicturePoint& p : line.points) points << QPointF(p.x, p.y);
    painter.setPen(QPen(ColourOf(line.colour), line.width));
    painter.drawPolyline(points);
  }
  for (const PictureText& text : picture_.texts) PaintText(painter, text);
}

}  // namespace orthelev
