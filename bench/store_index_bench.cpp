// Times the sorted index list on 100,000 realistic folder index records: load and sort,
// finds, set state with save, unread count; and compares the load with a plain sort that
// calls the collator for every comparison, and with GNU sort -f on the same lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/collation.h"
#include "platform/filesystem.h"
#include "store/index_list.h"
#include "store/record.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kFinds = 1000;
constexpr int kRuns = 7;

std::vector<std::string> Pool(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* s : utf8) out.push_back(platform::Sjis(s));
  return out;
}

std::string Text(std::mt19937& rng, int n, const std::vector<std::string>& pool) {
  std::string s;
  for (int i = 0; i < n; ++i) s += pool[rng() % pool.size()];
  return s;
}

std::vector<std::string> MakeRecords() {
  std::mt19937 rng(20051201);
  const auto words = Pool({"お知らせ", "会議", "資料", "見積書",   "表計算", "ソフト", "能力",
                           "確認",     "予定", "変更", "【重要】", "Re:",    "ご案内", "請求書",
                           "ニュース", "週報", "出張", "申請",     "ｶﾀｶﾅ",   "ＡＢＣ"});
  const auto names = Pool({"山田 太郎", "鈴木 花子", "佐藤 一郎", "田中 ソフト", "高橋 表子",
                           "伊藤 能子", "ABC Shop", "info"});
  const char* domains[] = {"example.co.jp", "mail.example.ne.jp", "Example.COM", "news.example.jp"};
  std::vector<std::string> records;
  records.reserve(kRecords);
  for (int i = 0; i < kRecords; ++i) {
    char key[96];
    std::snprintf(key, sizeof key, "<%04d%02d%02d%06u.%08X@%s>",
                  2000 + static_cast<int>(rng() % 25), 1 + static_cast<int>(rng() % 12),
                  1 + static_cast<int>(rng() % 28), static_cast<unsigned>(rng() % 1000000),
                  static_cast<unsigned>(rng()), domains[rng() % 4]);
    char date[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d_%02d:%02d:%02d",
                  2000 + static_cast<int>(rng() % 25), 1 + static_cast<int>(rng() % 12),
                  1 + static_cast<int>(rng() % 28), static_cast<int>(rng() % 24),
                  static_cast<int>(rng() % 60), static_cast<int>(rng() % 60));
    std::string sender = names[rng() % names.size()] + " <user" + std::to_string(rng() % 500) +
                         "@" + domains[rng() % 4] + ">";
    records.push_back(
        store::JoinRecord({key, Text(rng, 2 + static_cast<int>(rng() % 4), words), sender, date,
                           std::to_string(1000 + rng() % 200000), rng() % 5 == 0 ? "1" : "2",
                           rng() % 10 == 0 ? "1" : std::to_string(2 + rng() % 6)}));
  }
  return records;
}

// CPU time of this thread: on a busy machine it shows the work apart from the waiting.
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double TimeMs(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double last_cpu_ms = 0;  // median CPU time of the last MedianMs call

double MedianMs(int runs, const std::function<void()>& f) {
  std::vector<double> times;
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    double start = ThreadCpuMs();
    times.push_back(TimeMs(f));
    cpu.push_back(ThreadCpuMs() - start);
  }
  last_cpu_ms = Median(cpu);
  return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  // "load" repeats only the load, for a profiler.
  const bool load_only = argc > 1 && std::string(argv[1]) == "load";
  namespace fs = std::filesystem;
  std::string tmpl = (fs::temp_directory_path() / "yubinko-bench-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) return 1;
  const fs::path dir = tmpl;
  platform::FileSystem files(dir);

  std::vector<std::string> records = MakeRecords();
  std::string text;
  for (const std::string& r : records) text += r + "\r\n";
  files.WriteFileAtomic("MsgID.ini", text);
  std::printf("index: %d records, %.1f MB, collation locale %s\n", kRecords,
              static_cast<double>(text.size()) / 1e6, platform::CollationLocale().c_str());

  store::IndexList list;
  if (load_only) {
    double ms = MedianMs(20, [&] { list.Load(files, "MsgID.ini"); });
    std::printf("load+sort: %.1f ms, cpu %.1f ms\n", ms, last_cpu_ms);
    fs::remove_all(dir);
    return 0;
  }
  double load = MedianMs(kRuns, [&] { list.Load(files, "MsgID.ini"); });
  std::printf("load+sort:            %8.1f ms, cpu %.1f ms (median of %d; goal < 150)\n", load,
              last_cpu_ms, kRuns);

  std::mt19937 rng(7);
  std::vector<std::string> wanted;
  for (int i = 0; i < kFinds; ++i) {
    std::string key = store::GetField(records[rng() % records.size()], 0);
    if (i % 2 == 1) std::transform(key.begin(), key.end(), key.begin(), ::toupper);
    if (i % 10 == 9) key += "x";  // a few misses
    wanted.push_back(key);
  }
  // The first find after a load prepares the lookup over field 0.
  double first_find = MedianMs(1, [&] { list.Find(wanted[0]); });
  std::printf("first find after load: %7.1f ms, cpu %.1f ms\n", first_find, last_cpu_ms);
  int found = 0;
  double finds = MedianMs(kRuns, [&] {
    found = 0;
    for (const std::string& k : wanted) found += list.Find(k) >= 0;
  });
  std::printf("%d finds:           %8.2f ms (%.1f us each, %d found)\n", kFinds, finds,
              finds * 1000 / kFinds, found);

  double save = MedianMs(kRuns, [&] { list.Save(files, "MsgID.ini"); });
  std::printf("save:                 %8.1f ms, cpu %.1f ms (median of %d; goal < 50)\n", save,
              last_cpu_ms, kRuns);

  int flip = 0;
  double set_state = MedianMs(kRuns, [&] {
    const std::string& key = wanted[static_cast<size_t>(flip++) % wanted.size()];
    store::SetState(list, key, flip % 2 ? "2" : "3", files, "MsgID.ini");
  });
  std::printf("set state + save:     %8.1f ms, cpu %.1f ms (median of %d)\n", set_state,
              last_cpu_ms, kRuns);

  int unread = 0;
  double count = MedianMs(kRuns, [&] { unread = list.UnreadCount(); });
  std::printf("unread count:         %8.2f ms, cpu %.2f ms (%d unread)\n", count, last_cpu_ms,
              unread);

  // Peer 1: the same sort comparing with the collator each time instead of sort keys.
  double naive = MedianMs(3, [&] {
    std::vector<std::string> copy = records;
    std::stable_sort(copy.begin(), copy.end(), [](const std::string& a, const std::string& b) {
      return platform::CompareText(a, b, true) < 0;
    });
  });
  std::printf("peer: collator-compare sort %8.1f ms (load+sort is %.1fx faster)\n", naive,
              naive / load);

  // Peer 2: GNU sort -f on the UTF-8 form of the same lines, in the same locale.
  std::string utf8 = platform::Cp932ToUtf8(text);
  platform::WriteFileAtomic(dir / "utf8.txt", utf8);
  std::string cmd = "LC_ALL=ja_JP.UTF-8 sort -f -u " + (dir / "utf8.txt").string() + " -o " +
                    (dir / "sorted.txt").string();
  double gnu = MedianMs(3, [&] {
    if (std::system(cmd.c_str()) != 0) std::printf("sort failed\n");
  });
  std::printf("peer: GNU sort -f -u (process) %8.1f ms (ratio load+sort / sort: %.2f)\n", gnu,
              load / gnu);

  fs::remove_all(dir);
  return 0;
}
