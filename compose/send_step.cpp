// The send command.
#include "compose/send_step.h"

#include <charconv>
#include <exception>
#include <filesystem>

#include "compose/merge_file.h"
#include "jtext/convert.h"
#include "jtext/header_encode.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "store/account_file.h"
#include "store/message_key.h"
#include "store/paths.h"
#include "store/record.h"
#include "transport/message.h"
#include "transport/tls_trust.h"

namespace compose {
namespace {

// What stays the same for every message of one send.
struct Prepared {
  std::string from;           // encoded sender
  std::string reply_address;  // the sending account's own address
  std::string to, cc, bcc, subject;
  std::string references;  // empty: no References header
  std::vector<std::string> attachment_paths;
  std::string attachment_flag;
  std::string attachment_names;  // "a.txt;b.png;"
};

// Reads the value of the first line that contains `name`: the text after the name and the
// one character following it ("=").
std::string ValueOfLine(const std::vector<std::string>& lines, std::string_view name) {
  for (const std::string& line : lines) {
    const std::size_t at = line.find(name);
    if (at == std::string::npos) continue;
    const std::size_t start = at + name.size() + 1;
    return start < line.size() ? line.substr(start) : std::string();
  }
  return {};
}

bool ParsePort(std::string_view text, int& port) {
  const char* first = text.data();
  const char* last = first + text.size();
  while (first < last && *first == ' ') ++first;
  if (first < last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, port);
  return ec == std::errc() && ptr == last && first != last;
}

void FillCommon(transport::TIdMessage& msg, const Prepared& p) {
  msg.CharSet = "ISO-2022-JP";
  msg.ContentType = "text/plain";
  for (const std::string& path : p.attachment_paths) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) continue;  // gone since it was added
    transport::TIdAttachment& part = msg.Parts.AddAttachment(path);
    const std::string name =
        OneLine(platform::SjisFileName(std::filesystem::path(path).filename()));
    part.SetContentType(ContentTypeFor(name));
    part.FileName = jtext::EncodeWholeWord(name);
  }
  msg.From.SetText(p.from);
  msg.ReplyTo.SetFromText(p.reply_address);
  msg.CCList.SetFromText(p.cc);
  msg.BccList.SetFromText(p.bcc);
}

void FillMessageText(transport::TIdMessage& msg, const std::string& message_id,
                     std::string_view body, const Prepared& p) {
  msg.Headers.SetValue("Message-ID", jtext::EncodeWholeWord(message_id));
  msg.Body = store::SplitLines(jtext::ConvertCode(body, jtext::kCodeJis));
  msg.Subject = jtext::EncodeHeaderWords(p.subject);
}

// The sent copy first, then its record, so the index never lists a file that is not there.
void StoreSent(state::MainState& state, const Prepared& p, const ComposerFields& fields,
               const std::string& message_id, const std::string& send_time) {
  const platform::FileSystem& fs = state.fs;
  fs.ForceDirectories(store::SentFolder());
  std::vector<std::string> lines = {
      "ReplyTo=" + p.reply_address,
      "CCList=" + p.cc,
      "BccList=" + p.bcc,
      platform::Sjis("あて名：") + p.to,
      platform::Sjis("件名：") + p.subject,
      platform::Sjis("日時：") + send_time,
      platform::Sjis("添付ファイル：") + p.attachment_names,
      "-------------------",
  };
  for (std::string& line : BodyLines(fields)) lines.push_back(std::move(line));
  fs.WriteFileAtomic(store::MessageFilePath(store::SentFolder(), message_id),
                     state::JoinLines(lines));

  const std::string record =
      store::JoinRecord({message_id, p.subject, p.to, send_time, "#", p.attachment_flag, "#"});
  state.sent_index.Add(record);
  try {
    state.sent_index.Save(fs, store::SentIndexPath());
  } catch (...) {
    // Keep the list in memory as the file on disk is, so a later save cannot differ from it
    // in a record nobody was told about.
    const int at = state.sent_index.Find(message_id);
    if (at >= 0) state.sent_index.Delete(at);
    throw;
  }
}

std::string Decimal(int n) { return std::to_string(n); }

}  // namespace

std::string OneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CR LF: one space
    out += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return out;
}

std::string ContentTypeFor(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  std::string ext =
      dot == std::string_view::npos ? std::string() : std::string(file_name.substr(dot));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  if (ext == ".gif") return "image/gif";
  if (ext == ".jpeg" || ext == ".jpg") return "image/jpeg";
  if (ext == ".png") return "image/png";
  if (ext == ".txt") return "text/plain";
  return "application/octet-stream";
}

const std::string& NoMergeFileText() {
  static const std::string k = platform::Sjis("差し込むファイルが指定されていません");
  return k;
}
const std::string& NoRecipientText() {
  static const std::string k = platform::Sjis("あて先が指定されていません");
  return k;
}
const std::string& NoSubjectText() {
  static const std::string k = platform::Sjis("件名はマナーとして入れましょう");
  return k;
}
const std::string& NoAccountText() {
  static const std::string k = platform::Sjis(
      "送信に使うアカウントが選ばれていません。\r\n"
      "「差出人（自分）」でアカウントを選んでください。");
  return k;
}

