// The MIME reader: header, body, MIME parts (nested through the boundary stack) and uuencoded
// blocks.
#include "transport/mime_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "jtext/base64.h"
#include "platform/tempfiles.h"
#include "transport/date_parse.h"
#include "transport/header_text.h"
#include "transport/message_exceptions.h"
#include "transport/mime_params.h"
#include "transport/mime_strings.h"
#include "transport/quoted_printable.h"
#include "transport/tcp_connection.h"

namespace transport {

using mime::EqualsIgnoringCase;
using mime::FindIgnoringCase;
using mime::StartsWithIgnoringCase;
using mime::Trim;

// ---------------------------------------------------------------------------------------------
// Line sources

std::string_view ConnectionLineSource::ReadLine() {
  line_ = connection_.ReadLine();
  return line_;
}

std::string_view MemoryLineSource::ReadLine() {
  if (pos_ < bytes_.size()) {
    const char* start = bytes_.data() + pos_;
    std::size_t left = bytes_.size() - pos_;
    const void* lf = std::memchr(start, '\n', left);
    if (lf != nullptr) {
      std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
      if (max_line_length_ > 0 && length > max_line_length_) {
        throw EIdReadLnMaxLineLengthExceeded();
      }
      pos_ += length + 1;
      if (length > 0 && start[length - 1] == '\r') --length;
      return {start, length};
    }
    // The last line has no LF. A closed connection never hands out such a rest; a stored file
    // gets a line end added (an LF after a CR, else CR LF).
    if (!as_stored_file_) {
      if (max_line_length_ > 0 && left > max_line_length_) throw EIdReadLnMaxLineLengthExceeded();
      throw EIdConnClosedGracefully();
    }
    std::size_t counted = start[left - 1] == '\r' ? left : left + 1;
    if (max_line_length_ > 0 && counted > max_line_length_) throw EIdReadLnMaxLineLengthExceeded();
    pos_ = bytes_.size();
    return {start, start[left - 1] == '\r' ? left - 1 : left};
  }
  if (as_stored_file_ && !marker_given_) {
    if (bytes_.empty() && !empty_line_given_) {
      // An empty file still gets the line break before the end marker.
      empty_line_given_ = true;
      return {};
    }
    marker_given_ = true;
    return ".";
  }
  throw EIdConnClosedGracefully();
}

namespace {

// ---------------------------------------------------------------------------------------------
// Helpers

bool IsDotLine(std::string_view line, std::string_view delimiter) { return line == delimiter; }

// Splits decoded text into lines at CR LF, LF or a lone CR; a final line break adds no line.
void SplitLinesInto(std::string_view text, std::vector<std::string>& lines) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
}

// The value of parameter `key` (upper case, with "=") in `value`: quoted up to the closing
// quote, otherwise up to the next ";".
std::string ParameterAfter(std::string_view value, std::string_view key) {
  std::size_t p = FindIgnoringCase(value, key);
  if (p == std::string_view::npos) return {};
  std::string_view rest = value.substr(p + key.size());
  if (!rest.empty() && rest[0] == '"') {
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find('"')));
  }
  return std::string(Trim(rest.substr(0, rest.find(';'))));
}

bool IsBase64(std::string_view encoding) { return EqualsIgnoringCase(Trim(encoding), "base64"); }
bool IsQuotedPrintable(std::string_view encoding) {
  return EqualsIgnoringCase(Trim(encoding), "quoted-printable");
}

// A name for an attachment that came without "filename" and "name": numbered within the
// message, with the extension its content type suggests.
std::string FallbackFileName(std::string_view content_type, std::size_t number) {
  static const std::pair<const char*, const char*> kExtensions[] = {
      {"image/png", ".png"},       {"image/jpeg", ".jpg"},     {"image/gif", ".gif"},
      {"application/pdf", ".pdf"}, {"text/plain", ".txt"},     {"text/html", ".html"},
      {"message/rfc822", ".eml"},  {"application/zip", ".zip"}};
  std::string_view type = Trim(content_type.substr(0, content_type.find(';')));
  const char* ext = ".dat";
  for (const auto& [mime_type, extension] : kExtensions) {
    if (EqualsIgnoringCase(type, mime_type)) ext = extension;
  }
  return "attachment" + std::to_string(number) + ext;
}

// One header entry of a part: "Name: value" with continuations joined. Entries whose line had
// no ": " cannot be looked up.
struct PartHeader {
  std::string line;
  std::size_t separator = std::string::npos;  // position of ": "
};

