// Example stores.
#include "app/demo_store.h"

#include <cstdio>

#include "app/app_state.h"
#include "platform/codepage.h"

namespace app {

namespace {

std::string J(const char* utf8) { return platform::Sjis(utf8); }

std::string Record(const std::string& key, const char* subject, const char* from, const char* date,
                   const char* size, const char* attach, const char* state) {
  return JoinRecord({key, J(subject), J(from), date, size, attach, state});
}

}  // namespace

void WriteDemoStore(const platform::FileSystem& fs) {
  const std::string work = J("仕事用");
  SaveLines(fs, "Account.ini",
            {work + "\tpop.example.jp\ttaro\tsecret\tsmtp.example.jp\ttaro@example.jp\t110\t25\t0",
             J("個人") + "\tpop.example.net\ttaro2\tsecret\tsmtp.example.net\ttaro@example.net"
                         "\t110\t25\t0"});
  SaveLines(fs, "Yubinko.ini", {work});
  const std::string inbox = J("受信\\") + work + "\\";
  SaveLines(fs, inbox + "MsgID.ini",
            {Record("<m1@example.jp>", "【ご案内】来週の定例会議について",
                    "鈴木 一郎 <suzuki@example.jp>", "2026/12/07_09:12:45", "4821", "1", "1"),
             Record("<m2@example.jp>", "Re:見積書の送付", "佐藤商事 営業部 <sales@sato.example>",
                    "2026/12/06_17:40:02", "12034", "2", "1"),
             Record("<m3@example.jp>", "年末年始の営業日のお知らせ", "総務部 <soumu@example.jp>",
                    "2026/12/05_11:03:29", "2210", "2", "2"),
             Record("<m4@example.jp>", "【重要】システムメンテナンスのお知らせ",
                    "情報システム課 <it@example.jp>", "2026/12/04_08:30:00", "3399", "2", "3"),
             Record("<m5@example.jp>", "打ち合わせ資料（修正版）", "田中 花子 <hanako@example.jp>",
                    "2026/12/03_15:21:10", "98231", "1", "4"),
             Record("<m6@example.jp>", "忘年会の出欠確認", "山本 <yamamoto@example.jp>",
                    "2026/12/02_12:00:55", "1502", "2", "5"),
             Record("<m7@example.jp>", "Weekly Report 第48週", "report@example.jp",
                    "2026/12/01_18:45:12", "6620", "2", "2")});
  SaveLines(fs, inbox + "AlreadMsgID.ini",
            {"<m1@example.jp>", "<m2@example.jp>", "<m3@example.jp>", "<m4@example.jp>",
             "<m5@example.jp>", "<m6@example.jp>", "<m7@example.jp>"});
  fs.WriteFileAtomic(
      inbox + "0m1@example.jp9.txt",
      J("To=taro@example.jp\r\nReplyTo=\r\nCCList=\r\nMessage-ID=<m1@example.jp>\r\n"
        "References=\r\n差出人：鈴木 一郎 <suzuki@example.jp>\r\n"
        "件名：【ご案内】来週の定例会議について\r\n日時：2026/12/07_09:12:45\r\n"
        "ﾌｧｲﾙｻｲｽﾞ：4821\r\n-------------------\r\n"
        "山田様\r\n\r\nお疲れさまです。鈴木です。\r\n来週の定例会議の日程が決まりましたので"
        "ご案内します。\r\n\r\n　日時：12月14日（月）10:00～11:30\r\n　場所：本社 3階 "
        "第2会議室\r\n\r\n"
        "議題と資料は下記に置いてあります。\r\nhttp://intra.example.jp/meeting/2026-12-14.html\r\n"
        "\r\nよろしくお願いいたします。\r\n"));
  fs.ForceDirectories(inbox + "Attachment\\0m1@example.jp9\\");
  fs.WriteFileAtomic(inbox + "Attachment\\0m1@example.jp9\\" + J("議題.pdf"), "%PDF-1.4\n");
  for (const char* folder : {"取引先", "社内連絡", "メルマガ"}) {
    SaveLines(fs, inbox + J(folder) + "\\MsgID.ini", {});
  }
  SaveLines(fs, inbox + J("取引先") + "\\MsgID.ini",
            {Record("<t1@example.jp>", "ご発注ありがとうございます", "佐藤商事 <info@sato.example>",
                    "2026/11/30_10:00:00", "2048", "2", "1")});
  SaveLines(fs, J("受信\\個人\\MsgID.ini"),
            {Record("<p1@example.net>", "写真送ります", "母 <mama@example.net>",
                    "2026/12/06_20:15:00", "512000", "1", "1")});
  SaveLines(fs, J("送信\\Send.ini"),
            {Record("<s1@example.jp>", "Re:見積書の送付", "sales@sato.example", "2026/12/06_180000",
                    "#", "2", "#")});
}

std::vector<std::string> MakeRecords(int n) {
  static const char* const kSubjects[] = {"会議の案内",    "Re: 見積もり", "お知らせ",
                                          "Weekly report", "請求書送付",   "ｾｰﾙ情報"};
  static const char* const kSenders[] = {"鈴木 <s@example.jp>", "tanaka@example.jp",
                                         "Sato <sato@example.com>"};
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(n));
  std::vector<std::string> subjects, senders;
  for (const char* s : kSubjects) subjects.push_back(J(s));
  for (const char* s : kSenders) senders.push_back(J(s));
  char key[64], date[32], size[16];
  for (int i = 0; i < n; ++i) {
    unsigned h = static_cast<unsigned>(i) * 2654435761u;
    std::snprintf(key, sizeof key, "<%08x.%d@bench.example>", h, i);
    std::snprintf(date, sizeof date, "20%02u/%02u/%02u_%02u:%02u:%02u", 10 + h % 16, 1 + h % 12,
                  1 + (h >> 8) % 28, (h >> 4) % 24, (h >> 12) % 60, (h >> 16) % 60);
    std::snprintf(size, sizeof size, "%u", 200 + (h >> 5) % 200000);
    out.push_back(JoinRecord({key, subjects[h % subjects.size()] + std::to_string(i % 977),
                              senders[(h >> 3) % senders.size()], date, size, (h & 16) ? "1" : "2",
                              std::to_string(1 + (h >> 7) % 7)}));
  }
  return out;
}

}  // namespace app
