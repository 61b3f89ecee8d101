// Send benchmark: one merge run of N rows, or one message with a large attachment, through
// the composer's send step to a loopback SMTP server. Prints seconds (and the peak resident
// memory before and after for the large message); bench/send_bench.sh runs the peer.
//   send_bench merge PORT ROWS
//   send_bench big PORT FILE
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "compose/send_step.h"
#include "platform/codepage.h"
#include "store/account_file.h"

namespace {

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: send_bench merge PORT ROWS | big PORT FILE\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::filesystem::path app_dir =
      std::filesystem::temp_directory_path() / ("send-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(app_dir);
  state::MainState state(app_dir);
  store::AccountRecord a;
  a.AccountName = "alice";
  a.UserId = "alice";
  a.Password = "alicepw";
  a.SmtpServer = "127.0.0.1";
  a.OwnAddress = "alice@example.test";
  a.SmtpPort = argv[2];
  state.AccountList = {a.Line()};

  compose::ComposerFields f;
  f.sender_index = 0;
  f.sender_text = platform::Sjis("アリス <alice@example.test>");
  f.subject = platform::Sjis("ご案内 %TK2");
  f.body = platform::Sjis(
      "%TK2 様\r\n\r\nいつもお世話になっております。①の件、～月末までにご確認ください。\r\n"
      "ｶﾀｶﾅ ABC 123\r\n\r\n(%TK3)\r\n以上");
  if (mode == "merge") {
    const int rows = std::stoi(argv[3]);
    f.merge = true;
    for (int r = 0; r < rows; ++r) {
      f.merge_rows.push_back(platform::Sjis("bob@example.test,\"山田 太郎" + std::to_string(r) +
                                            "\",No." + std::to_string(r)));
    }
  } else {
    f.to = "bob@example.test";
    f.subject = "big attachment";
    f.attachments = {std::filesystem::absolute(argv[3]).string()};
  }
  const long rss_before = PeakRssKb();
  transport::TIdSMTP smtp;
  const auto start = std::chrono::steady_clock::now();
  const compose::SendOutcome out = compose::SendStep(state, smtp).Send(f);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::filesystem::remove_all(app_dir);
  if (out.status != compose::SendOutcome::kSent) {
    std::fprintf(stderr, "send failed: %s\n", platform::Cp932ToUtf8(out.message).c_str());
    return 1;
  }
  std::printf("seconds=%.4f messages=%d rss_before_kb=%ld rss_after_kb=%ld\n", seconds,
              out.rows_sent, rss_before, PeakRssKb());
  return 0;
}
