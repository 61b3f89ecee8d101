// Writes the icon as PNG files (yubinko-SIZE.png) for the desktop menu's icon theme.
#include <QGuiApplication>
#include <QString>
#include <cstdio>

#include "dist/app_icon.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR SIZE...\n", argv[0]);
    return 2;
  }
  QGuiApplication application(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size <= 0) return 2;
    const QString file = dir + QStringLiteral("/yubinko-%1.png").arg(size);
    if (!dist::DrawYubinkoIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
      return 1;
    }
  }
  return 0;
}
