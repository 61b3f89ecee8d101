// The received and sent message files: writing them and reading header lines back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace store {

// Content of a received message file; every text is Shift_JIS.
struct ReceivedMessage {
  std::string to;
  std::string reply_to;
  std::string cc;
  std::string key;
  std::string references;
  std::string sender;              // as index field 2
  std::string subject;             // as index field 1
  std::string date;                // as index field 3
  std::string size;                // as index field 4
  std::vector<std::string> texts;  // the text parts, in order
};

// The file's bytes: ten header lines, then the text parts joined by a line break,
// "========" and a line break. Lines end with CR LF.
std::string FormatReceivedMessage(const ReceivedMessage& message);
// Writes folder + stem + ".txt" atomically, creating the folder when missing.
void WriteReceivedMessage(const platform::FileSystem& fs, std::string_view folder_dir,
                          const ReceivedMessage& message);

// Content of a sent message file.
struct SentMessage {
  std::string reply_to;
  std::string cc;
  std::string bcc;
  std::string to;
  std::string subject;
  std::string date;                           // "yyyy/mm/dd_hhnnss"
  std::vector<std::string> attachment_names;  // without directories
  std::string body;
};

std::string FormatSentMessage(const SentMessage& message);
// Writes "送信\" + stem of `key` + ".txt" atomically, creating "送信\" when missing.
void WriteSentMessage(const platform::FileSystem& fs, std::string_view key,
                      const SentMessage& message);

// The value of a header line found by content: the first line containing `name`; the
// value is what follows the name and the one character after it. "" when none.
std::string ReadHeaderValue(std::string_view file_text, std::string_view name);

}  // namespace store
