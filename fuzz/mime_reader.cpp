// Fuzzes the MIME reader over a stored-file source, then the message-file view of the result.
#include "transport/mime_reader.h"

#include <cstdint>
#include <string>

#include "transport/eml_view.h"
#include "transport/exceptions.h"
#include "transport/message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  transport::TIdMessage msg;
  msg.DeleteTempFiles = true;  // attachment files go with the message
  try {
    transport::LoadFromBytes(msg, bytes);
    (void)transport::BuildEmlViewText(msg);
  } catch (const transport::EIdException&) {
    // Documented failures of malformed input ("Uneven size ...", line too long, ...).
  }
  return 0;
}
