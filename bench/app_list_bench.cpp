// Main window over a folder of 100,000 records, offscreen: filling the message list, sorting
// it by subject, and clicking the folder (load the index file, then fill). The peer is a
// plain QTreeWidget filled with the same rows, item by item, in the same run.
#include <QApplication>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/demo_store.h"
#include "app/folder_logic.h"
#include "app/index_list.h"
#include "app/list_logic.h"
#include "app/main_window.h"
#include "app/message_logic.h"
#include "app/message_model.h"
#include "app/qt_text.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace {

double MedianMs(int runs, const std::function<void()>& f) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    auto t1 = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TZ", "Asia/Tokyo", 0);
  QApplication application(argc, argv);
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int runs = 7;

  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  const std::vector<std::string> records = app::MakeRecords(n);
  app::SaveLines(fs, "Account.ini", {"bench\tpop\tu\tp\tsmtp\tme@x\t110\t25\t0"});
  app::SaveLines(fs, "Yubinko.ini", {"bench"});
  app::SaveLines(fs, app::FolderPath({"bench"}) + "MsgID.ini", records);

  platform::testing::ScriptedUiServices ui;
  auto t_start = std::chrono::steady_clock::now();
  app::TForm1 form(dir.path(), ui);
  const double startup_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t_start).count();
  form.resize(1000, 700);
  form.show();
  QCoreApplication::processEvents();

  const std::vector<std::string>& index = form.state().folder_index.lines();
  const double fill_ms = MedianMs(runs, [&] {
    form.FillList(index);
    QCoreApplication::processEvents();
  });
  bool flip = false;
  const double sort_ms = MedianMs(runs, [&] {
    // Alternate between two columns so every run really sorts by subject.
    if (flip) form.ListView1ColumnClick(3);
    form.ListView1ColumnClick(0);
    flip = !flip;
    QCoreApplication::processEvents();
  });
  auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
  QTreeWidgetItem* node = form.FindNode({"bench"});
  const double click_ms = MedianMs(runs, [&] {
    tree->setCurrentItem(node);
    form.TreeView1Click();
    QCoreApplication::processEvents();
  });
  const double load_ms = MedianMs(runs, [&] {
    app::SortedList list;
    list.Load(fs, app::IndexPath(app::FolderPath({"bench"})));
  });

  // Peer: the same rows as QTreeWidget items, converted and added one by one.
  QTreeWidget peer;
  peer.setColumnCount(7);
  peer.resize(1000, 400);
  peer.show();
  const double peer_fill_ms = MedianMs(3, [&] {
    peer.clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(records.size()));
    for (const std::string& r : index) {
      app::Row row = app::RowFromRecord(r);
      QStringList cols;
      for (const auto& c : row.col) cols << app::Q(c);
      items << new QTreeWidgetItem(cols);  // owned by the tree once inserted
    }
    peer.addTopLevelItems(items);
    QCoreApplication::processEvents();
  });
  const double peer_sort_ms = MedianMs(3, [&] {
    static bool up = true;
    peer.sortItems(0, up ? Qt::AscendingOrder : Qt::DescendingOrder);
    up = !up;
    QCoreApplication::processEvents();
  });

  std::printf("Main window, folder of %d records (median of %d runs, offscreen)\n", n, runs);
  std::printf("  start-up with this folder current   %8.1f ms\n", startup_ms);
  std::printf("  fill the list                       %8.1f ms   (goal < 300)\n", fill_ms);
  std::printf("  sort by subject (header click)      %8.1f ms   (goal < 300)\n", sort_ms);
  std::printf("  click the folder (load + fill)      %8.1f ms   (goal < 500)\n", click_ms);
  std::printf("    of which: load and sort MsgID.ini %8.1f ms\n", load_ms);
  std::printf("  peer QTreeWidget fill               %8.1f ms   ratio %.1fx\n", peer_fill_ms,
              peer_fill_ms / fill_ms);
  std::printf("  peer QTreeWidget sort by subject    %8.1f ms   ratio %.1fx\n", peer_sort_ms,
              peer_sort_ms / sort_ms);
  return 0;
}
