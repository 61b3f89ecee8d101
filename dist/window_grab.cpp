// Saves what an X window shows as a PNG: the screenshot script's camera. Works on any X server
// (Xvfb included) without a window manager or an image tool.
// Usage: yubinko_grab WINDOW_ID OUT.png   (WINDOW_ID decimal or 0x hex; 0 for the whole screen)
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WINDOW_ID OUT.png\n", argv[0]);
    return 2;
  }
  QGuiApplication application(argc, argv);
  bool ok = false;
  const WId window = QString::fromLatin1(argv[1]).toULongLong(&ok, 0);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!ok || screen == nullptr) {
    std::fprintf(stderr, "no window id or no screen\n");
    return 2;
  }
  const QPixmap picture = screen->grabWindow(window);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "cannot grab window %s into %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
