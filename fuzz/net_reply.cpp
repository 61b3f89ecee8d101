// Fuzzes the generic reply reader: any server bytes give replies whose codes agree with each
// other, or a transport exception; never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "transport/byte_channel.h"
#include "transport/exceptions.h"
#include "transport/tcp_connection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace transport;
  TIdTCPConnection connection;
  connection.OpenOnChannel(
      std::make_unique<MemoryChannel>(std::string(reinterpret_cast<const char*>(data), size)));
  try {
    for (int i = 0; i < 1000; ++i) {
      int code = connection.ReadReply();
      const TIdRFCReply& reply = connection.LastReply();
      if (reply.TextCode().size() > 4 || reply.Text.empty()) std::abort();
      if (!reply.TextCode().empty() && code != ReplyCodeValue(reply.TextCode())) std::abort();
      connection.CheckReply(code, {-1});
      try {
        connection.CheckReply(code, {250});
      } catch (const EIdProtocolReplyError& e) {
        if (e.ReplyErrorCode() != code || e.Message() != reply.JoinedText()) {
          std::abort();
        }
      }
    }
  } catch (const EIdException&) {
    // The data ran out in the middle of a reply or a line was too long.
  }
  return 0;
}
