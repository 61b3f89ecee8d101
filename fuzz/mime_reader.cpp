// Fuzzes the MIME reader: a stored file read from memory, then the message-file view of it;
// and the same bytes as a POP3 transfer, read once from memory and once through a connection
// that receives a few bytes at a time, which must agree exactly (with or without a limit on
// line length, as the first byte says).
#include "transport/mime_reader.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mailview/eml_view.h"
#include "transport/byte_channel.h"
#include "transport/exceptions.h"
#include "transport/message.h"
#include "transport/tcp_connection.h"

namespace {

// What a read produced, in a comparable form.
std::vector<std::string> Outcome(const transport::TIdMessage& m, const std::string& error) {
  std::vector<std::string> out = m.Headers.Lines();
  out.push_back("|body");
  out.insert(out.end(), m.Body.begin(), m.Body.end());
  for (std::size_t i = 0; i < m.Parts.Count(); ++i) {
    const auto& part = m.Parts[i];
    out.push_back("|part");
    out.insert(out.end(), part.Headers.begin(), part.Headers.end());
    if (part.Kind() == transport::TIdPartKind::kText) {
      const auto& body = static_cast<const transport::TIdText&>(part).Body;
      out.insert(out.end(), body.begin(), body.end());
    } else {
      out.push_back(static_cast<const transport::TIdAttachment&>(part).FileName);
    }
  }
  out.push_back("|error " + error);
  return out;
}

template <typename Source>
std::vector<std::string> ReadWith(Source&& read) {
  transport::TIdMessage m;
  m.DeleteTempFiles = true;
  std::string error;
  try {
    read(m);
  } catch (const transport::EIdException& e) {
    error = e.what();
  }
  return Outcome(m, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 8;
  // The top bit turns the line-length limit off, as a connection allows: long lines then
  // reach the decoders whole.
  const std::size_t limit = (data[0] & 0x80) != 0 ? 0 : 16384;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  {
    transport::TIdMessage msg;
    msg.DeleteTempFiles = true;  // attachment files go with the message
    try {
      transport::LoadFromBytes(msg, bytes);
      (void)mailview::BuildEmlViewText(msg);
    } catch (const transport::EIdException&) {
      // Documented failures of malformed input ("Uneven size ...", line too long, ...).
    }
  }

  const std::string wire = bytes + "\r\n.\r\n";
  auto from_memory = ReadWith([&](transport::TIdMessage& m) {
    transport::MemoryLineSource source(wire, false, limit);
    if (transport::ReadHeader(m, source) != ".") transport::ReadBody(m, source);
  });
  auto from_connection = ReadWith([&](transport::TIdMessage& m) {
    transport::TIdTCPConnection conn;
    conn.MaxLineLength = static_cast<int>(limit);
    conn.OpenOnChannel(std::make_unique<transport::MemoryChannel>(wire, chunk));
    if (transport::ReadHeader(m, conn) != ".") transport::ReadBody(m, conn);
  });
  if (from_memory != from_connection) std::abort();
  return 0;
}
