// Fetching one message through the MIME reader (kept apart from the protocol so programs that
// never parse messages do not pull the reader in).
#include "transport/mime_reader.h"
#include "transport/pop3.h"

namespace transport {

bool TIdPOP3::Retrieve(int number, TIdMessage& message) {
  if (SendCommand("RETR " + std::to_string(number)) != kOk) return false;
  // A header ended by the "." line means the message has no body: nothing more to read.
  if (ReadHeader(message, *this) != ".") ReadBody(message, *this, ".");
  return true;
}

bool TIdPOP3::RetrieveHeader(int number, TIdMessage& message) {
  if (!HasCapability("TOP")) return Retrieve(number, message);
  if (SendCommand("TOP " + std::to_string(number) + " 0") != kOk) return false;
  // Some servers send a line or two of body even for 0; read up to the end marker regardless.
  if (ReadHeader(message, *this) != ".") {
    std::vector<std::string> rest;
    Capture(rest);
  }
  return true;
}

}  // namespace transport
