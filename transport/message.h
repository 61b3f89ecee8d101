// One Internet mail message in memory: header fields, raw header lines, body lines and parts.
// The MIME writer (mime_writer.h) turns it into wire text; the reader (mime_reader.h) fills it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "transport/email_address.h"
#include "transport/header_list.h"
#include "transport/message_parts.h"

namespace transport {

enum TIdMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };
enum TIdMessageEncoding { meMIME, meUU };

// May replace the header character setting ('B' or 'Q', charset) before a header is built.
using TIdInitializeIsoEvent = std::function<void(char& header_encoding, std::string& charset)>;

class TIdMessage {
 public:
  TIdMessage() = default;
  TIdMessage(const TIdMessage&) = delete;
  TIdMessage& operator=(const TIdMessage&) = delete;

  TIdEMailAddressItem From;
  TIdEMailAddressItem Sender;
  TIdEMailAddressList ReplyTo;
  TIdEMailAddressList Recipients;
  TIdEMailAddressList CCList;
  TIdEMailAddressList BccList;
  TIdEMailAddressItem ReceiptRecipient;
  std::string Subject;
  std::string Organization;
  std::string References;
  std::vector<std::string> NewsGroups;
  // Days since 1899-12-30, local time; 0 means "now" when writing.
  double Date = 0;
  std::string ContentType;
  std::string CharSet;
  std::string ContentTransferEncoding;
  std::string ContentDisposition;
  TIdMessagePriority Priority = mpNormal;
  std::vector<std::string> Body;
  TIdMessageParts Parts;
  TIdHeaderList Headers;
  TIdHeaderList ExtraHeaders;
  std::string MessageId;
  TIdMessageEncoding Encoding = meMIME;
  std::string AttachmentEncoding = "MIME";
  // Attachment files the reader makes go with the message (Clear, destruction) unless a caller
  // that wants to keep them sets this false before reading.
  bool DeleteTempFiles = true;
  bool NoEncode = false;
  bool NoDecode = false;
  TIdInitializeIsoEvent OnInitializeISO;

  // The MIME boundary stack of the reader, the current boundary last.
  std::vector<std::string> MIMEBoundary;

  bool UseNowForDate() const { return Date == 0; }
  void SetEncoding(TIdMessageEncoding e) {
    Encoding = e;
    AttachmentEncoding = e == meUU ? "UUE" : "MIME";
  }

  // Empties header fields and body; DeleteTempFiles, Encoding, NoEncode and NoDecode stay.
  void Clear() {
    ClearHeader();
    ClearBody();
  }
  void ClearHeader();
  void ClearBody() {
    Parts.Clear();
    Body.clear();
  }

  // Reads a stored message file (defined with the reader, mime_reader.cpp).
  void LoadFromFile(const std::string& file_name, bool headers_only = false);
};

}  // namespace transport
