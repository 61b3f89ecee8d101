// User-interface services on Qt widgets.
#include "app/qt_ui_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextLayout>
#include <QTextOption>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "app/qt_text.h"

namespace app {

namespace {

QString Title() { return QApplication::applicationDisplayName(); }

platform::Answer FromButton(int b) {
  switch (b) {
    case QMessageBox::Yes:
      return platform::Answer::kYes;
    case QMessageBox::No:
      return platform::Answer::kNo;
    case QMessageBox::Ok:
      return platform::Answer::kOk;
    default:
      return platform::Answer::kCancel;
  }
}

}  // namespace

QString QtFileFilter(const std::string& sjis) {
  QString f = Q(sjis);
  if (!f.contains(QLatin1Char('|'))) return f;
  QStringList parts = f.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    out << parts[i] + QStringLiteral(" (") +
               QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out.join(QStringLiteral(";;"));
}

QtUiServices::QtUiServices(QWidget* parent_window) : parent_(parent_window) {
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (on_tick_) on_tick_();
  });
}

QtUiServices::~QtUiServices() = default;

void QtUiServices::ShowInformation(const std::string& text) {
  QMessageBox::information(parent_, Title(), Q(text));
}

platform::Answer QtUiServices::AskWarning(const std::string& text) {
  return FromButton(QMessageBox::warning(parent_, Title(), Q(text),
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                         QMessageBox::Yes));
}

platform::Answer QtUiServices::AskConfirmation(const std::string& text) {
  return FromButton(QMessageBox::question(
      parent_, Title(), Q(text), QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Yes));
}

void QtUiServices::ShowError(const std::string& text) {
  QMessageBox::critical(parent_, Title(), Q(text), QMessageBox::Ok);
}

std::string QtUiServices::InputBox(const std::string& caption, const std::string& prompt,
                                   const std::string& default_text) {
  bool ok = false;
  QString answer = QInputDialog::getText(parent_, Q(caption), Q(prompt), QLineEdit::Normal,
                                         Q(default_text), &ok);
  return ok ? S(answer) : std::string();
}

std::vector<std::string> QtUiServices::OpenFileDialog(const std::string& filter,
                                                      bool allow_multiple) {
  QStringList names;
  if (allow_multiple) {
    names = QFileDialog::getOpenFileNames(parent_, QString(), QString(), QtFileFilter(filter));
  } else {
    QString one = QFileDialog::getOpenFileName(parent_, QString(), QString(), QtFileFilter(filter));
    if (!one.isEmpty()) names << one;
  }
  std::vector<std::string> out;
  for (const QString& n : names) out.push_back(n.toStdString());  // native paths, UTF-8
  return out;
}

std::string QtUiServices::SaveFileDialog(const std::string& filter,
                                         const std::string& proposed_name, int selected_filter) {
  const QString filters = QtFileFilter(filter);
  QFileDialog dialog(parent_, QString(), QString(), filters);
  const QStringList names = filters.split(QStringLiteral(";;"));
  if (selected_filter > 0 && selected_filter < names.size()) {
    dialog.selectNameFilter(names[selected_filter]);
  }
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the commands ask themselves
  dialog.selectFile(Q(proposed_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

void QtUiServices::ShowFindDialog(const platform::FindRequest& initial,
                                  std::function<void(const platform::FindRequest&)> on_find) {
  if (find_dialog_) find_dialog_->deleteLater();
  auto* dialog = new QDialog(parent_);  // owned by the parent window, deleted on close
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setObjectName(QStringLiteral("FindDialog1"));
  dialog->setWindowTitle(QU("検索"));
  auto* edit = new QLineEdit(Q(initial.text), dialog);
  auto* match_case = new QCheckBox(QU("大文字と小文字を区別する"), dialog);
  auto* whole_word = new QCheckBox(QU("単語単位で探す"), dialog);
  match_case->setChecked(initial.match_case);
  whole_word->setChecked(initial.whole_word);
  auto* find = new QPushButton(QU("次を検索"), dialog);
  auto* close = new QPushButton(QU("キャンセル"), dialog);
  find->setDefault(true);
  auto* layout = new QVBoxLayout(dialog);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QU("検索する文字列:"), dialog));
  row->addWidget(edit);
  layout->addLayout(row);
  layout->addWidget(match_case);
  layout->addWidget(whole_word);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(find);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  QObject::connect(find, &QPushButton::clicked, dialog, [=] {
    platform::FindRequest r;
    r.text = S(edit->text());
    r.match_case = match_case->isChecked();
    r.whole_word = whole_word->isChecked();
    r.down = true;
    on_find(r);
  });
  QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
  find_dialog_ = dialog;
  dialog->show();
}

bool QtUiServices::ShellOpen(const std::string& target) {
  QString t = QString::fromStdString(target);
  QUrl url(t);
  if (url.scheme().size() <= 1) url = QUrl::fromLocalFile(t);  // plain path
  return QDesktopServices::openUrl(url);
}

void QtUiServices::ProcessEvents() { QCoreApplication::processEvents(); }

void QtUiServices::SetTimer(int interval_ms, std::function<void()> on_tick) {
  timer_.setInterval(interval_ms);
  on_tick_ = std::move(on_tick);
}

void QtUiServices::EnableTimer(bool enabled) {
  if (enabled) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

void QtUiServices::Beep() { QApplication::beep(); }

void QtUiServices::Sleep(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool QtUiServices::PrintLines(const std::vector<std::string>& lines) {
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  std::unique_ptr<QPrinter> printer;
  if (info.isNull()) {
    // No printer configured: let the user pick one, such as printing to a PDF file.
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent_);
    // Choosing not to print is the user's decision, not a failure to report.
    if (dialog.exec() != QDialog::Accepted) return true;
  } else {
    printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  }
  return PrintLinesOn(*printer, lines);
}

bool PrintLinesOn(QPrinter& printer, const std::vector<std::string>& lines) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QFontMetrics fm = painter.fontMetrics();
  const int page_width = painter.viewport().width();
  const int page_height = painter.viewport().height();
  // A line wider than the page goes on over as many printed lines as it needs (at a space
  // when there is one, anywhere in Japanese text) instead of being cut at the margin.
  QTextOption wrap;
  wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  int y = fm.ascent();
  for (const std::string& line : lines) {
    const QString text = Q(line);
    QTextLayout layout(text, painter.font(), &printer);
    layout.setTextOption(wrap);
    layout.beginLayout();
    for (QTextLine piece = layout.createLine(); piece.isValid(); piece = layout.createLine()) {
      piece.setLineWidth(page_width);
    }
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
      if (y + fm.descent() > page_height) {
        if (!printer.newPage()) return false;
        y = fm.ascent();
      }
      const QTextLine piece = layout.lineAt(i);
      painter.drawText(0, y, text.mid(piece.textStart(), piece.textLength()));
      y += fm.lineSpacing();
    }
  }
  return painter.end();
}

}  // namespace app
