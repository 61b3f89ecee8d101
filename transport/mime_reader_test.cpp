// The MIME reader over whole input and over a connection that delivers a few bytes at a time.
#include "transport/mime_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "jtext/base64.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/tempfiles.h"
#include "transport/byte_channel.h"
#include "transport/message_exceptions.h"
#include "transport/message_text.h"
#include "transport/tcp_connection.h"

namespace transport {
namespace {

namespace fs = std::filesystem;

std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Feeds a message as POP3 delivers it (ending in a "." line) either from memory or through a
// connection over a channel handing out `chunk` bytes per receive.
struct Feed {
  const char* name;
  std::size_t chunk;  // 0: the memory line source
};

class MimeReaderTest : public ::testing::TestWithParam<Feed> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mime_reader_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    platform::SetTempDirectoryForTesting(dir_);
  }
  void TearDown() override {
    platform::SetTempDirectoryForTesting({});
    fs::remove_all(dir_);
  }

  // Reads `wire` (CR LF lines, without the final ".") into msg_.
  void Read(const std::string& wire) {
    std::string data = wire + ".\r\n";
    if (GetParam().chunk == 0) {
      MemoryLineSource source(data, false);
      if (ReadHeader(msg_, source) != ".") ReadBody(msg_, source);
    } else {
      TIdTCPConnection conn;
      conn.OpenOnChannel(std::make_unique<MemoryChannel>(data, GetParam().chunk));
      if (ReadHeader(msg_, conn) != ".") ReadBody(msg_, conn);
    }
  }

  std::size_t TempFileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
  TIdMessage msg_;
};

const TIdText& TextAt(const TIdMessage& m, std::size_t i) {
  EXPECT_EQ(m.Parts[i].Kind(), TIdPartKind::kText);
  return static_cast<const TIdText&>(m.Parts[i]);
}
const TIdAttachment& AttachmentAt(const TIdMessage& m, std::size_t i) {
  EXPECT_EQ(m.Parts[i].Kind(), TIdPartKind::kAttachment);
  return static_cast<const TIdAttachment&>(m.Parts[i]);
}

