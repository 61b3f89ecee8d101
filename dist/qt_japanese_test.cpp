// Qt's own dialog texts in Japanese: fails when the translation package is missing from
// scripts/install-deps or the translation is looked up under the wrong name or directory.
#include "dist/qt_japanese.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

std::string Tr(const char* context, const char* text) {
  return QCoreApplication::translate(context, text).toStdString();
}

TEST(QtJapaneseTest, ButtonsAndTheFileChooserSpeakJapaneseOnceInstalled) {
  int argc = 1;
  char name[] = "qt_japanese_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  EXPECT_EQ(Tr("QPlatformTheme", "Cancel"), "Cancel");

  QTranslator translator;
  ASSERT_TRUE(dist::InstallQtJapanese(translator));
  EXPECT_EQ(Tr("QPlatformTheme", "Cancel"), "キャンセル");
  EXPECT_EQ(Tr("QPlatformTheme", "&Yes"), "はい(&Y)");
  EXPECT_EQ(Tr("QPlatformTheme", "&No"), "いいえ(&N)");
  EXPECT_EQ(Tr("QFileDialog", "Open"), "開く");
}

}  // namespace
