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
#include <ctime>
#include <functional>
#include <vector>

#include "app/demo_store.h"
#include "app/folder_logic.h"
#include "state/index_list.h"
#include "app/list_logic.h"
#include "app/main_window.h"
#include "app/message_logic.h"
#include "app/message_model.h"
#include "app/qt_text.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Median wall time, and the median CPU time of this thread beside it: the machine is shared,
// so the CPU time is the steadier figure.
struct Timing {
  double wall_ms;
  double cpu_ms;
};

Timing Median(int runs, const std::function<void()>& f) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const double c0 = ThreadCpuMs();
    auto t0 = std::chrono::steady_clock::now();
    f();
    auto t1 = std::chrono::steady_clock::now();
    cpu.push_back(ThreadCpuMs() - c0);
    wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
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
  const Timing fill = Median(runs, [&] {
    form.FillList(index);
    QCoreApplication::processEvents();
  });
  bool flip = false;
  const Timing sort = Median(runs, [&] {
    // Alternate between two columns so every run really sorts by subject.
    if (flip) form.ListView1ColumnClick(3);
    form.ListView1ColumnClick(0);
    flip = !flip;
    QCoreApplication::processEvents();
  });
  auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
  QTreeWidgetItem* node = form.FindNode({"bench"});
  const Timing click = Median(runs, [&] {
    tree->setCurrentItem(node);
    form.TreeView1Click();
    QCoreApplication::processEvents();
  });
  const Timing load = Median(runs, [&] {
    state::SortedList list;
    list.Load(fs, app::IndexPath(app::FolderPath({"bench"})));
  });

  // Peer: the same rows as QTreeWidget items, converted and added one by one.
  QTreeWidget peer;
  peer.setColumnCount(7);
  peer.resize(1000, 400);
  peer.show();
  const Timing peer_fill = Median(3, [&] {
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
  const Timing peer_sort = Median(3, [&] {
    static bool up = true;
    peer.sortItems(0, up ? Qt::AscendingOrder : Qt::DescendingOrder);
    up = !up;
    QCoreApplication::processEvents();
  });

  std::printf("Main window, folder of %d records (median of %d runs, offscreen)\n", n, runs);
  std::printf("                                          wall ms   thread CPU ms\n");
  auto line = [](const char* what, Timing t, const char* goal) {
    std::printf("  %-38s %8.1f   %8.1f   %s\n", what, t.wall_ms, t.cpu_ms, goal);
  };
  std::printf("  %-38s %8.1f\n", "start-up with this folder current", startup_ms);
  line("fill the list", fill, "(goal < 300)");
  line("sort by subject (header click)", sort, "(goal < 300)");
  line("click the folder (load + fill)", click, "(goal < 500)");
  line("  of which: load and sort MsgID.ini", load, "");
  line("peer QTreeWidget fill", peer_fill, "");
  line("peer QTreeWidget sort by subject", peer_sort, "");
  std::printf("  ratio peer/ours (CPU): fill %.1fx, sort %.1fx\n", peer_fill.cpu_ms / fill.cpu_ms,
              peer_sort.cpu_ms / sort.cpu_ms);
  return 0;
}
