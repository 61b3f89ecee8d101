// Writing one received message into a folder of the store: its attachments into the message's
// attachment directory, then its message file; and the index record that lists it.
#pragma once

#include <string>

#include "platform/filesystem.h"
#include "receive/message_values.h"
#include "receive/spool.h"
#include "transport/message.h"

namespace receive {

// Saves the attachments of `msg` and writes the message file into `folder` (a store path ending
// with "\", existing). The files are not flushed: the caller syncs the store before it relies
// on them. Answers the attachment flag ("1" or "2"). Raises platform::FileError or the
// transport's error when a file cannot be written.
std::string StoreParsedMessage(const platform::FileSystem& fs, const std::string& folder,
                               const MessageValues& values, transport::TIdMessage& msg);

// Keeps a message the reader could not read: its raw text whole as the attachment
// "message.eml", and a short note (with the reader's error) as the body. Answers "1".
std::string StoreUnreadableMessage(const platform::FileSystem& fs, const std::string& folder,
                                   const MessageValues& values, const Spool& spool,
                                   const std::string& reader_error);

// key, subject, sender, date, size, attachment flag and "1" (unread), TAB-separated.
std::string IndexRecord(const MessageValues& values, const std::string& attachment_flag);

}  // namespace receive
