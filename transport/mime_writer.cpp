// Header building and message writing.
#include "transport/mime_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "jtext/base64.h"
#include "platform/codepage.h"
#include "transport/date_parse.h"
#include "transport/message_exceptions.h"
#include "transport/mime_strings.h"
#include "transport/tcp_connection.h"

namespace transport {
namespace {

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Collects wire text and hands it to the connection in large pieces.
class WireWriter {
 public:
  explicit WireWriter(TIdTCPConnection& connection) : connection_(connection) {
    out_.reserve(kChunk + 1024);
  }
  ~WireWriter() = default;
  void Line(std::string_view text) {
    out_.append(text);
    out_ += "\r\n";
    if (out_.size() >= kChunk) Flush();
  }
  // A body line: a leading "." gets a second one so that it cannot end the data.
  void StuffedLine(std::string_view text) {
    if (!text.empty() && text[0] == '.') out_ += '.';
    Line(text);
  }
  std::string& Raw() { return out_; }
  void MaybeFlush() {
    if (out_.size() >= kChunk) Flush();
  }
  void Status(const char* text) {
    Flush();
    connection_.DoStatus(hsStatusText, text);
  }
  void Flush() {
    connection_.Write(out_);
    out_.clear();
  }

 private:
  static constexpr std::size_t kChunk = 32768;
  TIdTCPConnection& connection_;
  std::string out_;
};

// Reads a file in pieces of a multiple of `unit` bytes.
class FileReader {
 public:
  explicit FileReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) {
      throw EIdException("Cannot open file \"" + path + "\". " + std::strerror(errno));
    }
  }
  ~FileReader() { ::close(fd_); }
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Fills `buffer` up to its size unless the file ends first; answers the byte count.
  std::size_t Read(char* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
      ssize_t n = ::read(fd_, buffer + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EIdException(std::string("Read error. ") + std::strerror(errno));
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    return got;
  }

 private:
  int fd_;
};

void WriteBase64File(const std::string& path, WireWriter& w) {
  FileReader file(path);
  constexpr std::size_t kLine = 57;
  std::string buffer(kLine * 512, '\0');
  while (true) {
    std::size_t n = file.Read(buffer.data(), buffer.size());
    for (std::size_t i = 0; i < n; i += kLine) {
      jtext::Base64EncodeAppend(std::string_view(buffer).substr(i, std::min(kLine, n - i)),
                                w.Raw());
      w.Raw() += "\r\n";
    }
    w.MaybeFlush();
    if (n < buffer.size()) break;
  }
}

void WriteUuencodedFile(const TIdAttachment& a, WireWriter& w) {
  FileReader file(a.StoredPath);
  w.Line("begin 644 " + LastPathComponent(a.FileName));
  auto enc = [](unsigned v) { return static_cast<char>(v == 0 ? '`' : v + 0x20); };
  constexpr std::size_t kLine = 45;
  char bytes[kLine];
  while (true) {
    std::size_t n = file.Read(bytes, kLine);
    if (n == 0) break;
    std::string line(1, enc(static_cast<unsigned>(n)));
    for (std::size_t i = 0; i < n; i += 3) {
      unsigned b0 = static_cast<unsigned char>(bytes[i]);
      unsigned b1 = i + 1 < n ? static_cast<unsigned char>(bytes[i + 1]) : 0;
      unsigned b2 = i + 2 < n ? static_cast<unsigned char>(bytes[i + 2]) : 0;
      line += enc(b0 >> 2);
      line += enc(((b0 & 3) << 4) | (b1 >> 4));
      line += enc(((b1 & 15) << 2) | (b2 >> 6));
      line += enc(b2 & 63);
    }
    w.StuffedLine(line);
    if (n < kLine) break;
  }
  w.Line("`");
  w.Line("end");
}

// A file name with any byte outside printable ASCII, or arriving as encoded words, is
// written in ISO-2022-JP: as one encoded word in the content type's "name" (which most mail
// programs read) and as an RFC 2231 value in the disposition's "filename" (which the standard
// asks for), cut into numbered pieces that keep the lines short.
struct WrittenFileName {
  std::string name;                   // value of "name=", quoted
  std::vector<std::string> filename;  // lines of the "filename" parameter
};

// What follows the last path separator of a Shift_JIS name. Second bytes of double-byte
// characters are stepped over: "表" and "ソ" end in the byte of a backslash.
std::string SjisBaseName(std::string_view sjis) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    const auto b = static_cast<unsigned char>(sjis[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;
    } else if (b == '/' || b == '\\') {
      start = i + 1;
    }
  }
  return std::string(sjis.substr(std::min(start, sjis.size())));
}

