// The window's image list.
#include "app/image_list.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace app {

namespace {

void Envelope(QPainter& p, QColor body) {
  p.setPen(QColor(80, 80, 80));
  p.setBrush(body);
  p.drawRect(1, 4, 13, 9);
  p.drawLine(1, 4, 8, 9);
  p.drawLine(14, 4, 8, 9);
}

void Folder(QPainter& p, bool open) {
  p.setPen(QColor(150, 110, 0));
  p.setBrush(QColor(255, 215, 0));
  p.drawRect(1, 4, 13, 10);
  p.drawRect(1, 2, 5, 2);
  if (open) {
    p.setBrush(QColor(255, 240, 120));
    QPolygon flap({QPoint(3, 7), QPoint(15, 7), QPoint(13, 14), QPoint(1, 14)});
    p.drawPolygon(flap);
  }
}

}  // namespace

QPixmap DrawnImage(int index) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  switch (index) {
    case kImgFolderOpen:
      Folder(p, true);
      break;
    case kImgFolderClosed:
      Folder(p, false);
      break;
    case kImgReceive:  // red post box
      p.setPen(QColor(120, 0, 0));
      p.setBrush(QColor(220, 20, 20));
      p.drawRoundedRect(4, 1, 8, 12, 3, 3);
      p.setPen(Qt::black);
      p.drawLine(6, 5, 10, 5);
      p.drawLine(8, 13, 8, 15);
      break;
    case kImgNewMessage:  // open envelope with letter and pen
      Envelope(p, QColor(255, 255, 240));
      p.setPen(QColor(0, 0, 160));
      p.drawLine(10, 1, 15, 6);
      break;
    case kImgReply:
      Envelope(p, QColor(240, 240, 255));
      p.setPen(QColor(0, 0, 160));
      p.drawLine(12, 0, 15, 3);
      break;
    case kImgForward:  // red seal
      Envelope(p, QColor(255, 255, 255));
      p.setBrush(QColor(220, 0, 0));
      p.setPen(Qt::NoPen);
      p.drawEllipse(6, 7, 4, 4);
      break;
    case kImgDeletionMode:  // torn envelope
      Envelope(p, QColor(255, 255, 255));
      p.setPen(QPen(Qt::white, 2));
      p.drawLine(7, 3, 9, 14);
      break;
    case kImgStop:
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(220, 0, 0));
      p.drawEllipse(1, 1, 14, 14);
      p.setBrush(Qt::white);
      p.drawRect(4, 7, 8, 3);
      break;
    case kImgExit:
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0, 150, 60));
      p.drawRect(1, 3, 14, 10);
      p.setBrush(Qt::white);
      p.drawRect(4, 6, 5, 1);
      p.drawPolygon(QPolygon({QPoint(9, 4), QPoint(13, 8), QPoint(9, 12)}));
      break;
    case kImgLocalDelete:  // dustbin
      p.setPen(QColor(60, 60, 60));
      p.setBrush(QColor(170, 170, 170));
      p.drawRect(3, 4, 10, 11);
      p.drawRect(2, 2, 12, 2);
      p.drawLine(6, 6, 6, 13);
      p.drawLine(10, 6, 10, 13);
      break;
    case kImgCorner: {
      QPen pen(Qt::gray, 1, Qt::DotLine);
      p.setPen(pen);
      p.drawLine(7, 0, 7, 8);
      p.drawLine(7, 8, 15, 8);
      break;
    }
    case kImgAttachment: {  // pink paper clip
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(QPen(QColor(230, 80, 160), 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(5, 1, 6, 14), 3, 3);
      p.drawLine(QPointF(8, 4), QPointF(8, 11));
      break;
    }
    case kImgNoAttachment:  // thin tick
      p.setPen(QPen(QColor(90, 90, 90), 1));
      p.drawLine(4, 8, 7, 11);
      p.drawLine(7, 11, 12, 4);
      break;
    case kImgAccount:  // hammer and wrench
      p.setPen(QPen(QColor(110, 80, 40), 2));
      p.drawLine(3, 13, 12, 4);
      p.setPen(QPen(QColor(120, 120, 130), 2));
      p.drawLine(3, 4, 12, 13);
      p.drawRect(10, 2, 4, 3);
      break;
    case kImgAddressBook:  // orange book
      p.setPen(QColor(150, 70, 0));
      p.setBrush(QColor(255, 140, 0));
      p.drawRect(3, 1, 10, 14);
      p.setPen(Qt::white);
      p.drawLine(5, 4, 11, 4);
      break;
    case kImgSearch:  // binoculars
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(QColor(20, 20, 20));
      p.setBrush(QColor(60, 60, 90));
      p.drawEllipse(1, 7, 6, 6);
      p.drawEllipse(9, 7, 6, 6);
      p.drawRect(3, 3, 3, 5);
      p.drawRect(10, 3, 3, 5);
      break;
    default:
      break;
  }
  return pm;
}

QIcon ImageListIcon(int index) {
  static const char* const kThemeNames[kImageCount] = {"folder-open",
                                                       "folder",
                                                       "mail-receive",
                                                       "mail-message-new",
                                                       "mail-reply-sender",
                                                       "mail-forward",
                                                       "mail-mark-junk",
                                                       "process-stop",
                                                       "application-exit",
                                                       "user-trash",
                                                       nullptr,
                                                       "mail-attachment",
                                                       nullptr,
                                                       "preferences-system",
                                                       "x-office-address-book",
                                                       "edit-find"};
  QIcon drawn(DrawnImage(index));
  if (index < 0 || index >= kImageCount || kThemeNames[index] == nullptr) return drawn;
  return QIcon::fromTheme(QString::fromLatin1(kThemeNames[index]), drawn);
}

}  // namespace app
