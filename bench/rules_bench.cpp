// Message rule benchmark on generated data.
//  1. FindRule: 100 rules (subject and sender keywords, Japanese and ASCII) against 100,000
//     decoded subject/sender pairs, in pairs per second; the peer, timed in the same run, is
//     `grep -F -c -f` with the same 100 keywords over the same 100,000 subject lines (a whole
//     process, bytes compared as bytes, LC_ALL=C), in lines per second.
//  2. The rule run over a folder of 10,000 records, each with its message file and every
//     fourth with an attachment directory, whose rules move half the messages into three
//     folders (one nested, one of another account) and delete none; timed from reading
//     rule.ini to the folder index written back. A fresh store is built for every run.
// Usage: rules_bench [RUNS]
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "rules/rule_file.h"
#include "rules/rule_matcher.h"
#include "rules/rule_run.h"
#include "state/index_list.h"
#include "state/testing/fake_main_view.h"
#include "store/paths.h"
#include "store/record.h"

namespace {

using bench::Median;

using Clock = std::chrono::steady_clock;
using platform::Sjis;

constexpr int kPairs = 100000;
constexpr int kRules = 100;
constexpr int kFolderRecords = 10000;

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

std::vector<std::string> Pool(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* s : utf8) out.push_back(Sjis(s));
  return out;
}

// Subjects as the receive run stores them (spaces removed), senders as decoded.
struct Corpus {
  std::vector<std::string> subjects;
  std::vector<std::string> senders;
};

Corpus MakeCorpus(int n, unsigned seed) {
  std::mt19937 rng(seed);
  const auto words = Pool({"お知らせ", "会議",   "資料",   "見積書", "表計算", "ソフト", "能力",
                           "確認",     "予定",   "変更",   "【重要】", "Re:",  "ご案内", "請求書",
                           "ニュース", "週報",   "出張",   "申請",   "ｶﾀｶﾅ",   "ＡＢＣ", "Fw:",
                           "report",   "update", "議事録", "打合せ", "連絡",   "検討",   "発注"});
  const auto names = Pool({"山田太郎", "鈴木花子", "佐藤一郎", "田中ソフト", "高橋表子",
                           "伊藤能子", "ABC Shop", "info", "営業部", "総務課"});
  const char* domains[] = {"example.co.jp", "mail.example.ne.jp", "Example.COM", "news.example.jp"};
  Corpus c;
  c.subjects.reserve(static_cast<size_t>(n));
  c.senders.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    std::string subject;
    const int parts = 3 + static_cast<int>(rng() % 5);
    for (int p = 0; p < parts; ++p) subject += words[rng() % words.size()];
    subject += std::to_string(rng() % 1000);
    c.subjects.push_back(std::move(subject));
    c.senders.push_back(names[rng() % names.size()] + " <user" + std::to_string(rng() % 500) +
                        "@" + domains[rng() % 4] + ">");
  }
  return c;
}

// 100 keywords, most of which occur rarely so that a pair is usually checked against every
// rule: project codes and names that the corpus holds only in a few combinations.
std::vector<std::string> MakeKeywords(unsigned seed) {
  std::mt19937 rng(seed);
  const auto words = Pool({"会議", "資料", "見積書", "表計算", "ソフト", "能力", "予定", "週報",
                           "出張", "申請", "議事録", "打合せ", "発注", "請求書", "ＡＢＣ", "ｶﾀｶﾅ"});
  std::vector<std::string> keywords;
  for (int i = 0; i < kRules; ++i) {
    std::string k = words[rng() % words.size()] + words[rng() % words.size()];
    if (i % 3 == 0) k += std::to_string(rng() % 1000);
    keywords.push_back(std::move(k));
  }
  return keywords;
}

std::vector<std::string> MakeRuleLines(const std::vector<std::string>& keywords) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < keywords.size(); ++i) {
    // Every tenth rule looks at the sender, with a sender-shaped keyword.
    if (i % 10 == 9) {
      lines.push_back(Sjis("差出人\tuser") + std::to_string(i) + "@news\t" + Sjis("acct\\news"));
    } else {
      lines.push_back(Sjis("件名\t") + keywords[i] + "\t" + Sjis("acct\\sorted"));
    }
  }
  return lines;
}

void WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary);
  for (const std::string& l : lines) out << l << '\n';
}

// Runs a shell command with its output read back; returns the wall time in ms.
double RunProcess(const std::string& command, std::string& output) {
  const auto t0 = Clock::now();
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) {
    std::perror("popen");
    std::exit(1);
  }
  output.clear();
  char buf[256];
  while (std::fgets(buf, sizeof buf, p) != nullptr) output += buf;
  const int status = ::pclose(p);
  const auto t1 = Clock::now();
  // grep exits 1 when nothing matched; anything else is a failure of the peer.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    std::fprintf(stderr, "peer failed: %s\n", command.c_str());
    std::exit(1);
  }
  return Ms(t0, t1);
}

