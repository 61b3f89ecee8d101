// Mail we send read by another mail reader: Python's email package parses what the writer
// makes of Japanese subjects, names, bodies and attachment names, prepared the way the
// composer prepares them, and must give back the text they were made from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "jtext/convert.h"
#include "jtext/header_encode.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "transport/byte_channel.h"
#include "transport/mime_reader.h"
#include "transport/mime_writer.h"
#include "transport/tcp_connection.h"

namespace transport {
namespace {

namespace fs = std::filesystem;

struct Letter {
  std::string subject;
  std::string from_name;
  std::vector<std::string> to_names;
  std::vector<std::string> body;
  std::vector<std::string> files;
};

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string Json(const std::vector<std::string>& v) {
  std::string out = "[";
  for (const auto& s : v) out += (out.size() > 1 ? "," : "") + Json(s);
  return out + "]";
}

class WriterOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("writer_oracle_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The message as the composer hands it over: subject and sender encoded into words,
  // recipients typed in Shift_JIS, the body converted to ISO-2022-JP, attachment names
  // encoded whole.
  std::string Wire(const Letter& l) {
    TIdMessage m;
    m.From.Address = "sender@example.jp";
    m.From.Name = jtext::EncodeHeaderWords(platform::Sjis(l.from_name));
    m.Subject = jtext::EncodeHeaderWords(platform::Sjis(l.subject));
    std::string to;
    for (std::size_t i = 0; i < l.to_names.size(); ++i) {
      std::string name = platform::Sjis(l.to_names[i]);
      to += (i > 0 ? ", \"" : "\"") + name + "\" <r" + std::to_string(i) + "@example.jp>";
    }
    m.Recipients.SetFromText(to);
    m.ContentType = "text/plain";
    m.CharSet = "ISO-2022-JP";
    std::string body;
    for (const auto& line : l.body) body += platform::Sjis(line) + "\r\n";
    body = jtext::ConvertCode(body, jtext::kCodeJis);
    for (std::size_t start = 0, p; (p = body.find("\r\n", start)) != std::string::npos;
         start = p + 2) {
      m.Body.push_back(body.substr(start, p - start));
    }
    for (const auto& file : l.files) {
      fs::path path = dir_ / ("f" + std::to_string(files_++));
      std::ofstream(path, std::ios::binary) << "data";
      TIdAttachment& a = m.Parts.AddAttachment(path.string());
      a.FileName = jtext::EncodeWholeWord(platform::Sjis(file));
    }
    TIdTCPConnection conn;
    auto channel = std::make_unique<MemoryChannel>("");
    auto written = channel->WrittenHandle();
    conn.OpenOnChannel(std::move(channel));
    WriteMessage(m, conn);
    return *written;
  }

  fs::path dir_;
  int files_ = 0;
  platform::FixedClock clock_{platform::EncodeDateTime(2026, 12, 1, 9, 5, 0), -540};
  platform::ScopedClock scoped_{clock_};
};

TEST_F(WriterOracleTest, PythonReadsBackTheJapaneseTextWeStartedFrom) {
  const std::vector<Letter> letters = {
      {"会議ｾﾐﾅｰのご案内",
       "山田 太郎",
       {"鈴木, 一郎", "ｶﾌﾞｼｷｶﾞｲｼｬ"},
       {"本文です。", "ｶﾞｷﾞｸﾞ ﾊﾟﾋﾟﾌﾟ ｳﾞ", ".ドットで始まる行"},
       {"請求書①.pdf"}},
      {"①～⑩の件について（確認）",
       "①株式会社～営業部",
       {"引用 さん"},
       {"～から①まで", "NEC特殊文字 ①②③ ㈱ №"},
       {"ｾﾐﾅｰ資料～最終版.xlsx"}},
      {"Re: 【重要】長い件名のテストです。日本語の文字列をたくさん並べて一つの符号化語に"
       "入りきらないようにする ASCII mixed 件名 with spaces and ｶﾀｶﾅ",
       "ｾﾐﾅｰ事務局",
       {"とても長い表示名をもつ受信者のかたがたへ送るためのテストです"},
       {"短い本文"},
       {"とても長いファイル名のテストとして日本語をたくさん並べたファイル名①.txt", "plain.txt"}},
      {"ｱｲｳｴｵ", "Plain Name", {"ASCII only"}, {"ascii body"}, {}},
  };
  std::string expected = "[";
  std::string files;
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const Letter& l = letters[i];
    fs::path path = dir_ / ("m" + std::to_string(i) + ".eml");
    std::ofstream(path, std::ios::binary) << Wire(l);
    files += " " + path.string();
    std::string body;
    for (const auto& line : l.body) body += line + "\n";
    expected += (i > 0 ? "," : "") + std::string("{\"subject\":") + Json(l.subject) +
                ",\"from\":" + Json(std::vector<std::string>{l.from_name}) +
                ",\"to\":" + Json(l.to_names) + ",\"body\":" + Json(body) +
                ",\"files\":" + Json(l.files) + "}";
  }
  expected += "]";
  std::ofstream(dir_ / "expected.json", std::ios::binary) << expected;
  const fs::path script = fs::path(__FILE__).parent_path() / "testdata" / "writer_oracle.py";
  std::string cmd =
      "python3 " + script.string() + " " + (dir_ / "expected.json").string() + files + " 2>&1";
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
  }
  EXPECT_EQ(out, "ok\n");
}

// Our own reader takes the names back from the same wire text: the RFC 2231 value wins over
// the encoded word beside it. "写真.JPG" encodes with a "/" in its base64 and "表" ends in the
// byte of a backslash: neither is taken for a path separator.
TEST_F(WriterOracleTest, OurReaderReadsTheAttachmentNamesBack) {
  Letter l{"件名",
           "山田",
           {"鈴木"},
           {"本文"},
           {"請求書①.pdf", "とても長いファイル名のテストとして日本語をたくさん並べたファイル名.txt",
            "plain.txt", "写真.JPG", "表ソ.txt"}};
  TIdMessage back;
  LoadFromBytes(back, Wire(l));
  std::vector<std::string> names;
  for (std::size_t i = 0; i < back.Parts.Count(); ++i) {
    if (back.Parts[i].Kind() != TIdPartKind::kAttachment) continue;
    names.push_back(static_cast<const TIdAttachment&>(back.Parts[i]).FileName);
  }
  std::vector<std::string> expected;
  for (const auto& f : l.files) expected.push_back(platform::Sjis(f));
  EXPECT_EQ(names, expected);
}

// The locale of the process decides nothing: Shift_JIS text goes out as ISO-2022-JP.
TEST_F(WriterOracleTest, CharsetIsIso2022JpWhateverTheLocale) {
  const char* old = std::getenv("LANG");
  std::string saved = old == nullptr ? "" : old;
  ::setenv("LANG", "en_US.UTF-8", 1);
  Letter l{"件名", "山田", {"鈴木"}, {"本文"}, {}};
  std::string wire = Wire(l);
  ::setenv("LANG", saved.c_str(), 1);
  EXPECT_EQ(wire.find("ISO-8859-1"), std::string::npos);
  EXPECT_NE(wire.find("To: =?ISO-2022-JP?B?GyRCTmtMWhsoQg==?= <r0@example.jp>"), std::string::npos)
      << wire;
}

}  // namespace
}  // namespace transport
