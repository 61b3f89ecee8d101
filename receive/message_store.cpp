// Storing a received message.
#include "receive/message_store.h"

#include <string_view>

#include "jtext/convert.h"
#include "jtext/header_decode.h"
#include "jtext/jis_to_sjis.h"
#include "platform/codepage.h"
#include "store/message_file.h"
#include "store/paths.h"
#include "store/record.h"
#include "transport/message_text.h"

namespace receive {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool Contains(std::string_view text, std::string_view what) {
  return Upper(text).find(what) != std::string::npos;
}

std::string DecodedAttachmentName(const std::string& name) {
  if (Contains(name, "=?UTF-8?B?")) return jtext::DecodeUtf8BWords(name);
  return jtext::StrictJisToSjis(name);
}

void ConvertTextFile(const platform::FileSystem& fs, const std::string& path) {
  std::string_view name(path);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return;
  const std::string extension = Upper(name.substr(dot));
  if (extension != ".TXT" && extension != ".CSV") return;
  std::optional<std::string> bytes = fs.ReadFile(path);
  if (!bytes) return;
  fs.WriteFileAtomic(path, jtext::ConvertCode(*bytes, jtext::kCodeSjis), 0644, /*flush=*/false);
}

void WriteMessageFile(const platform::FileSystem& fs, const std::string& folder,
                      const MessageValues& v, std::string body) {
  store::ReceivedMessage m;
  m.to = v.to;
  m.reply_to = v.reply_to;
  m.cc = v.cc;
  m.key = v.key;
  m.references = v.references;
  m.sender = v.sender;
  m.subject = v.subject;
  m.date = v.date;
  m.size = v.size;
  if (!body.empty()) m.texts.push_back(std::move(body));
  // Flushed with everything else of the run in one pass before any deletion is marked.
  fs.WriteFileAtomic(store::MessageFilePath(folder, v.key), store::FormatReceivedMessage(m), 0644,
                     /*flush=*/false);
}

}  // namespace

std::string StoreParsedMessage(const platform::FileSystem& fs, const std::string& folder,
                               const MessageValues& values, transport::TIdMessage& msg) {
  bool has_attachments = false;
  for (std::size_t i = 0; i < msg.Parts.Count(); ++i) {
    if (msg.Parts[i].Kind() != transport::TIdPartKind::kAttachment) continue;
    auto& attachment = static_cast<transport::TIdAttachment&>(msg.Parts[i]);
    const std::string dir = store::AttachmentDirectory(folder, values.key);
    if (!fs.DirectoryExists(dir)) fs.ForceDirectories(dir);
    const std::string path =
        store::AttachmentFilePath(folder, values.key, DecodedAttachmentName(attachment.FileName));
    fs.DeleteFile(path);
    attachment.SaveToFile(fs.Native(path).string());
    ConvertTextFile(fs, path);
    has_attachments = true;
  }
  WriteMessageFile(fs, folder, values, transport::BodyTextSjis(msg));
  return std::string(has_attachments ? store::kHasAttachments : store::kNoAttachments);
}

std::string StoreUnreadableMessage(const platform::FileSystem& fs, const std::string& folder,
                                   const MessageValues& values, const Spool& spool,
                                   const std::string& reader_error) {
  const std::string dir = store::AttachmentDirectory(folder, values.key);
  if (!fs.DirectoryExists(dir)) fs.ForceDirectories(dir);
  spool.SaveRaw(fs.Native(dir + "message.eml"));
  std::string note = platform::Sjis(
      "このメールは形式が崩れているため本文を読み取れませんでした。\r\n"
      "受信したままの内容を添付ファイル message.eml として保存しています。\r\n");
  note += '(';
  note += reader_error;
  note += ")\r\n";
  WriteMessageFile(fs, folder, values, std::move(note));
  return std::string(store::kHasAttachments);
}

std::string IndexRecord(const MessageValues& v, const std::string& attachment_flag) {
  return store::JoinRecord({v.key, v.subject, v.sender, v.date, v.size, attachment_flag,
                            std::string(store::kStateUnread)});
}

}  // namespace receive