TEST_P(MimeReaderTest, MultipartKeepsPreambleAndEpilogueInBodyAndDecodesParts) {
  Read(
      Crlf("From: a@example.com\n"
           "Subject: parts\n"
           "Content-Type: multipart/mixed;\n"
           "\tboundary=\"XX\"\n"
           "\n"
           "preamble line\n"
           "--XX\n"
           "Content-Type: text/plain; charset=iso-8859-1\n"
           "Content-Transfer-Encoding: quoted-printable\n"
           "\n"
           "caf=E9 au =\n"
           "lait  \n"
           "..two dots\n"
           "--XX\n"
           "Content-Type: application/octet-stream; name=\"data.bin\"\n"
           "Content-Transfer-Encoding: base64\n"
           "Content-Disposition: attachment; filename=\"data.bin\"\n"
           "\n"
           "AAEC/w==\n"
           "QUJD\n"
           "--XX--\n"
           "epilogue line\n"));
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"preamble line", "epilogue line"}));
  ASSERT_EQ(msg_.Parts.Count(), 2u);
  const TIdText& text = TextAt(msg_, 0);
  // Quoted-printable lines are decoded, not dot-unstuffed; the soft break joins two lines.
  EXPECT_EQ(text.Body, (std::vector<std::string>{"caf\xE9 au lait", "..two dots"}));
  EXPECT_EQ(text.ContentType(), "text/plain; charset=iso-8859-1");
  const TIdAttachment& att = AttachmentAt(msg_, 1);
  EXPECT_EQ(att.FileName, "data.bin");
  EXPECT_EQ(FileBytes(att.StoredPath), std::string("\x00\x01\x02\xff"
                                                   "ABC",
                                                   7));
  struct stat st {};
  ASSERT_EQ(::stat(att.StoredPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(fs::path(att.StoredPath).parent_path(), dir_);
  EXPECT_TRUE(msg_.MIMEBoundary.empty());
}

TEST_P(MimeReaderTest, NestedMultipartYieldsContainerTextAndInnerParts) {
  Read(
      Crlf("Content-Type: multipart/mixed; boundary=outer\n"
           "\n"
           "--outer\n"
           "Content-Type: multipart/alternative; boundary=\"inner\"\n"
           "\n"
           "--inner\n"
           "Content-Type: text/plain\n"
           "\n"
           "plain text\n"
           ".leading dot\n"
           "--inner\n"
           "Content-Type: text/html\n"
           "\n"
           "<p>html</p>\n"
           "--inner--\n"
           "--outer\n"
           "Content-Type: image/png; name=\"x.png\"\n"
           "Content-Disposition: inline; filename=\"pic.png\"\n"
           "Content-Transfer-Encoding: base64\n"
           "\n"
           "iVBO\n"
           "--outer--\n"));
  // The multipart/alternative container is read as a text part holding its (empty) preamble.
  ASSERT_EQ(msg_.Parts.Count(), 4u);
  EXPECT_TRUE(TextAt(msg_, 0).Body.empty());
  EXPECT_EQ(TextAt(msg_, 1).Body, (std::vector<std::string>{"plain text", "leading dot"}));
  EXPECT_EQ(TextAt(msg_, 2).Body, (std::vector<std::string>{"<p>html</p>"}));
  EXPECT_EQ(AttachmentAt(msg_, 3).FileName, "pic.png");
  EXPECT_EQ(FileBytes(AttachmentAt(msg_, 3).StoredPath), "\x89PN");
  EXPECT_TRUE(msg_.Body.empty());
}

// Most single-part mail today is base64 or quoted-printable UTF-8: it is transfer-decoded
// into the body, and the body text comes out in Shift_JIS by the declared charset.
TEST_P(MimeReaderTest, SingleEncodedBodiesAreDecodedAndConvertedByTheirCharset) {
  Read(
      Crlf("Content-Type: text/plain; charset=utf-8\n"
           "Content-Transfer-Encoding: base64\n"
           "\n"
           "44OG44K544OIDQrooYwy\n"
           "\n"));
  EXPECT_EQ(msg_.Parts.Count(), 0u);
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"テスト", "行2"}));
  EXPECT_EQ(BodyTextSjis(msg_), platform::Sjis("テスト\r\n行2\r\n"));

  msg_.Clear();
  Read(
      Crlf("Content-Type: text/plain; charset=\"UTF-8\"\n"
           "Content-Transfer-Encoding: quoted-printable\n"
           "\n"
           "=E3=83=86=E3=82=B9=E3=83=88 soft=\n"
           "break\n"
           "=E8=A1=8C2\n"));
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"テスト softbreak", "行2"}));
  EXPECT_EQ(BodyTextSjis(msg_), platform::Sjis("テスト softbreak\r\n行2\r\n"));

  // A single body that is a file becomes an attachment.
  msg_.Clear();
  Read(
      Crlf("Content-Type: application/pdf; name=\"a.pdf\"\n"
           "Content-Transfer-Encoding: base64\n"
           "\n"
           "JVBERg==\n"));
  ASSERT_EQ(msg_.Parts.Count(), 1u);
  EXPECT_EQ(AttachmentAt(msg_, 0).FileName, "a.pdf");
  EXPECT_EQ(FileBytes(AttachmentAt(msg_, 0).StoredPath), "%PDF");
  EXPECT_TRUE(msg_.Body.empty());
}

