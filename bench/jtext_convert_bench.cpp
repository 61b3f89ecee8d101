// Benchmark of the Japanese code conversion on a generated 16 MB text of mail bodies.
//   jtext_convert_bench corpus DIR   writes DIR/mail.sjis (Shift_JIS, CR LF lines)
//   jtext_convert_bench run DIR      times ConvertCode on DIR/mail.{jis,euc,sjis}
// The ISO-2022-JP and EUC-JP forms are made from mail.sjis by another converter
// (bench/jtext_convert.sh), so the decoders read text they did not write themselves.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "jtext/convert.h"
#include "platform/codepage.h"

namespace {

constexpr size_t kCorpusBytes = 16u << 20;
constexpr int kRuns = 9;

// Pieces of business and personal mail; joined at random they read like mail bodies:
// kanji and kana runs broken by ASCII names, numbers, addresses and line breaks.
const char* const kPhrases[] = {
    "お世話になっております。",
    "株式会社",
    "営業部の",
    "山田です。",
    "田中様",
    "先日はお忙しいところ",
    "ありがとうございました。",
    "来週の会議について",
    "ご連絡いたします。",
    "資料を添付いたしますので、",
    "ご確認のほどよろしくお願いいたします。",
    "見積書",
    "請求書",
    "納期は",
    "月末を予定しております。",
    "打ち合わせの日程ですが、",
    "いかがでしょうか。",
    "ご都合のよい日時を",
    "お知らせください。",
    "新製品の発表会",
    "東京本社",
    "大阪支店",
    "会場は",
    "３階の会議室です。",
    "昼食は",
    "こちらで用意いたします。",
    "取り急ぎ",
    "ご報告まで。",
    "今後とも",
    "よろしくお願い申し上げます。",
    "プロジェクト",
    "スケジュール",
    "テスト環境",
    "サーバーの",
    "メンテナンスを",
    "実施します。",
    "ご迷惑をおかけしますが、",
    "ご了承ください。",
    "議事録",
    "次回までに",
    "検討をお願いします。",
    "予算",
    "承認",
    "担当者",
    "電話番号",
    "住所変更のお知らせ",
    "年末年始の休業",
    "ご不明な点がございましたら",
    "お気軽にお問い合わせください。",
    "天気がよいので",
    "散歩に行きました。",
    "桜が満開でした。",
    "写真を送ります。",
    "元気ですか。",
};
const char* const kAscii[] = {
    "2026",
    "10:30",
    "3F",
    "PDF",
    "Excel",
    "v2.1",
    "No.12345",
    "TEL 03-1234-5678",
    "https://example.jp/info",
    "yamada@example.co.jp",
    "OK",
    "ID: A-77",
    "(",
    ")",
    "100",
    "50%",
    "Re:",
    "FYI",
    "Project X",
    "ver.3",
    "Room B",
    "15:00-16:00",
    "#42",
    "mail",
};

std::string MakeCorpus() {
  std::vector<std::string> phrases;
  for (const char* p : kPhrases) phrases.push_back(platform::Sjis(p));
  std::mt19937 rng(16);
  std::string text;
  text.reserve(kCorpusBytes + 256);
  size_t line = 0;
  while (text.size() < kCorpusBytes) {
    const unsigned pick = rng() % 10;
    if (pick < 7) {
      text += phrases[rng() % phrases.size()];
      line += 20;
    } else {
      text += kAscii[rng() % (sizeof kAscii / sizeof *kAscii)];
      text += ' ';
      line += 8;
    }
    if (line > 60 || rng() % 12 == 0) {
      text += rng() % 6 == 0 ? "\r\n\r\n" : "\r\n";
      line = 0;
    }
  }
  return text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

double MedianMegabytesPerSecond(const std::string& input, jtext::CodeClass target,
                                size_t* out_size) {
  std::vector<double> rates;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const std::string out = jtext::ConvertCode(input, target);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    *out_size = out.size();
    rates.push_back(static_cast<double>(input.size()) / (1 << 20) / took.count());
  }
  std::sort(rates.begin(), rates.end());
  return rates[rates.size() / 2];
}

int Run(const std::string& dir) {
  struct Case {
    const char* name;
    const char* file;
    jtext::CodeClass target;
  };
  const Case cases[] = {
      {"ISO-2022-JP -> Shift_JIS", "mail.jis", jtext::kCodeSjis},
      {"EUC-JP      -> Shift_JIS", "mail.euc", jtext::kCodeSjis},
      {"Shift_JIS   -> ISO-2022-JP", "mail.sjis", jtext::kCodeJis},
      {"EUC-JP      -> ISO-2022-JP", "mail.euc", jtext::kCodeJis},
  };
  std::printf("ConvertCode in-process, median of %d runs\n", kRuns);
  for (const auto& c : cases) {
    const std::string input = ReadFile(dir + "/" + c.file);
    size_t out_size = 0;
    const double rate = MedianMegabytesPerSecond(input, c.target, &out_size);
    std::printf("  %-28s %7.1f MB/s  (%zu -> %zu bytes)\n", c.name, rate, input.size(), out_size);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::string(argv[1]) != "corpus" && std::string(argv[1]) != "run")) {
    std::cerr << "usage: jtext_convert_bench corpus|run DIR\n";
    return 2;
  }
  const std::string dir = argv[2];
  if (std::string(argv[1]) == "corpus") {
    std::ofstream out(dir + "/mail.sjis", std::ios::binary);
    const std::string text = MakeCorpus();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return out ? 0 : 1;
  }
  return Run(dir);
}
