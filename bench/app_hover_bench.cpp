// Link hover over a large body, offscreen: the main window's pointer-move handler over a
// message of about 4 MB, against the approach of copying the viewer's whole text on every
// move (the peer), measured in the same run on the same positions.
#include <QApplication>
#include <QTableView>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/folder_logic.h"
#include "app/link_logic.h"
#include "app/main_window.h"
#include "app/message_model.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace {

double MedianMs(int runs, const std::function<void()>& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TZ", "Asia/Tokyo", 0);
  QApplication application(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 60000;
  const int moves = 50;

  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  app::SaveLines(fs, "Account.ini", {"bench\tpop\tu\tp\tsmtp\tme@x\t110\t25\t0"});
  const std::string folder = app::FolderPath({"bench"});
  app::SaveLines(fs, folder + "MsgID.ini",
                 {"<big@x>\tbig\tme@x\t2024/03/01_09:00:00\t4000000\t2\t2"});
  std::string body = "To=me@x\r\n-------------------\r\n";
  for (int i = 0; i < lines; ++i) {
    body += "line " + std::to_string(i) +
            " of a long report, see http://example.com/r?n=" + std::to_string(i) + "\r\n";
  }
  fs.WriteFileAtomic(folder + "0big@x9.txt", body);

  platform::testing::ScriptedUiServices ui;
  app::TForm1 form(dir.path(), ui);
  form.resize(1000, 700);
  form.show();
  QCoreApplication::processEvents();
  auto* list = form.findChild<QTableView*>(QStringLiteral("ListView1"));
  list->selectRow(0);
  form.ListView1Click();
  auto* viewer = form.findChild<QTextEdit*>(QStringLiteral("memBody"));

  // Pointer positions along the visible lines, over links and plain text alike.
  std::vector<QPoint> points;
  for (int i = 0; i < moves; ++i) points.emplace_back(20 + (i * 37) % 500, 10 + (i * 13) % 300);

  int found = 0;
  const double handler_ms = MedianMs(7, [&] {
    for (const QPoint& p : points) {
      form.memBodyMouseMove(p);
      found += form.LinkUnderPointer().isEmpty() ? 0 : 1;
    }
  });
  int peer_found = 0;
  const double peer_ms = MedianMs(7, [&] {
    for (const QPoint& p : points) {
      // The same character under the pointer as the handler takes.
      const QTextCursor c = viewer->cursorForPosition(p);
      int pos = c.position();
      if (pos > 0 && viewer->cursorRect(c).center().x() > p.x() && !c.atBlockStart()) --pos;
      const std::u16string text = viewer->toPlainText().toStdU16String();
      peer_found += app::LinkAt(text, static_cast<size_t>(pos)).empty() ? 0 : 1;
    }
  });

  std::printf("body: %zu bytes, %d lines; %d pointer moves per run, median of 7 runs\n",
              body.size(), lines, moves);
  std::printf("memBodyMouseMove (line under the pointer): %.1f us per move\n",
              handler_ms * 1000 / moves);
  std::printf("peer (whole text copied per move):          %.1f us per move\n",
              peer_ms * 1000 / moves);
  std::printf("ratio peer / handler: %.0f\n", peer_ms / handler_ms);
  std::printf("links found: %d handler, %d peer\n", found / 7, peer_found / 7);
  return 0;
}