// The body text converts a plain UTF-8 body and each text part by its own charset; malformed
// UTF-8 keeps its bytes instead of vanishing.
TEST_P(MimeReaderTest, BodyTextConvertsEachPartByItsOwnCharset) {
  Read(
      Crlf("Content-Type: text/plain; charset=UTF-8\n"
           "\n"
           "日本語\n"));
  EXPECT_EQ(BodyTextSjis(msg_), platform::Sjis("日本語\r\n"));
  msg_.Clear();
  Read(
      Crlf("Content-Type: multipart/alternative; boundary=b\n"
           "\n"
           "--b\n"
           "Content-Type: text/plain; charset=iso-2022-jp\n"
           "\n"
           "\x1b$B%F%9%H\x1b(B\n"
           "--b\n"
           "Content-Type: text/html; charset=utf-8\n"
           "Content-Transfer-Encoding: base64\n"
           "\n"
           "44OG44K544OI\n"
           "--b\n"
           "Content-Type: text/plain; charset=utf-8\n"
           "\n"
           "bad \xE3\x83 utf-8\n"
           "--b--\n"));
  EXPECT_EQ(BodyTextSjis(msg_), platform::Sjis("テスト\r\n\r\n========\r\nテスト\r\n"
                                               "\r\n========\r\n") +
                                    "bad \xE3\x83 utf-8\r\n");
}

// From, To, Cc and Reply-To keep what can be read; a malformed address never makes the
// message unreadable.
TEST_P(MimeReaderTest, MalformedAddressesKeepWhatCanBeRead) {
  Read(
      Crlf("From: <a@example.com> b@example.com\n"
           "To: \"T\" <t@example.com> x@y, ok@example.com\n"
           "Cc: <c@example.com> d@example.com\n"
           "Reply-To: <r@example.com> s@example.com\n"
           "Subject: still here\n"
           "\n"
           "body\n"));
  EXPECT_EQ(msg_.From.Address, "a@example.com");
  EXPECT_EQ(msg_.From.Name, "b@example.com");
  ASSERT_EQ(msg_.Recipients.Count(), 2u);
  EXPECT_EQ(msg_.Recipients[0].Address, "t@example.com");
  EXPECT_EQ(msg_.Recipients[1].Address, "ok@example.com");
  ASSERT_EQ(msg_.CCList.Count(), 1u);
  EXPECT_EQ(msg_.CCList[0].Address, "c@example.com");
  ASSERT_EQ(msg_.ReplyTo.Count(), 1u);
  EXPECT_EQ(msg_.ReplyTo[0].Address, "r@example.com");
  EXPECT_EQ(msg_.Subject, "still here");
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"body"}));
  // The item parser itself still refuses such text when not asked to be lenient.
  TIdEMailAddressItem item;
  EXPECT_THROW(item.SetText("<a@example.com> b@example.com"), EIdEmailParseError);
}

// RFC 2231 names: one encoded value, numbered pieces (encoded or not), other charsets, and
// the name of the content type when the disposition has none.
TEST_P(MimeReaderTest, Rfc2231FileNamesAreRead) {
  Read(
      Crlf("Content-Type: multipart/mixed; boundary=b\n"
           "\n"
           "--b\n"
           "Content-Type: application/pdf\n"
           "Content-Disposition: attachment; filename*=UTF-8''%E8%AB%8B%E6%B1%82.pdf\n"
           "\n"
           "x\n"
           "--b\n"
           "Content-Type: application/pdf\n"
           "Content-Disposition: attachment;\n"
           " filename*0*=UTF-8''%E8%AB;\n"
           " filename*1*=%8B%E6%B1%82;\n"
           " filename*2=\"-2.pdf\"\n"
           "\n"
           "x\n"
           "--b\n"
           "Content-Type: text/plain; name*=ISO-2022-JP''%1B%24B%25F%259%25H%1B%28B.txt\n"
           "Content-Disposition: attachment; filename=\"=?ISO-2022-JP?B?GyRCJUYbKEI=?=\";\n"
           " filename*=ISO-2022-JP''%1B%24B%25F%259%25H%1B%28B.txt\n"
           "\n"
           "x\n"
           "--b\n"
           "Content-Type: text/plain; name*=ISO-2022-JP''%1B%24B%25F%259%25H%1B%28B.txt\n"
           "Content-Disposition: attachment\n"
           "\n"
           "x\n"
           "--b--\n"));
  ASSERT_EQ(msg_.Parts.Count(), 4u);
  EXPECT_EQ(AttachmentAt(msg_, 0).FileName, platform::Sjis("請求.pdf"));
  EXPECT_EQ(AttachmentAt(msg_, 1).FileName, platform::Sjis("請求-2.pdf"));
  EXPECT_EQ(AttachmentAt(msg_, 2).FileName, platform::Sjis("テスト.txt"));
  EXPECT_EQ(AttachmentAt(msg_, 3).FileName, platform::Sjis("テスト.txt"));
}

