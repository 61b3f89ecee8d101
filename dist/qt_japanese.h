// Qt's own windows and buttons (the file chooser, Yes/No/OK/Cancel in message boxes) in
// Japanese, like every text of the program, whatever the desktop's locale.
#pragma once

#include <QTranslator>

namespace dist {

// Loads Qt's Japanese translation into `translator` and installs it in the application;
// false (and Qt's English texts) when the translation is not installed.
bool InstallQtJapanese(QTranslator& translator);

}  // namespace dist