// The name is cut to its last path component only after encoded words are decoded: their
// base64 may hold a "/".
WrittenFileName FileNameParameters(const std::string& file_name) {
  bool plain = file_name.find("=?") == std::string::npos;
  for (char c : file_name) plain = plain && c >= 32 && c < 127;
  if (plain) {
    const std::string base = LastPathComponent(file_name);
    return {Quote(base), {"        filename=" + Quote(base)}};
  }
  const std::string jis = SjisToIso2022Jp(SjisBaseName(DecodeHeaderText(file_name)));
  WrittenFileName out;
  out.name = Quote("=?ISO-2022-JP?B?" + jtext::Base64Encode(jis) + "?=");
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Readers decode each numbered piece by itself, so pieces hold whole characters.
  std::vector<std::string> pieces;
  for (const auto& jis_piece : SplitIso2022Jp(jis, 20)) {
    pieces.emplace_back(pieces.empty() ? "ISO-2022-JP''" : "");
    for (unsigned char c : jis_piece) {
      if (std::isalnum(c) || std::strchr("!#$&+-.^_`|~", c) != nullptr) {
        pieces.back() += static_cast<char>(c);
      } else {
        pieces.back() += {'%', kHex[c >> 4], kHex[c & 15]};
      }
    }
  }
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    std::string key = pieces.size() == 1 ? "filename*=" : "filename*" + std::to_string(i) + "*=";
    out.filename.push_back("        " + key + pieces[i] + (i + 1 < pieces.size() ? ";" : ""));
  }
  return out;
}

void WriteAttachmentPart(TIdAttachment& a, const std::string& boundary, WireWriter& w) {
  w.Line("");
  w.Line("--" + boundary);
  std::string transfer = a.ContentTransfer();
  if (transfer.empty()) {
    transfer = "base64";
    a.SetContentTransfer(transfer);
  }
  std::string disposition = a.ContentDisposition();
  if (disposition.empty()) {
    disposition = "attachment";
    a.SetContentDisposition(disposition);
  }
  std::string type = a.ContentType();
  if (type.empty() && transfer == "base64") {
    type = "application/octet-stream";
    a.SetContentType(type);
  }
  WrittenFileName name = FileNameParameters(a.FileName);
  w.Line("Content-Type: " + type + ";");
  w.Line("        name=" + name.name);
  w.Line("Content-Transfer-Encoding: " + transfer);
  w.Line("Content-Disposition: " + disposition + ";");
  for (const auto& line : name.filename) w.Line(line);
  std::string id = a.ContentID();
  if (!id.empty()) w.Line("Content-Id: " + id);
  for (const auto& line : a.ExtraHeaders) w.Line(line);
  w.Line("");
  WriteBase64File(a.StoredPath, w);
  w.Line("");
}

void WriteTextPart(const TIdText& t, WireWriter& w) {
  std::string type = t.ContentType();
  std::string transfer = t.ContentTransfer();
  w.Line("Content-Type: " + (type.empty() ? std::string("text/plain") : type));
  w.Line("Content-Transfer-Encoding: " + (transfer.empty() ? std::string("7bit") : transfer));
  for (const auto& line : t.ExtraHeaders) w.Line(line);
  w.Line("");
  for (const auto& line : t.Body) w.StuffedLine(line);
}

}  // namespace