// Hostile headers cost linear time: a subject folded over a great many lines and a value full
// of encoded-word starts that never end (each used to cost a scan to the end of the value).
TEST_P(MimeReaderTest, HostileHeadersAreReadInLinearTime) {
  std::string wire = "Subject: start\r\n";
  for (int i = 0; i < 100000; ++i) wire += " folded\r\n";
  auto folded = [](const std::string& name, const std::string& piece) {
    std::string header = name + ":";
    for (int line = 0; line < 100; ++line) {
      header += " ";
      for (int i = 0; i < 1000; ++i) header += piece;
      header += "\r\n";
    }
    return header;
  };
  wire += folded("To", "=?ISO") + folded("Cc", "=?WINDOWS-1252?Q") + "\r\nbody\r\n";
  Read(wire);
  EXPECT_EQ(msg_.Subject.size(), 5u + 100000u * 7u);
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"body"}));
}

TEST_P(MimeReaderTest, InlinePartWithNameIsAnAttachmentAndNamelessOneGetsFallback) {
  Read(
      Crlf("Content-Type: multipart/mixed; boundary=b\n"
           "\n"
           "--b\n"
           "Content-Type: text/plain; name=\"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=.txt\"\n"
           "Content-Disposition: inline\n"
           "\n"
           "hello\n"
           "--b\n"
           "Content-Type: application/pdf\n"
           "Content-Disposition: attachment\n"
           "\n"
           "raw\n"
           "--b--\n"));
  ASSERT_EQ(msg_.Parts.Count(), 2u);
  EXPECT_EQ(AttachmentAt(msg_, 0).FileName, "\x83\x65\x83\x58\x83\x67.txt");  // テスト.txt
  // The line break before the boundary belongs to the boundary, not to the file.
  EXPECT_EQ(FileBytes(AttachmentAt(msg_, 0).StoredPath), "hello");
  EXPECT_EQ(AttachmentAt(msg_, 1).FileName, "attachment2.pdf");
}

TEST_P(MimeReaderTest, UuencodedBlockBecomesAttachmentAndReadingGoesOn) {
  // "Cat" uuencoded, then an xxencoded full line.
  Read(
      Crlf("Subject: uu\n"
           "\n"
           "before\n"
           "begin 644 cat.txt\n"
           "#0V%T\n"
           "`\n"
           "end\n"
           "after\n"));
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"before", "after"}));
  ASSERT_EQ(msg_.Parts.Count(), 1u);
  EXPECT_EQ(AttachmentAt(msg_, 0).FileName, "cat.txt");
  EXPECT_EQ(FileBytes(AttachmentAt(msg_, 0).StoredPath), "Cat");

  // Nothing after the space that ends "begin 644 ": still a block, under a made-up name.
  msg_.Clear();
  Read(Crlf("Subject: uu\n\nbefore\nbegin 644 \n#0V%T\nend\nafter\n"));
  EXPECT_EQ(msg_.Body, (std::vector<std::string>{"before", "after"}));
  ASSERT_EQ(msg_.Parts.Count(), 1u);
  EXPECT_EQ(AttachmentAt(msg_, 0).FileName, "attachment1.dat");
  EXPECT_EQ(FileBytes(AttachmentAt(msg_, 0).StoredPath), "Cat");
}

