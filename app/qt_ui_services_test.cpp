// The Qt user-interface services, driven through their real dialogs offscreen.
#include "app/qt_ui_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/qt_text.h"

namespace app {
namespace {

// Acts on the modal dialog once it is up (the services' calls block until it closes).
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);  // nothing to hang on: the call did not block
    act(modal);
  });
}

// Closes a dialog that is not the one expected, so the test fails instead of hanging.
void Close(QWidget* w) {
  ADD_FAILURE() << "unexpected dialog " << w->metaObject()->className();
  w->close();
}

TEST(QtUiServicesTest, WarningBoxOffersYesNoCancelAndReportsTheButton) {
  QtUiServices ui;
  QString shown;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (box == nullptr) return Close(w);
    shown = box->text();
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(ui.AskWarning(platform::Sjis("削除します。")), platform::Answer::kNo);
  EXPECT_EQ(shown, QU("削除します。"));

  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (box == nullptr) return Close(w);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::Cancel);
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_EQ(ui.AskConfirmation("again?"), platform::Answer::kYes);
}

TEST(QtUiServicesTest, InputBoxReturnsShiftJisAndEmptyOnCancel) {
  QtUiServices ui;
  WhenModal([](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    if (dialog == nullptr) return Close(w);
    EXPECT_EQ(dialog->windowTitle(), QU("メール検索"));
    EXPECT_EQ(dialog->labelText(), QU("件名を入力してください"));
    dialog->setTextValue(QU("会議"));
    dialog->accept();
  });
  EXPECT_EQ(ui.InputBox(platform::Sjis("メール検索"), platform::Sjis("件名を入力してください"), ""),
            platform::Sjis("会議"));
  WhenModal([](QWidget* w) {
    auto* dialog = qobject_cast<QInputDialog*>(w);
    if (dialog == nullptr) return Close(w);
    dialog->setTextValue(QStringLiteral("typed"));
    dialog->reject();
  });
  EXPECT_EQ(ui.InputBox("c", "p", ""), "");
}

TEST(QtUiServicesTest, FindDialogCallsBackWithItsChoices) {
  QWidget window;
  QtUiServices ui(&window);
  std::vector<platform::FindRequest> requests;
  platform::FindRequest initial;
  initial.text = platform::Sjis("本文");
  ui.ShowFindDialog(initial, [&](const platform::FindRequest& r) { requests.push_back(r); });
  auto* dialog = window.findChild<QDialog*>(QStringLiteral("FindDialog1"));
  ASSERT_NE(dialog, nullptr);
  auto* edit = dialog->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->text(), QU("本文"));
  QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
  ASSERT_EQ(boxes.size(), 2);
  boxes[0]->setChecked(true);  // match case
  for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
    if (b->text() == QU("次を検索")) b->click();
  }
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].text, platform::Sjis("本文"));
  EXPECT_TRUE(requests[0].match_case);
  EXPECT_FALSE(requests[0].whole_word);
  EXPECT_TRUE(requests[0].down);
}

TEST(QtUiServicesTest, DecliningThePrinterChoiceIsNoFailure) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a default printer asks nothing";
  QtUiServices ui;
  bool asked = false;
  WhenModal([&](QWidget* w) {
    auto* dialog = qobject_cast<QPrintDialog*>(w);
    if (dialog == nullptr) return Close(w);
    asked = true;
    dialog->reject();
  });
  EXPECT_TRUE(ui.PrintLines({"a line"}));
  EXPECT_TRUE(asked);
}

TEST(QtUiServicesTest, TimerTicksOnlyWhileEnabled) {
  QtUiServices ui;
  int ticks = 0;
  ui.SetTimer(5, [&] { ++ticks; });
  ui.EnableTimer(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 2000));
  ui.EnableTimer(false);
  const int at_stop = ticks;
  QTest::qWait(50);
  EXPECT_EQ(ticks, at_stop);
}

}  // namespace
}  // namespace app