std::string LookUp(const std::vector<PartHeader>& headers, std::string_view name) {
  for (const auto& h : headers) {
    if (h.separator != std::string::npos &&
        EqualsIgnoringCase(std::string_view(h.line).substr(0, h.separator), name)) {
      return h.line.substr(h.separator + 2);
    }
  }
  return {};
}

enum class Kind { kUndetermined, kText, kAttachment };

// A part being read: a MIME part or a uuencoded block.
struct Decoder {
  bool uue = false;
  std::string boundary;  // the boundary that ends this part
  std::optional<std::string> first_line;
  bool encoded_single = false;  // no part header: the message's own fields describe it
  std::vector<PartHeader> headers;
  Kind kind = Kind::kUndetermined;
  std::string file_name;
};

// Bytes of an attachment on their way into a new temporary file; the file is removed again
// unless Release is called.
class TempFileSink {
 public:
  TempFileSink() : path_(platform::MakeTempFile("yubinko-part-").string()) {
    // One buffer per thread, handed from sink to sink: small attachments are common and a
    // fresh large allocation for each would cost more than the writing.
    buffer_ = std::move(SpareBuffer());
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kCapacity);
    // No O_TRUNC: the file is new and empty, and truncating on open makes some file systems
    // flush the data at close.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) {
      ::unlink(path_.c_str());
      throw EIdException("Cannot open file \"" + path_ + "\". " + std::strerror(errno));
    }
  }
  ~TempFileSink() {
    if (fd_ >= 0) ::close(fd_);
    if (!released_) ::unlink(path_.c_str());
    SpareBuffer() = std::move(buffer_);
  }
  TempFileSink(const TempFileSink&) = delete;
  TempFileSink& operator=(const TempFileSink&) = delete;

  // Room for `n` more bytes (n is at most a line's worth); Commit tells how many were used.
  char* Reserve(std::size_t n) {
    if (used_ + n > kCapacity) Flush();
    return buffer_.get() + used_;
  }
  void Commit(std::size_t n) { used_ += n; }
  void Append(std::string_view bytes) {
    while (!bytes.empty()) {
      if (used_ == kCapacity) Flush();
      std::size_t n = std::min(bytes.size(), kCapacity - used_);
      std::memcpy(buffer_.get() + used_, bytes.data(), n);
      used_ += n;
      bytes.remove_prefix(n);
    }
  }
  // Writes the rest and closes the file; answers its path, which the caller now owns.
  std::string Release() {
    Flush();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail();
    released_ = true;
    return path_;
  }

 private:
  static constexpr std::size_t kCapacity = 1 << 18;
  static std::unique_ptr<char[]>& SpareBuffer() {
    thread_local std::unique_ptr<char[]> spare;
    return spare;
  }
  void Flush() {
    const char* p = buffer_.get();
    std::size_t left = used_;
    while (left > 0) {
      ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail();
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    used_ = 0;
  }
  [[noreturn]] void Fail() {
    throw EIdException("Cannot write file \"" + path_ + "\". " + std::strerror(errno));
  }

  std::string path_;
  int fd_ = -1;
  bool released_ = false;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// ---------------------------------------------------------------------------------------------
// MIME parts

class BodyReader {
 public:
  BodyReader(TIdMessage& msg, TIdLineSource& source, std::string_view delimiter)
      : msg_(msg), source_(source), delimiter_(delimiter) {}

  void Run();

 private:
  std::optional<Decoder> StartsPart(std::string_view line) const;
  bool ClosesCurrentMultipart(std::string_view line) const;
  // Reads the part header; false when the message ended inside it.
  bool ReadPartHeader(Decoder& d);
  void DecideKind(Decoder& d);
  // Reads the part body; answers the decoder of the part that follows directly, if any.
  std::optional<Decoder> ReadPartBody(Decoder& d);
  void ReadUuencoded(Decoder& d);
  TIdAttachment& AddAttachment(const Decoder& d, std::string path);

  TIdMessage& msg_;
  TIdLineSource& source_;
  std::string_view delimiter_;
  bool message_ended_ = false;
};

bool BodyReader::ClosesCurrentMultipart(std::string_view line) const {
  if (msg_.MIMEBoundary.empty()) return false;
  const std::string& top = msg_.MIMEBoundary.back();
  return line.size() == top.size() + 4 && line.starts_with("--") && line.ends_with("--") &&
         EqualsIgnoringCase(line.substr(2, top.size()), top);
}

std::optional<Decoder> BodyReader::StartsPart(std::string_view line) const {
  if (!msg_.MIMEBoundary.empty()) {
    const std::string& top = msg_.MIMEBoundary.back();
    if (line.size() == top.size() + 2 && line.starts_with("--") &&
        EqualsIgnoringCase(line.substr(2), top)) {
      Decoder d;
      d.boundary = top;
      return d;
    }
  }
  // An encoded single body: most mail that is not multipart is base64 or quoted-printable
  // UTF-8 today, and left encoded the user would read base64.
  if (IsBase64(msg_.ContentTransferEncoding) || IsQuotedPrintable(msg_.ContentTransferEncoding)) {
    Decoder d;
    if (!msg_.MIMEBoundary.empty()) d.boundary = msg_.MIMEBoundary.back();
    d.first_line = std::string(line);
    return d;
  }
  // "begin NNN name": a uuencoded file. A line that ends after the space still starts one; its
  // file gets a made-up name.
  if (line.size() >= 10 && StartsWithIgnoringCase(line, "begin ") && line[9] == ' ') {
    int mode = 0;
    auto [end, ec] = std::from_chars(line.data() + 6, line.data() + 9, mode);
    if (ec == std::errc() && end == line.data() + 9 && mode > 0) {
      Decoder d;
      d.uue = true;
      d.kind = Kind::kAttachment;
      d.file_name = std::string(line.substr(10));
      return d;
    }
  }
  return std::nullopt;
}

bool BodyReader::ReadPartHeader(Decoder& d) {
  const std::string& cte = msg_.ContentTransferEncoding;
  std::string_view t = Trim(cte);
  if (!t.empty() && !EqualsIgnoringCase(t, "7bit") && !EqualsIgnoringCase(t, "8bit") &&
      !EqualsIgnoringCase(t, "binary")) {
    d.encoded_single = true;
    DecideKind(d);
    return true;
  }
  while (true) {
    std::string_view line = source_.ReadLine();
    if (line.empty()) break;
    if (IsDotLine(line, delimiter_)) {
      message_ended_ = true;
      return false;
    }
    if ((line[0] == ' ' || line[0] == '\t') && !d.headers.empty()) {
      std::string& prev = d.headers.back().line;
      prev += ' ';
      prev.append(line.substr(1));
      continue;
    }
    PartHeader h;
    h.line = std::string(line);
    h.separator = h.line.find(": ");
    d.headers.push_back(std::move(h));
  }
  std::string boundary = ParameterAfter(LookUp(d.headers, "Content-Type"), "BOUNDARY=");
  if (!boundary.empty()) {
    msg_.MIMEBoundary.push_back(boundary);
    d.boundary = boundary;
  }
  DecideKind(d);
  return true;
}

void BodyReader::DecideKind(Decoder& d) {
  std::string type = d.encoded_single ? msg_.ContentType : LookUp(d.headers, "Content-Type");
  std::string disposition =
      d.encoded_single ? msg_.ContentDisposition : LookUp(d.headers, "Content-Disposition");
  std::string_view disposition_kind =
      Trim(std::string_view(disposition).substr(0, disposition.find(';')));
  if (!EqualsIgnoringCase(disposition_kind, "attachment") &&
      FindIgnoringCase(type, "NAME") == std::string::npos) {
    d.kind = Kind::kText;
    return;
  }
  d.kind = Kind::kAttachment;
  // The RFC 2231 forms ("filename*=UTF-8''...", numbered pieces) come first: a reader that
  // knows them prefers them, and writers put the plain form beside them for older readers.
  std::optional<std::string> extended = ExtendedParameter(disposition, "filename");
  if (!extended) extended = ExtendedParameter(type, "name");
  std::string name;
  if (extended) {
    name = std::move(*extended);
  } else {
    name = ParameterAfter(disposition, "FILENAME=");
    if (name.empty()) name = ParameterAfter(type, "NAME=");
    name = DecodeHeaderText(name);
  }
  if (name.empty()) name = FallbackFileName(type, msg_.Parts.AttachmentCount() + 1);
  d.file_name = std::move(name);
}

TIdAttachment& BodyReader::AddAttachment(const Decoder& d, std::string path) {
  auto part = std::make_unique<TIdAttachment>();
  for (const auto& h : d.headers) part->Headers.Add(h.line);
  part->FileName = d.file_name;
  part->StoredPath = std::move(path);
  part->DeleteTempFile = msg_.DeleteTempFiles;
  return static_cast<TIdAttachment&>(msg_.Parts.Add(std::move(part)));
}

std::optional<Decoder> BodyReader::ReadPartBody(Decoder& d) {
  enum class Transfer { kNone, kBase64, kQuotedPrintable };
  std::string encoding = d.encoded_single ? msg_.ContentTransferEncoding
                                          : LookUp(d.headers, "Content-Transfer-Encoding");
  Transfer transfer = IsBase64(encoding)            ? Transfer::kBase64
                      : IsQuotedPrintable(encoding) ? Transfer::kQuotedPrintable
                                                    : Transfer::kNone;
  const bool to_file = d.kind == Kind::kAttachment;
  std::optional<TempFileSink> file;
  if (to_file) file.emplace();
  std::string text;  // decoded bytes of a text part
  std::vector<std::string> text_lines;
  std::string qp_line;
  std::string qp_out;
  std::optional<Decoder> next;
  const std::string& boundary = d.boundary;
  // The line break before a boundary belongs to the boundary: an attachment file gets the
  // break of a line only once another line follows.
  bool line_end_pending = false;

  while (true) {
    std::string_view line;
    if (d.first_line) {
      line = *d.first_line;
    } else {
      line = source_.ReadLine();
    }
    if (IsDotLine(line, delimiter_)) {
      message_ended_ = true;
      break;
    }
    if (!boundary.empty() && line.size() >= boundary.size() + 2 && line[0] == '-' &&
        line[1] == '-' && EqualsIgnoringCase(line.substr(2, boundary.size()), boundary)) {
      std::string_view after = line.substr(boundary.size() + 2);
      if (after.empty()) {
        next.emplace();
        next->boundary = boundary;
        break;
      }
      if (after == "--") {
        if (!msg_.MIMEBoundary.empty()) msg_.MIMEBoundary.pop_back();
        break;
      }
    }
    switch (transfer) {
      case Transfer::kNone:
        if (!line.empty() && line[0] == '.') line.remove_prefix(1);
        if (to_file) {
          if (line_end_pending) file->Append("\r\n");
          file->Append(line);
          line_end_pending = true;
        } else if (line.find('\r') == std::string_view::npos) {
          text_lines.emplace_back(line);
        } else {
          std::string piece(line);
          piece += "\r\n";
          SplitLinesInto(piece, text_lines);
        }
        break;
      case Transfer::kQuotedPrintable:
        qp_line.assign(line);
        qp_line += "\r\n";
        if (to_file) {
          qp_out.clear();
          AppendQuotedPrintable(qp_line, qp_out);
          if (line_end_pending && !qp_out.empty()) {
            file->Append("\r\n");
            line_end_pending = false;
          }
          if (qp_out.ends_with("\r\n")) {
            qp_out.resize(qp_out.size() - 2);
            if (qp_out.empty() && line_end_pending) file->Append("\r\n");
            line_end_pending = true;
          }
          file->Append(qp_out);
        } else {
          AppendQuotedPrintable(qp_line, text);
        }
        break;
      case Transfer::kBase64:
        if (line.empty()) break;
        if (line.size() % 4 != 0) throw EIdException("Uneven size in DecodeToStream.");
        if (to_file) {
          // Without a limit on line length one line can outgrow the file buffer: decode it in
          // pieces of whole groups that fit.
          constexpr std::size_t kPiece = 1 << 16;
          std::string_view rest = line;
          while (rest.size() > kPiece) {
            char* dst = file->Reserve(jtext::Base64DecodedBound(kPiece) + 1);
            file->Commit(
                static_cast<std::size_t>(jtext::Base64DecodeLineTo(rest.substr(0, kPiece), dst)));
            rest.remove_prefix(kPiece);
          }
          char* dst = file->Reserve(jtext::Base64DecodedBound(rest.size()) + 1);
          file->Commit(static_cast<std::size_t>(jtext::Base64DecodeLineTo(rest, dst)));
        } else {
          jtext::Base64DecodeLine(line, text);
        }
        break;
    }
    if (d.first_line) d.first_line.reset();
  }

  if (to_file) {
    AddAttachment(d, file->Release());
  } else if (d.encoded_single && d.boundary.empty()) {
    // The message's own body, decoded: it stays the body, as an unencoded one would.
    SplitLinesInto(text, msg_.Body);
  } else {
    TIdText& part = msg_.Parts.AddText();
    for (const auto& h : d.headers) part.Headers.Add(h.line);
    if (transfer == Transfer::kNone) {
      part.Body = std::move(text_lines);
    } else {
      SplitLinesInto(text, part.Body);
    }
  }
  return next;
}

// uuencode and xxencode: each character stands for six bits; the first one of a line gives the
// number of bytes on it.
void BodyReader::ReadUuencoded(Decoder& d) {
  static constexpr char kXxAlphabet[] =
      "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  TempFileSink file;
  int scheme = 0;  // 1 uuencode, 2 xxencode
  auto value = [&](char c) -> int {
    if (scheme == 1) return (static_cast<unsigned char>(c) - 0x20) & 0x3F;
    const char* p = std::strchr(kXxAlphabet, c);
    return p == nullptr || c == '\0' ? 0 : static_cast<int>(p - kXxAlphabet);
  };
  while (true) {
    std::string_view line = source_.ReadLine();
    if (IsDotLine(line, delimiter_)) {
      message_ended_ = true;
      break;
    }
    if (EqualsIgnoringCase(Trim(line), "end")) break;
    if (Trim(line).empty()) continue;
    if (scheme == 0) {
      // Full lines start with "M" (uuencode) or "h" (xxencode); a shorter first line still
      // tells the alphabet by its length character.
      char c = line[0];
      if (c == 'M' || (c >= ' ' && c <= '`' && c != 'h')) {
        scheme = 1;
      } else if (c == 'h' || std::strchr(kXxAlphabet, c) != nullptr) {
        scheme = 2;
      } else {
        throw EIdException("Unrecognized UUE encoding scheme.");
      }
    }
    if (line.size() == 1 && (line[0] == '`' || line[0] == '+' || line[0] == ' ')) continue;
    int count = value(line[0]);
    std::size_t i = 1;
    while (count > 0 && i < line.size()) {
      int v[4] = {0, 0, 0, 0};
      for (int k = 0; k < 4; ++k) v[k] = i + k < line.size() ? value(line[i + k]) : 0;
      unsigned char b[3] = {static_cast<unsigned char>((v[0] << 2) | (v[1] >> 4)),
                            static_cast<unsigned char>(((v[1] & 15) << 4) | (v[2] >> 2)),
                            static_cast<unsigned char>(((v[2] & 3) << 6) | v[3])};
      int n = count < 3 ? count : 3;
      file.Append(std::string_view(reinterpret_cast<const char*>(b), static_cast<std::size_t>(n)));
      count -= n;
      i += 4;
    }
  }
  if (d.file_name.empty()) d.file_name = FallbackFileName("", msg_.Parts.AttachmentCount() + 1);
  AddAttachment(d, file.Release());
}

void BodyReader::Run() {
  std::optional<Decoder> decoder;
  while (!message_ended_) {
    if (!decoder) {
      std::string_view line = source_.ReadLine();
      if (IsDotLine(line, delimiter_)) break;
      if (ClosesCurrentMultipart(line)) {
        // A multipart whose last part was itself a multipart closes out here, between parts;
        // without the pop every later part of the enclosing multipart would be missed.
        msg_.MIMEBoundary.pop_back();
        continue;
      }
      decoder = StartsPart(line);
      if (!decoder) {
        if (line.starts_with("..")) line.remove_prefix(1);
        msg_.Body.emplace_back(line);
        continue;
      }
    }
    if (decoder->uue) {
      ReadUuencoded(*decoder);
      decoder.reset();
      continue;
    }
    if (!ReadPartHeader(*decoder) || decoder->kind == Kind::kUndetermined) {
      throw EIdException("Unknown Message Part Type.");
    }
    decoder = ReadPartBody(*decoder);
  }
}

void ReadRawBody(TIdMessage& msg, TIdLineSource& source, std::string_view delimiter) {
  while (true) {
    std::string_view line = source.ReadLine();
    if (IsDotLine(line, delimiter)) return;
    if (line.starts_with("..")) line.remove_prefix(1);
    msg.Body.emplace_back(line);
  }
}

TIdMessagePriority PriorityOf(const TIdHeaderList& headers) {
  std::string x = headers.GetValue("X-Priority");
  if (!x.empty() && x[0] >= '1' && x[0] <= '5') return static_cast<TIdMessagePriority>(x[0] - '1');
  std::string p = headers.GetValue("Priority");
  if (EqualsIgnoringCase(p, "urgent")) return mpHigh;
  if (EqualsIgnoringCase(p, "non-urgent")) return mpLow;
  return mpNormal;
}

// Fields nothing in the program reads must not make a message unreadable.
void SetTextQuietly(TIdEMailAddressItem& item, std::string_view text) {
  try {
    item.SetText(text);
  } catch (const EIdEmailParseError&) {
    item.Clear();
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void ParseHeaders(TIdMessage& msg) {
  const TIdHeaderList& h = msg.Headers;
  msg.ContentType = h.GetValue("Content-Type");
  msg.CharSet = mime::UpperCase(ParameterAfter(msg.ContentType, "CHARSET="));
  msg.ContentTransferEncoding = h.GetValue("Content-Transfer-Encoding");
  msg.ContentDisposition = h.GetValue("Content-Disposition");
  msg.Subject = DecodeHeaderText(h.GetValue("Subject"));
  // A malformed address keeps what could be read; the message itself stays readable.
  msg.From.SetText(DecodeHeaderText(h.GetValue("From")), /*lenient=*/true);
  msg.MessageId = h.GetValue("Message-Id");
  msg.Recipients.SetFromText(DecodeHeaderText(h.GetValue("To")), true);
  msg.CCList.SetFromText(DecodeHeaderText(h.GetValue("Cc")), true);
  msg.BccList.SetFromText(DecodeHeaderText(h.GetValue("Bcc")), true);
  msg.References = h.GetValue("References");
  msg.ReplyTo.SetFromText(h.GetValue("Reply-To"), true);
  msg.Date = ParseDate(h.GetValue("Date"));
  msg.Organization = h.GetValue("Organization");
  msg.NewsGroups.clear();
  std::string groups = h.GetValue("Newsgroups");
  for (std::size_t start = 0; start < groups.size();) {
    std::size_t comma = groups.find(',', start);
    std::string_view g = Trim(std::string_view(groups).substr(
        start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!g.empty()) msg.NewsGroups.emplace_back(g);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  SetTextQuietly(msg.Sender, h.GetValue("Sender"));
  std::string receipt = h.GetValue("Disposition-Notification-To");
  if (receipt.empty()) receipt = h.GetValue("Return-Receipt-To");
  SetTextQuietly(msg.ReceiptRecipient, receipt);
  msg.Priority = PriorityOf(h);
  std::string boundary = ParameterAfter(msg.ContentType, "BOUNDARY=");
  if (!boundary.empty() && (msg.MIMEBoundary.empty() || msg.MIMEBoundary.back() != boundary)) {
    msg.MIMEBoundary.push_back(boundary);
  }
}

std::string ReadHeader(TIdMessage& msg, TIdLineSource& source) {
  while (true) {
    std::string_view line = source.ReadLine();
    if (line.empty() || line == ".") {
      ParseHeaders(msg);
      return std::string(line);
    }
    msg.Headers.Add(std::string(line));
  }
}

std::string ReadHeader(TIdMessage& msg, TIdTCPConnection& connection) {
  ConnectionLineSource source(connection);
  return ReadHeader(msg, source);
}

void ReadBody(TIdMessage& msg, TIdLineSource& source, std::string_view delimiter) {
  if (msg.NoDecode) {
    ReadRawBody(msg, source, delimiter);
    return;
  }
  BodyReader(msg, source, delimiter).Run();
}

void ReadBody(TIdMessage& msg, TIdTCPConnection& connection, std::string_view delimiter) {
  ConnectionLineSource source(connection);
  ReadBody(msg, source, delimiter);
}

void LoadFromBytes(TIdMessage& msg, std::string_view bytes, bool headers_only) {
  msg.Clear();
  MemoryLineSource source(bytes, /*as_stored_file=*/true);
  std::string end = ReadHeader(msg, source);
  if (!headers_only && end != ".") ReadBody(msg, source, ".");
}

void TIdMessage::LoadFromFile(const std::string& file_name, bool headers_only) {
  int fd = ::open(file_name.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    throw EIdMessageCannotLoad(file_name);
  }
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  LoadFromBytes(*this, bytes, headers_only);
}

}  // namespace transport
