// Clearing the message model.
#include "transport/message.h"

namespace transport {

void TIdMessage::ClearHeader() {
  CCList.Clear();
  BccList.Clear();
  Date = 0;
  From.Clear();
  NewsGroups.clear();
  Organization.clear();
  References.clear();
  ReplyTo.Clear();
  Subject.clear();
  Recipients.Clear();
  Priority = mpNormal;
  ReceiptRecipient.Clear();
  ContentType.clear();
  CharSet.clear();
  ContentTransferEncoding.clear();
  ContentDisposition.clear();
  Sender.Clear();
  Headers.Clear();
  ExtraHeaders.Clear();
  MIMEBoundary.clear();
  MessageId.clear();
}

}  // namespace transport
