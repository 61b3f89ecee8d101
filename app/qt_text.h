// The one place where Shift_JIS text crosses into widgets and back.
#pragma once

#include <QString>
#include <string>

#include "platform/codepage.h"

namespace app {

inline QString Q(const std::string& sjis) { return QString::fromUtf8(platform::Cp932ToUtf8(sjis)); }
inline std::string S(const QString& text) {
  return platform::Cp932FromUtf8(text.toUtf8().toStdString());
}
// Shift_JIS literal written in UTF-8, straight to a QString.
inline QString QU(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace app