TEST_P(MimeReaderTest, BrokenInputRaisesDocumentedErrorsAndLeavesNoTempFile) {
  const std::string head = "Content-Type: multipart/mixed; boundary=b\n\n--b\n";
  EXPECT_THROW(
      {
        try {
          Read(Crlf(head + "Content-Type: application/x; name=a\n"
                           "Content-Transfer-Encoding: base64\n\nQUJDR\n--b--\n"));
        } catch (const EIdException& e) {
          EXPECT_STREQ(e.what(), "Uneven size in DecodeToStream.");
          throw;
        }
      },
      EIdException);
  msg_.Clear();
  try {
    Read(Crlf(head + "Content-Type: text/plain\n"));  // the message ends inside the header
    FAIL() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_STREQ(e.what(), "Unknown Message Part Type.");
  }
  msg_.Clear();
  try {
    Read(Crlf("Subject: x\n\nbegin 644 f\n~~~~\nend\n"));
    FAIL() << "no exception";
  } catch (const EIdException& e) {
    EXPECT_STREQ(e.what(), "Unrecognized UUE encoding scheme.");
  }
  EXPECT_EQ(TempFileCount(), 0u);
}

TEST_P(MimeReaderTest, HeaderFieldsAreParsedAndFromDecodesOnlyIsoWords) {
  Read(
      Crlf("Message-ID: <id@example.jp>\n"
           "From: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= <taro@example.jp>\n"
           "To: =?UTF-8?B?44OG44K544OI?= <u@example.com>, b@example.com\n"
           "Reply-To: \"R\" <r@example.com>\n"
           "Subject: =?iso-2022-jp?q?=1B$B%F%9%H=1B(B?=\n"
           "Date: Tue, 01 Dec 2026 10:00:00 +0900\n"
           "X-Priority: 1\n"
           "\n"
           "body\n"));
  EXPECT_EQ(msg_.MessageId, "<id@example.jp>");
  EXPECT_EQ(msg_.From.Name, "\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(msg_.From.Address, "taro@example.jp");
  ASSERT_EQ(msg_.Recipients.Count(), 2u);
  EXPECT_EQ(msg_.Recipients[0].Name, "=?UTF-8?B?44OG44K544OI?=");
  EXPECT_EQ(msg_.ReplyTo[0].Address, "r@example.com");
  EXPECT_EQ(msg_.Subject, "\x83\x65\x83\x58\x83\x67");
  EXPECT_DOUBLE_EQ(msg_.Date, platform::EncodeDateTime(2026, 12, 1, 10, 0, 0));
  EXPECT_EQ(msg_.Priority, mpHighest);
  EXPECT_EQ(msg_.Headers.Count(), 7u);
  EXPECT_EQ(msg_.Headers[3], "Reply-To: \"R\" <r@example.com>");
}

TEST_P(MimeReaderTest, NoDecodeKeepsEveryBodyLineRaw) {
  msg_.NoDecode = true;
  Read(
      Crlf("Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\n"
           "..x\n.y\n--b--\n"));
  EXPECT_EQ(msg_.Parts.Count(), 0u);
  EXPECT_EQ(msg_.Body,
            (std::vector<std::string>{"--b", "Content-Type: text/plain", "", ".x", ".y", "--b--"}));
}

INSTANTIATE_TEST_SUITE_P(Feeds, MimeReaderTest,
                         ::testing::Values(Feed{"Whole", 0}, Feed{"OneByte", 1},
                                           Feed{"ThreeBytes", 3}, Feed{"SevenBytes", 7}),
                         [](const auto& info) { return std::string(info.param.name); });

// Stored files: end marker, missing final line break, dot rules and clean-up of attachments.
class LoadFromFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mime_load_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "tmp");
    platform::SetTempDirectoryForTesting(dir_ / "tmp");
  }
  void TearDown() override {
    platform::SetTempDirectoryForTesting({});
    fs::remove_all(dir_);
  }
  std::string Write(const std::string& bytes) {
    std::string path = (dir_ / "m.eml").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  fs::path dir_;
};