HeaderCharsetSetting HeaderCharsetFor(const TIdMessage& msg) {
  HeaderCharsetSetting s;
  if (msg.OnInitializeISO) msg.OnInitializeISO(s.encoding, s.charset);
  return s;
}

std::string FormatAddress(const TIdEMailAddressItem& item, const HeaderCharsetSetting& setting) {
  if (item.Name.empty()) return item.Address;
  bool eight_bit = false;
  for (char c : item.Name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126) eight_bit = true;
  }
  // A name that arrives as encoded words (the sender's, encoded by the composer) must stay
  // outside quotes: no reader decodes an encoded word inside a quoted string.
  const bool has_encoded_word =
      item.Name.find("=?") != std::string::npos && item.Name.find("?=") != std::string::npos;
  std::string name;
  if (eight_bit || has_encoded_word) {
    // Words the composer encoded are decoded and the whole name encoded again, so that it
    // becomes a single word (see EncodeHeaderText).
    std::string text = mime::FindIgnoringCase(item.Name, "=?ISO-2022-JP?") != std::string::npos
                           ? DecodeHeaderText(item.Name)
                           : item.Name;
    name = EncodeHeaderText(text, "()<>@,;:.[]\\\"", setting, HeaderContext::kPhrase);
  } else {
    name = "\"";
    for (char c : item.Name) {
      if (c == '\\' || c == '"') name += '\\';
      name += c;
    }
    name += '"';
  }
  return name + " <" + item.Address + ">";
}

std::string FormatAddressList(const TIdEMailAddressList& list,
                              const HeaderCharsetSetting& setting) {
  std::string out;
  for (const auto& item : list) {
    if (!out.empty()) out += ", ";
    out += FormatAddress(item, setting);
  }
  return out;
}

TIdHeaderList BuildHeader(TIdMessage& msg) {
  const std::size_t attachments = msg.Parts.AttachmentCount();
  const std::size_t related = msg.Parts.RelatedPartCount();
  const std::size_t texts = msg.Parts.TextPartCount();
  if (msg.Encoding == meMIME) {
    if (related > 0) {
      msg.ContentType = "multipart/related; type=" + Quote("multipart/alternative") +
                        "; boundary=" + Quote(kRelatedBoundary);
    } else if (attachments > 0) {
      msg.ContentType = "multipart/mixed; boundary=" + Quote(kMixedBoundary);
    } else if (texts > 0) {
      msg.ContentType = "multipart/alternative; boundary=" + Quote(kMixedBoundary);
    }
    // A multipart has no charset of its own: the text part carries it (WriteMessage).
    if (!msg.CharSet.empty() && attachments == 0 && texts == 0) {
      std::string charset = "charset=" + Quote(msg.CharSet);
      msg.ContentType = msg.ContentType.empty() ? charset : msg.ContentType + ";\r\n\t" + charset;
    }
  } else if (texts > 0 || related > 0) {
    throw EIdMessageException("Invalid Encoding. UU only allows Body and Attachments");
  }
  HeaderCharsetSetting setting = HeaderCharsetFor(msg);

  TIdHeaderList h = msg.Headers;
  h.SetValue("From", FormatAddress(msg.From, setting));
  h.SetValue("Subject", EncodeHeaderText(msg.Subject, "", setting));
  h.SetValue("To", FormatAddressList(msg.Recipients, setting));
  h.SetValue("Cc", FormatAddressList(msg.CCList, setting));
  std::string groups;
  for (const auto& g : msg.NewsGroups) {
    if (!groups.empty()) groups += ',';
    groups += g;
  }
  h.SetValue("Newsgroups", groups);
  if (msg.Encoding == meMIME) {
    h.SetValue("Content-Type", msg.ContentType);
    // Readers take the charset parameter only from a MIME message, so any message with a
    // content type declares itself one.
    if (msg.Parts.Count() > 0 || !msg.ContentType.empty()) h.SetValue("MIME-Version", "1.0");
    h.SetValue("Content-Transfer-Encoding", msg.ContentTransferEncoding);
  }
  h.SetValue("Sender", msg.Sender.GetText());
  h.SetValue("Reply-To", FormatAddressList(msg.ReplyTo, setting));
  h.SetValue("Organization", EncodeHeaderText(msg.Organization, "", setting));
  h.SetValue("Disposition-Notification-To", msg.ReceiptRecipient.GetText());
  h.SetValue("References", msg.References);
  h.SetValue("Date", FormatDateHeader(msg.Date));
  if (msg.Priority != mpNormal) h.SetValue("X-Priority", std::to_string(msg.Priority + 1));
  for (const auto& line : msg.ExtraHeaders) h.Add(line);
  return h;
}

