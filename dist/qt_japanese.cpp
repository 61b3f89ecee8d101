#include "dist/qt_japanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace dist {

bool InstallQtJapanese(QTranslator& translator) {
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  return translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), dir) &&
         QCoreApplication::installTranslator(&translator);
}

}  // namespace dist
