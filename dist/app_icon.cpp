// A white envelope on a vermilion tile with a round seal: reads as mail at 16 pixels and
// still looks finished at 256.
#include "dist/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace dist {

QImage DrawYubinkoIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;

  // Tile.
  QLinearGradient tile(0, 0, 0, s);
  tile.setColorAt(0, QColor(0xE8, 0x4A, 0x3B));
  tile.setColorAt(1, QColor(0xB3, 0x1B, 0x1B));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(0.03 * s, 0.03 * s, 0.94 * s, 0.94 * s), 0.18 * s, 0.18 * s);

  // Envelope body with its flap.
  const QRectF env(0.16 * s, 0.28 * s, 0.68 * s, 0.46 * s);
  p.setBrush(QColor(0xFD, 0xFB, 0xF5));
  p.drawRoundedRect(env, 0.03 * s, 0.03 * s);
  QPen fold(QColor(0x9A, 0x8F, 0x85), std::max(1.0, 0.035 * s));
  fold.setJoinStyle(Qt::RoundJoin);
  fold.setCapStyle(Qt::RoundCap);
  p.setPen(fold);
  p.setBrush(Qt::NoBrush);
  QPainterPath flap;
  flap.moveTo(env.left() + 0.02 * s, env.top() + 0.02 * s);
  flap.lineTo(env.center().x(), env.top() + 0.26 * s);
  flap.lineTo(env.right() - 0.02 * s, env.top() + 0.02 * s);
  p.drawPath(flap);

  // Seal in the lower right corner; left out where it would only blur the envelope.
  if (size >= 24) {
    const QPointF c(0.74 * s, 0.70 * s);
    const double r = 0.15 * s;
    p.setPen(QPen(QColor(0xFD, 0xFB, 0xF5), 0.03 * s));
    p.setBrush(QColor(0xC6, 0x28, 0x28));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(0xFD, 0xFB, 0xF5), std::max(1.0, 0.028 * s), Qt::SolidLine,
                  Qt::RoundCap));
    // A stylised post mark: two bars over a stem.
    p.drawLine(QPointF(c.x() - 0.075 * s, c.y() - 0.06 * s),
               QPointF(c.x() + 0.075 * s, c.y() - 0.06 * s));
    p.drawLine(QPointF(c.x() - 0.075 * s, c.y() - 0.015 * s),
               QPointF(c.x() + 0.075 * s, c.y() - 0.015 * s));
    p.drawLine(QPointF(c.x(), c.y() - 0.015 * s), QPointF(c.x(), c.y() + 0.085 * s));
  }
  p.end();
  return image;
}

QIcon YubinkoIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(QPixmap::fromImage(DrawYubinkoIcon(size)));
  }
  return icon;
}

}  // namespace dist
