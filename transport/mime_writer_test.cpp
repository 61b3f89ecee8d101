// The MIME writer: header layout, folding, encoded words, multipart layout, base64 lines and
// dot-stuffing; python3's email package reads the output back as an independent check.
#include "transport/mime_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/tempfiles.h"
#include "transport/byte_channel.h"
#include "transport/message_exceptions.h"
#include "transport/mime_reader.h"
#include "transport/tcp_connection.h"

namespace transport {
namespace {

namespace fs = std::filesystem;

class MimeWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mime_writer_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes `m` through a connection over memory and answers the bytes sent.
  std::string Write(TIdMessage& m, std::vector<std::string>* statuses = nullptr) {
    TIdTCPConnection conn;
    auto channel = std::make_unique<MemoryChannel>("");
    auto written = channel->WrittenHandle();
    conn.OpenOnChannel(std::move(channel));
    if (statuses != nullptr) {
      conn.OnStatus = [statuses](TIdStatus, const std::string& text) { statuses->push_back(text); };
    }
    WriteMessage(m, conn);
    return *written;
  }

  std::string MakeFile(const std::string& name, const std::string& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Runs a python3 script over the wire text (in a file, argv[1]); answers its output.
  std::string Python(const std::string& wire, const std::string& script) {
    std::string msg = MakeFile("wire.eml", wire);
    std::string py = MakeFile("check.py", script);
    std::string out;
    FILE* p = ::popen(("python3 " + py + " " + msg).c_str(), "r");
    if (p == nullptr) return "popen failed";
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
    return out;
  }

  fs::path dir_;
  platform::FixedClock clock_{platform::EncodeDateTime(2026, 12, 1, 9, 5, 0), -540};
  platform::ScopedClock scoped_{clock_};
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2) {
    lines.push_back(text.substr(start, p - start));
  }
  EXPECT_EQ(start, text.size()) << "output does not end with CR LF";
  return lines;
}

TEST_F(MimeWriterTest, PlainSendHasTheSystemsHeaderLayout) {
  TIdMessage m;
  m.Headers.Add("Message-ID: <20261201090500.abc@example.jp>");
  m.From.Address = "taro@example.jp";
  m.From.Name = "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?=";  // already encoded by the composer
  m.Subject = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";
  m.Recipients.SetFromText("hanako@example.jp");
  m.ReplyTo.SetFromText("reply@example.jp");
  m.References = "<parent@example.jp>";
  m.ContentType = "text/plain";
  m.CharSet = "ISO-2022-JP";
  m.Body = {"line one", ".", ".hidden", platform::Sjis("日本語ｶﾞ")};
  std::vector<std::string> statuses;
  std::vector<std::string> lines = Lines(Write(m, &statuses));
  std::vector<std::string> expected = {
      "Message-ID: <20261201090500.abc@example.jp>",
      "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <taro@example.jp>",
      "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=",
      "To: hanako@example.jp",
      "Content-Type: text/plain;",
      "\tcharset=\"ISO-2022-JP\"",
      "MIME-Version: 1.0",
      "Reply-To: reply@example.jp",
      "References: <parent@example.jp>",
      "Date: Tue, 1 Dec 2026 09:05:00 +0900",
      "",
      "line one",
      "..",
      "..hidden",
      "\x1b$BF|K\\8l%,\x1b(B",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Encoding text"}));
  // The content type is changed in place: building again appends the charset again.
  TIdHeaderList again = BuildHeader(m);
  EXPECT_EQ(again.GetValue("Content-Type"),
            "text/plain; charset=\"ISO-2022-JP\"; charset=\"ISO-2022-JP\"");
}

TEST_F(MimeWriterTest, RecipientNamesAreEncodedAndLongListsFolded) {
  TIdMessage m;
  m.From.Address = "a@example.jp";
  for (int i = 0; i < 6; ++i) {
    m.Recipients.Add({"user" + std::to_string(i) + "@example.com", platform::Sjis("山田 太郎")});
  }
  m.CCList.Add({"c@example.com", "Plain \"Q\" Name"});
  m.Subject =
      platform::Sjis("長い件名のテストです。") + " abc " +
      platform::Sjis("日本語の文字列をたくさん並べて一つの符号化語に入りきらないようにする");
  TIdHeaderList h = BuildHeader(m);
  for (const auto& line : h) {
    if (line.size() > 78) ADD_FAILURE() << "line over 78 columns: " << line;
  }
  EXPECT_EQ(h.GetValue("Cc"), "\"Plain \\\"Q\\\" Name\" <c@example.com>");
  std::string wire = Write(m);
  std::string out = Python(wire, R"(
import sys, email
from email.header import decode_header, make_header
from email.utils import getaddresses
m = email.message_from_bytes(open(sys.argv[1], 'rb').read())
print(str(make_header(decode_header(m['Subject']))))
for name, addr in getaddresses([str(make_header(decode_header(m['To'])))]):
    print(name + '|' + addr)
)");
  std::string expected =
      "長い件名のテストです。 abc "
      "日本語の文字列をたくさん並べて一つの符号化語に入りきらないようにする\n";
  for (int i = 0; i < 6; ++i) expected += "山田 太郎|user" + std::to_string(i) + "@example.com\n";
  EXPECT_EQ(out, expected);
}

TEST_F(MimeWriterTest, AttachmentsAreWrittenAsBase64PartsBetweenBoundaries) {
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += static_cast<char>(i * 7);
  TIdMessage m;
  m.From.Address = "a@example.jp";
  m.Recipients.SetFromText("b@example.jp");
  m.Subject = "files";
  m.CharSet = "ISO-2022-JP";
  m.Body = {"see attached", ".dot"};
  m.Parts.AddAttachment(MakeFile("data.bin", bytes));
  m.Parts.AddAttachment(MakeFile("note.txt", "note\r\n"));
  std::vector<std::string> statuses;
  std::string wire = Write(m, &statuses);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Encoding attachment", "Encoding attachment"}));
  std::vector<std::string> lines = Lines(wire);
  auto at = [&](const std::string& l) {
    return std::find(lines.begin(), lines.end(), l) - lines.begin();
  };
  const std::string b = kMixedBoundary;
  ASSERT_LT(at("MIME-Version: 1.0"), at(""));
  // The charset belongs to the text part, not to the multipart.
  ASSERT_LT(at("Content-Type: multipart/mixed; boundary=\"" + b + "\""), at(""));
  EXPECT_EQ(lines[at("--" + b) + 1], "Content-Type: text/plain; charset=\"ISO-2022-JP\"");
  std::size_t first = at("--" + b);
  ASSERT_LT(first, lines.size());
  EXPECT_EQ(lines[first - 2], "This is a multi-part message in MIME format");
  std::size_t data = at("        filename=\"data.bin\"") + 2;
  EXPECT_EQ(lines[data].size(), 76u);
  EXPECT_EQ(lines[data + 1].size(), 60u);
  EXPECT_EQ(lines[data + 2], "");
  EXPECT_EQ(lines.back(), "--" + b + "--");
  EXPECT_EQ(lines[at("see attached") + 1], "..dot");

  std::string out = Python(wire, R"(
import sys, email
m = email.message_from_bytes(open(sys.argv[1], 'rb').read())
for p in m.walk():
    if p.is_multipart(): continue
    print(p.get_content_type(), p.get_content_charset(), p.get_filename(),
          p.get_payload(decode=True).hex())
)");
  std::string hex;
  for (unsigned char c : bytes) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  EXPECT_EQ(out, "text/plain iso-2022-jp None " + std::string("736565206174746163686564") +
                     "0d0a2e2e646f740d0a\n"  // still dot-stuffed on the wire
                     "application/octet-stream None data.bin " +
                     hex +
                     "\n"
                     "application/octet-stream None note.txt 6e6f74650d0a\n");
}

TEST_F(MimeWriterTest, MissingAttachmentFileFailsAndUuRejectsTextParts) {
  TIdMessage m;
  m.From.Address = "a@example.jp";
  m.Parts.AddAttachment((dir_ / "gone.bin").string());
  EXPECT_THROW(Write(m), EIdException);
  TIdMessage uu;
  uu.SetEncoding(meUU);
  uu.Parts.AddText();
  try {
    BuildHeader(uu);
    FAIL();
  } catch (const EIdMessageException& e) {
    EXPECT_STREQ(e.what(), "Invalid Encoding. UU only allows Body and Attachments");
  }
}

TEST_F(MimeWriterTest, WrittenPartsReadBackThroughTheReader) {
  std::string bytes;
  for (int i = 0; i < 200; ++i) bytes += static_cast<char>(255 - i);
  for (TIdMessageEncoding encoding : {meMIME, meUU}) {
    TIdMessage m;
    m.SetEncoding(encoding);
    m.From.Address = "a@example.jp";
    m.Body = {"body", ".starts with a dot"};
    if (encoding == meMIME) {
      for (const char* type : {"text/plain", "text/html"}) {
        TIdText& t = m.Parts.AddText();
        t.SetContentType(type);
        t.Body = {std::string("in ") + type, "."};
      }
    }
    m.Parts.AddAttachment(MakeFile("blob.bin", bytes));
    std::string wire = Write(m);
    ASSERT_TRUE(wire.ends_with("\r\n"));
    platform::SetTempDirectoryForTesting(dir_);
    TIdMessage back;
    back.DeleteTempFiles = true;
    LoadFromBytes(back, wire);
    platform::SetTempDirectoryForTesting({});
    const TIdAttachment* att = nullptr;
    std::vector<std::vector<std::string>> texts;
    for (std::size_t i = 0; i < back.Parts.Count(); ++i) {
      if (back.Parts[i].Kind() == TIdPartKind::kAttachment) {
        att = &static_cast<const TIdAttachment&>(back.Parts[i]);
      } else {
        texts.push_back(static_cast<const TIdText&>(back.Parts[i]).Body);
      }
    }
    ASSERT_NE(att, nullptr) << encoding;
    EXPECT_EQ(att->FileName, "blob.bin");
    std::ifstream in(att->StoredPath, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes) << encoding;
    if (encoding == meMIME) {
      // Two text parts: no separate body part; dot-stuffed lines come back with one dot, and
      // the empty line before each boundary stays with the part before it.
      EXPECT_EQ(texts, (std::vector<std::vector<std::string>>{{"in text/plain", ".", ""},
                                                              {"in text/html", ".", ""}}));
    } else {
      EXPECT_EQ(back.Body, (std::vector<std::string>{"body", ".starts with a dot", ""}));
    }
  }
}

TEST_F(MimeWriterTest, NoEncodeWritesHeadersAndBodyUnchanged) {
  TIdMessage m;
  m.NoEncode = true;
  m.Headers.Add("Subject: raw \x1b$B%F\x1b(B");
  m.Body = {".", "x"};
  EXPECT_EQ(Write(m), "Subject: raw \x1b$B%F\x1b(B\r\n\r\n.\r\nx\r\n");
}

}  // namespace
}  // namespace transport
