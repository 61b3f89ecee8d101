// The received and sent message files.
#include "store/message_file.h"

#include "platform/codepage.h"
#include "store/paths.h"
#include "store/record.h"

namespace store {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderRule = "-------------------";
constexpr std::string_view kPartRule = "========";

// The text with every line end (CR, LF or CR LF) written as CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += kCrLf;
    } else if (c == '\n') {
      out += kCrLf;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// A header value is one line: a line break inside it would shift every line after it.
std::string OneLine(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

void AddLine(std::string& out, std::string_view label, std::string_view value) {
  out += label;
  out += OneLine(value);
  out += kCrLf;
}

// The body closes with a line end, as every line of the file does.
void AddBody(std::string& out, std::string_view body) {
  std::string text = WithCrLf(body);
  out += text;
  if (!text.empty() && !text.ends_with(kCrLf)) out += kCrLf;
}

void WriteFile(const platform::FileSystem& fs, std::string_view path, std::string_view bytes) {
  std::string dir = ParentDirectory(path);
  if (!dir.empty() && !fs.DirectoryExists(dir)) fs.ForceDirectories(dir);
  fs.WriteFileAtomic(path, bytes);
}

}  // namespace

std::string FormatReceivedMessage(const ReceivedMessage& m) {
  static const std::string kSender = platform::Sjis("差出人：");
  static const std::string kSubject = platform::Sjis("件名：");
  static const std::string kDate = platform::Sjis("日時：");
  static const std::string kSize = platform::Sjis("ﾌｧｲﾙｻｲｽﾞ：");
  std::string out;
  AddLine(out, "To=", m.to);
  AddLine(out, "ReplyTo=", m.reply_to);
  AddLine(out, "CCList=", m.cc);
  AddLine(out, "Message-ID=", m.key);
  AddLine(out, "References=", m.references);
  AddLine(out, kSender, m.sender);
  AddLine(out, kSubject, m.subject);
  AddLine(out, kDate, m.date);
  AddLine(out, kSize, m.size);
  AddLine(out, kHeaderRule, "");
  std::string body;
  for (size_t i = 0; i < m.texts.size(); ++i) {
    if (i > 0) {
      body += kCrLf;
      body += kPartRule;
      body += kCrLf;
    }
    body += m.texts[i];
  }
  AddBody(out, body);
  return out;
}

void WriteReceivedMessage(const platform::FileSystem& fs, std::string_view folder_dir,
                          const ReceivedMessage& message) {
  WriteFile(fs, MessageFilePath(folder_dir, message.key), FormatReceivedMessage(message));
}

std::string FormatSentMessage(const SentMessage& m) {
  static const std::string kTo = platform::Sjis("あて名：");
  static const std::string kSubject = platform::Sjis("件名：");
  static const std::string kDate = platform::Sjis("日時：");
  static const std::string kAttachments = platform::Sjis("添付ファイル：");
  std::string names;
  for (const std::string& name : m.attachment_names) names += name + ";";
  std::string out;
  AddLine(out, "ReplyTo=", m.reply_to);
  AddLine(out, "CCList=", m.cc);
  AddLine(out, "BccList=", m.bcc);
  AddLine(out, kTo, m.to);
  AddLine(out, kSubject, m.subject);
  AddLine(out, kDate, m.date);
  AddLine(out, kAttachments, names);
  AddLine(out, kHeaderRule, "");
  AddBody(out, m.body);
  return out;
}

void WriteSentMessage(const platform::FileSystem& fs, std::string_view key,
                      const SentMessage& message) {
  WriteFile(fs, MessageFilePath(SentFolder(), key), FormatSentMessage(message));
}

std::string ReadHeaderValue(std::string_view file_text, std::string_view name) {
  for (const std::string& line : SplitLines(file_text)) {
    size_t at = line.find(name);
    if (at == std::string::npos) continue;
    size_t value = at + name.size() + 1;
    return value < line.size() ? line.substr(value) : std::string();
  }
  return "";
}

}  // namespace store