void BenchFindRule(int runs) {
  const Corpus corpus = MakeCorpus(kPairs, 20261209);
  const std::vector<std::string> keywords = MakeKeywords(77);
  const std::vector<std::string> lines = MakeRuleLines(keywords);

  std::vector<double> build_ms, find_ms, grep_ms;
  int found = 0;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = Clock::now();
    rules::RuleSet set(lines);
    const auto t1 = Clock::now();
    found = 0;
    for (int i = 0; i < kPairs; ++i) {
      if (set.FindRule(corpus.subjects[static_cast<size_t>(i)],
                       corpus.senders[static_cast<size_t>(i)]) >= 0) {
        ++found;
      }
    }
    const auto t2 = Clock::now();
    build_ms.push_back(Ms(t0, t1));
    find_ms.push_back(Ms(t1, t2));
  }

  platform::testing::TempAppDir dir;
  const auto subjects_file = dir.path() / "subjects.txt";
  const auto keywords_file = dir.path() / "keywords.txt";
  WriteLines(subjects_file, corpus.subjects);
  WriteLines(keywords_file, keywords);
  const std::string grep = "LC_ALL=C grep -F -c -f '" + keywords_file.string() + "' '" +
                           subjects_file.string() + "'";
  std::string grep_count;
  RunProcess(grep, grep_count);  // warm the page cache and the binary
  for (int r = 0; r < runs; ++r) grep_ms.push_back(RunProcess(grep, grep_count));

  const double find = Median(find_ms);
  const double peer = Median(grep_ms);
  const double pairs_per_s = kPairs / (find / 1000.0);
  const double lines_per_s = kPairs / (peer / 1000.0);
  std::printf("FindRule: %d rules over %d subject/sender pairs, median of %d runs\n", kRules,
              kPairs, runs);
  std::printf("  rule set build          %8.2f ms\n", Median(build_ms));
  std::printf("  FindRule                %8.2f ms  %12.0f pairs/s  (%d pairs matched a rule)\n",
              find, pairs_per_s, found);
  std::printf("  peer grep -F -c -f      %8.2f ms  %12.0f lines/s  (%s lines held a keyword)\n",
              peer, lines_per_s, grep_count.substr(0, grep_count.find('\n')).c_str());
  std::printf("  ratio FindRule / grep   %8.2f (goal >= 0.5)\n", pairs_per_s / lines_per_s);
}

void PlainWrite(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// A folder "受信\acct\" of 10,000 records with files; half match one of three move rules.
void MakeFolder(const platform::FileSystem& fs, int n) {
  std::mt19937 rng(4242);
  const std::string folder = Sjis("受信\\acct\\");
  fs.ForceDirectories(folder);
  fs.ForceDirectories(Sjis("受信\\other\\"));
  const std::string body(2000, 'x');
  std::vector<std::string> records;
  records.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const std::string key = "<" + std::to_string(i) + "." + std::to_string(rng()) + "@example.jp>";
    std::string subject;
    switch (i % 6) {
      case 0: subject = Sjis("【重要】会議のお知らせ"); break;
      case 1: subject = Sjis("週報") + std::to_string(i); break;
      case 2: subject = Sjis("ニュース配信"); break;
      default: subject = Sjis("ご案内") + std::to_string(i); break;
    }
    const std::string sender = "user" + std::to_string(i % 50) + "@example.jp";
    // Plain writes: the store's atomic, flushed writes would make the setup take minutes.
    PlainWrite(fs.Native(store::MessageFilePath(folder, key)), body);
    if (i % 4 == 0) {
      const std::string attachments = store::AttachmentDirectory(folder, key);
      fs.ForceDirectories(attachments);
      PlainWrite(fs.Native(attachments + "doc.pdf"), body);
    }
    records.push_back(store::JoinRecord({key, subject, sender, "2026/12/01_10:00:00", "2000",
                                         i % 4 == 0 ? "1" : "2", i % 3 == 0 ? "1" : "2"}));
  }
  state::SaveLines(fs, store::FolderIndexPath(folder), records);
  rules::SaveRuleLines(fs, {Sjis("件名\t会議\tacct\\meetings"), Sjis("件名\t週報\tacct\\reports\\weekly"),
                            Sjis("件名\tニュース\tother")});
}

void BenchRuleRun(int runs) {
  std::vector<double> run_ms, setup_ms;
  int moved = 0;
  for (int r = 0; r < runs; ++r) {
    platform::testing::TempAppDir dir;
    state::MainState st(dir.path());
    const auto t0 = Clock::now();
    MakeFolder(st.fs, kFolderRecords);
    st.current_folder = Sjis("受信\\acct\\");
    st.account_dir = store::AccountDirectory(st.current_folder);
    st.folder_index.Load(st.fs, store::FolderIndexPath(st.current_folder));
    state::testing::FakeMainView view(&st);
    ::sync();  // the files of the setup are on disk before the timed run
    const auto t1 = Clock::now();
    const rules::RunResult result = rules::ApplyRulesToCurrentFolder(st, view);
    const auto t2 = Clock::now();
    moved = result.moved;
    if (static_cast<int>(st.folder_index.size()) + moved != kFolderRecords) {
      std::fprintf(stderr, "rule run lost records\n");
      std::exit(1);
    }
    setup_ms.push_back(Ms(t0, t1));
    run_ms.push_back(Ms(t1, t2));
  }
  std::printf("Rule run: %d-record folder, %d moved (files and attachment directories), "
              "median of %d runs\n",
              kFolderRecords, moved, runs);
  std::printf("  store setup (not timed) %8.1f ms\n", Median(setup_ms));
  std::printf("  rule run                %8.1f ms  (goal < 1000 ms)\n", Median(run_ms));
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  BenchFindRule(runs);
  BenchRuleRun(runs);
  return 0;
}