SendOutcome SendStep::Send(ComposerFields& fields) {
  SendOutcome out;
  if (fields.merge && fields.merge_rows.empty()) {
    out.message = NoMergeFileText();
    return out;
  }
  if (!fields.merge && fields.to.empty()) {
    out.message = NoRecipientText();
    return out;
  }
  if (fields.subject.empty()) {
    out.message = NoSubjectText();
    return out;
  }
  const int position = fields.sender_index;
  // An empty sender box would go out as MAIL FROM:<>, the null sender of bounces.
  if (position < 0 || position >= static_cast<int>(state_.AccountList.size()) ||
      fields.sender_text.empty()) {
    out.message = NoAccountText();
    return out;
  }
  const store::AccountRecord account =
      store::AccountRecord::FromLine(state_.AccountList[static_cast<std::size_t>(position)]);
  int port = 0;
  if (!ParsePort(account.SmtpPort, port)) {
    out.status = SendOutcome::kFailed;
    out.message = "'" + account.SmtpPort + "' is not a valid integer value";
    return out;
  }

  Prepared p;
  p.from = jtext::EncodeHeaderWords(OneLine(fields.sender_text));
  p.reply_address = OneLine(account.OwnAddress);
  p.to = OneLine(fields.to);
  p.cc = OneLine(fields.cc);
  p.bcc = OneLine(fields.bcc);
  p.subject = OneLine(fields.subject);
  p.attachment_paths = fields.attachments;
  p.attachment_flag = fields.attachments.empty() ? "2" : "1";
  for (const std::string& path : fields.attachments) {
    p.attachment_names +=
        OneLine(platform::SjisFileName(std::filesystem::path(path).filename())) + ";";
  }
  if (!state_.ReplyReference.empty()) {
    std::string value = ValueOfLine(BodyLines(fields), "References");
    if (value.find(state_.ReplyReference) == std::string::npos) {
      if (!value.empty()) value += ",";
      p.references = OneLine(value + state_.ReplyReference);
    }
  }

  smtp_.Host = account.SmtpServer;
  smtp_.Port = port;
  smtp_.Username = account.UserId;
  smtp_.Password = account.Password;
  smtp_.SetAuthenticationType(transport::atLogin);

  transport::TIdMessage msg;
  FillCommon(msg, p);
  msg.References = p.references;
  std::string send_time;
  int failed_row = -1;
  std::string failed_address;
  try {
    // Certificates the user accepted are kept with the account's received mail.
    const std::string& name = account.AccountName;
    transport::ConnectTrusting(
        smtp_,
        transport::CertificatePins(state_.fs, name.empty() ? "" : store::AccountFolder(name)), ui_);
    // Every command waits for its reply, so Nagle's algorithm only holds back the short
    // lines behind the server's delayed ACK: about 40 ms per message of a merge run.
    if (transport::TIdIOHandlerSocket* handler = smtp_.IOHandler()) {
      handler->Binding().SetNagle(false);
    }
  } catch (const std::exception& e) {
    out.status = SendOutcome::kFailed;
    out.message = platform::ErrorTextToSjis(e.what());
    return out;
  }
  try {
    send_time = platform::FormatDateTime("yyyy/mm/dd_hhnnss", platform::Now());
    if (!fields.merge) {
      const std::string id = "<" + send_time + "tegamin_TKWorld>";
      FillMessageText(msg, id, fields.body, p);
      msg.Recipients.SetFromText(p.to);
      smtp_.Send(msg);
      out.rows_sent = 1;
      out.message_id = id;
    } else {
      for (std::size_t r = 0; r < fields.merge_rows.size(); ++r) {
        const std::string id = "<" + send_time + Decimal(static_cast<int>(r)) + kMergeIdSuffix;
        MergeRow row = BuildMergeRow(fields.body, fields.merge_rows[r]);
        failed_row = static_cast<int>(r);
        failed_address = row.fields.empty() ? std::string() : OneLine(row.fields[0]);
        FillMessageText(msg, id, row.body, p);
        msg.Recipients.SetFromText(failed_address);
        smtp_.Send(msg);
        ++out.rows_sent;
        out.message_id = id;
        msg.Clear();
        FillCommon(msg, p);
      }
    }
  } catch (const std::exception& e) {
    smtp_.Disconnect();
    if (out.rows_sent == 0) {
      out.status = SendOutcome::kFailed;
      out.message = platform::ErrorTextToSjis(e.what());
      return out;
    }
    // A merge run that stopped part-way: the rows before it were delivered, so they are
    // recorded like a finished run, and the user learns which row to start again from.
    out.status = SendOutcome::kMergePartial;
    out.message = platform::Sjis("差込メールの送信を") + Decimal(failed_row + 1) +
                  platform::Sjis("行目（") + failed_address +
                  platform::Sjis("）で中断しました。\r\n1～") + Decimal(out.rows_sent) +
                  platform::Sjis("行目は送信済みです。\r\n\r\n") + platform::ErrorTextToSjis(e.what());
    try {
      StoreSent(state_, p, fields, out.message_id, send_time);
    } catch (const std::exception& store_error) {
      out.message +=
          platform::Sjis("\r\n\r\n送信済みメールの保存にも失敗しました: ") + platform::ErrorTextToSjis(store_error.what());
    }
    return out;
  }
  smtp_.Disconnect();
  try {
    StoreSent(state_, p, fields, out.message_id, send_time);
    out.status = SendOutcome::kSent;
  } catch (const std::exception& e) {
    out.status = SendOutcome::kSentNotStored;
    out.message =
        platform::Sjis("メールは送信しましたが、送信済みメールの保存に失敗しました。\r\n") +
        platform::ErrorTextToSjis(e.what());
  }
  fields.attachments.clear();
  return out;
}

}  // namespace compose