TEST_F(LoadFromFileTest, LastLineWithoutLineBreakStillEndsAndMissingFileRaises) {
  TIdMessage m;
  for (const char* ending : {"last", "last\r", "last\n", "last\r\n"}) {
    m.LoadFromFile(Write(std::string("Subject: s\r\n\r\nfirst\r\n") + ending));
    EXPECT_EQ(m.Body, (std::vector<std::string>{"first", "last"})) << ending;
  }
  m.LoadFromFile(Write("Subject: only header"));
  EXPECT_EQ(m.Subject, "only header");
  EXPECT_TRUE(m.Body.empty());
  try {
    m.LoadFromFile((dir_ / "missing.eml").string());
    FAIL();
  } catch (const EIdMessageCannotLoad& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot load message from file " + (dir_ / "missing.eml").string());
  }
}

TEST_F(LoadFromFileTest, AttachmentFilesGoWithTheMessageUnlessAskedToStay) {
  const std::string eml = Crlf(
      "Content-Type: multipart/mixed; boundary=b\n\n--b\n"
      "Content-Disposition: attachment; filename=a.txt\n\nabc\n--b--\n");
  std::string kept;
  {
    TIdMessage m;
    m.DeleteTempFiles = false;  // the caller keeps the files
    m.LoadFromFile(Write(eml));
    kept = static_cast<const TIdAttachment&>(m.Parts[0]).StoredPath;
    m.Clear();
    EXPECT_TRUE(fs::exists(kept));
  }
  EXPECT_TRUE(fs::exists(kept));
  fs::remove(kept);
  std::string cleared, destroyed;
  {
    TIdMessage m;  // by default the files go
    m.LoadFromFile(Write(eml));
    cleared = static_cast<const TIdAttachment&>(m.Parts[0]).StoredPath;
    m.Clear();
    m.LoadFromFile(Write(eml));
    destroyed = static_cast<const TIdAttachment&>(m.Parts[0]).StoredPath;
  }
  EXPECT_FALSE(fs::exists(cleared));
  EXPECT_FALSE(fs::exists(destroyed));
  TIdMessage m;
  m.LoadFromFile(Write(eml));
  std::string first = static_cast<const TIdAttachment&>(m.Parts[0]).StoredPath;
  m.LoadFromFile(Write(eml));  // loading clears the message first
  EXPECT_FALSE(fs::exists(first));
  EXPECT_TRUE(m.DeleteTempFiles);
  // Saving refuses an existing destination and marks the stored file as temporary.
  auto& att = static_cast<TIdAttachment&>(m.Parts[0]);
  att.DeleteTempFile = false;
  std::string dest = (dir_ / "saved.txt").string();
  EXPECT_TRUE(att.SaveToFile(dest));
  EXPECT_EQ(FileBytes(dest), "abc");
  EXPECT_TRUE(att.DeleteTempFile);
  EXPECT_THROW(att.SaveToFile(dest), EIdException);
}

// python3's email package writes random nested messages and tells which leaf parts it reads
// back; the reader must find the same texts and attachment bytes in the same order.
TEST_F(LoadFromFileTest, AgreesWithPythonOnRandomNestedMessages) {
  const std::string out = (dir_ / "corpus").string();
  // The sources are compiled by absolute path, so the generator is found beside this file.
  const std::string script =
      (fs::path(__FILE__).parent_path() / "testdata" / "make_mime_corpus.py").string();
  ASSERT_EQ(std::system(("python3 " + script + " " + out + " 40 20261208").c_str()), 0);
  auto hex = [](std::string_view bytes) {
    static const char* kDigits = "0123456789abcdef";
    std::string h;
    for (unsigned char c : bytes) {
      h += kDigits[c >> 4];
      h += kDigits[c & 15];
    }
    return h;
  };
  for (int i = 0; i < 40; ++i) {
    TIdMessage m;
    m.DeleteTempFiles = true;
    m.LoadFromFile(out + "/" + std::to_string(i) + ".eml");
    std::string ours;
    for (std::size_t k = 0; k < m.Parts.Count(); ++k) {
      const TIdMessagePart& part = m.Parts[k];
      if (part.Kind() == TIdPartKind::kAttachment) {
        const auto& a = static_cast<const TIdAttachment&>(part);
        ours += "attachment " + a.FileName + " " + hex(FileBytes(a.StoredPath)) + "\n";
      } else if (!part.ContentType().starts_with("multipart/")) {
        std::string text;
        for (const auto& line : static_cast<const TIdText&>(part).Body) text += line + "\n";
        while (text.ends_with("\n")) text.pop_back();
        ours += "text " + hex(text) + "\n";
      }
    }
    const std::string expected = FileBytes(out + "/" + std::to_string(i) + ".parts");
    // Lines cut short keep a failure readable; the full comparison follows.
    auto summary = [](const std::string& text) {
      std::vector<std::string> lines;
      for (std::size_t p = 0, e; (e = text.find('\n', p)) != std::string::npos; p = e + 1) {
        lines.push_back(text.substr(p, std::min<std::size_t>(e - p, 60)) + "... (" +
                        std::to_string(e - p) + ")");
      }
      return lines;
    };
    EXPECT_EQ(summary(ours), summary(expected)) << "message " << i;
    EXPECT_TRUE(ours == expected) << "message " << i;
  }
}