void WriteMessage(TIdMessage& msg, TIdTCPConnection& connection, bool headers_only) {
  WireWriter w(connection);
  if (msg.NoEncode) {
    for (const auto& line : msg.Headers) w.Line(line);
    w.Line("");
    if (!headers_only) {
      for (const auto& line : msg.Body) w.Line(line);
    }
    w.Flush();
    return;
  }
  for (const auto& line : BuildHeader(msg)) w.Line(line);
  w.Line("");
  if (headers_only) {
    w.Flush();
    return;
  }
  const HeaderCharsetSetting setting = HeaderCharsetFor(msg);
  const std::size_t attachments = msg.Parts.AttachmentCount();
  const std::size_t texts = msg.Parts.TextPartCount();

  if (attachments == 0 && texts == 0) {
    w.Status("Encoding text");
    for (const auto& line : msg.Body) {
      w.StuffedLine(setting.convert_from_sjis ? SjisToIso2022Jp(line) : line);
    }
  } else if (msg.Encoding == meUU) {
    w.Status("Encoding text");
    for (const auto& line : msg.Body) w.StuffedLine(line);
    for (std::size_t i = 0; i < msg.Parts.Count(); ++i) {
      w.Status("Encoding attachment");
      w.Line("");
      WriteUuencodedFile(static_cast<TIdAttachment&>(msg.Parts[i]), w);
    }
  } else {
    const std::string boundary =
        msg.Parts.RelatedPartCount() > 0 ? kRelatedBoundary : kMixedBoundary;
    w.Line("This is a multi-part message in MIME format");
    w.Line("");
    w.Line("--" + boundary);
    bool first_part_open = true;  // the boundary line above still waits for its part
    if (texts < 2) {
      // The text part says its own charset: readers look for it there, not on the multipart.
      std::string charset = setting.convert_from_sjis ? setting.charset : msg.CharSet;
      w.Line(charset.empty() ? std::string("Content-Type: text/plain")
                             : "Content-Type: text/plain; charset=" + Quote(charset));
      w.Line("Content-Transfer-Encoding: 7bit");
      w.Line("");
      for (const auto& line : msg.Body) {
        w.StuffedLine(setting.convert_from_sjis ? SjisToIso2022Jp(line) : line);
      }
      first_part_open = false;
    }
    for (std::size_t i = 0; i < msg.Parts.Count(); ++i) {
      if (msg.Parts[i].Kind() != TIdPartKind::kText) continue;
      if (!first_part_open) {
        w.Line("");
        w.Line("--" + boundary);
      }
      first_part_open = false;
      WriteTextPart(static_cast<const TIdText&>(msg.Parts[i]), w);
    }
    for (std::size_t i = 0; i < msg.Parts.Count(); ++i) {
      if (msg.Parts[i].Kind() != TIdPartKind::kAttachment) continue;
      w.Status("Encoding attachment");
      WriteAttachmentPart(static_cast<TIdAttachment&>(msg.Parts[i]), boundary, w);
    }
    w.Line("--" + boundary + "--");
  }
  w.Flush();
}

}  // namespace transport