// A multipart that ends right after its own last part (a multipart) closes between parts; the
// attachment after it was once lost.
TEST_F(LoadFromFileTest, PartsAfterADoublyNestedMultipartAreFound) {
  TIdMessage m;
  m.DeleteTempFiles = true;
  m.LoadFromFile(
      (fs::path(__FILE__).parent_path() / "testdata" / "nested_multipart_closing.eml").string());
  std::vector<std::string> names;
  for (std::size_t i = 0; i < m.Parts.Count(); ++i) {
    if (m.Parts[i].Kind() == TIdPartKind::kAttachment) {
      names.push_back(static_cast<const TIdAttachment&>(m.Parts[i]).FileName);
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"i.png", "doc.pdf"}));
  EXPECT_TRUE(m.Body.empty());
  EXPECT_TRUE(m.MIMEBoundary.empty());
}

// With the line-length limit off, one base64 line of an attachment can be far larger than the
// reader's file buffer; it is decoded in pieces (it once ran over the buffer).
TEST_F(LoadFromFileTest, UnlimitedLineLengthBase64LineFillsTheFileExactly) {
  std::string bytes(700000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + i / 7);
  const std::string wire = Crlf(
                               "Content-Type: multipart/mixed; boundary=b\n\n--b\n"
                               "Content-Disposition: attachment; filename=big.bin\n"
                               "Content-Transfer-Encoding: base64\n\n") +
                           jtext::Base64Encode(bytes) + Crlf("\n--b--\n");
  platform::SetTempDirectoryForTesting(dir_);
  TIdMessage m;
  MemoryLineSource source(wire, /*as_stored_file=*/true, /*max_line_length=*/0);
  ASSERT_NE(ReadHeader(m, source), ".");
  ReadBody(m, source);
  platform::SetTempDirectoryForTesting({});
  ASSERT_EQ(m.Parts.Count(), 1u);
  EXPECT_TRUE(FileBytes(static_cast<const TIdAttachment&>(m.Parts[0]).StoredPath) == bytes);
}

TEST(MemoryLineSourceTest, LineLengthLimitCountsTheCarriageReturn) {
  // The source only views its bytes: they must outlive it.
  const std::string ok = std::string(16383, 'a') + "\r\n";
  const std::string too_long = std::string(16384, 'a') + "\r\n";
  const std::string bare_lf = std::string(16384, 'a') + "\n";
  MemoryLineSource a(ok, false);
  EXPECT_EQ(a.ReadLine().size(), 16383u);
  EXPECT_THROW(a.ReadLine(), EIdConnClosedGracefully);
  MemoryLineSource b(too_long, false);
  EXPECT_THROW(b.ReadLine(), EIdReadLnMaxLineLengthExceeded);
  MemoryLineSource c(bare_lf, false);
  EXPECT_EQ(c.ReadLine().size(), 16384u);
  MemoryLineSource d("x\r\r\n", false);
  EXPECT_EQ(d.ReadLine(), "x\r");
}

}  // namespace
}  // namespace transport
