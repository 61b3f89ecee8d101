// Fuzzes the POP3 client's handling of server replies: the greeting and login, STAT, LIST and
// RETR answered by arbitrary bytes end in a result or a documented exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "transport/byte_channel.h"
#include "transport/exceptions.h"
#include "transport/pop3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace transport;
  TIdPOP3 pop;
  pop.OpenOnChannel(
      std::make_unique<MemoryChannel>(std::string(reinterpret_cast<const char*>(data), size)));
  try {
    pop.CheckReply(pop.ReadReply(), {TIdPOP3::kOk});
    for (int number = 1; number < 100; ++number) {
      int count = pop.MessageCount();
      (void)count;
      int message_size = pop.MessageSize(number);
      if (message_size < -1) std::abort();
      std::vector<int> sizes;
      if (pop.ListSizes(number, sizes)) {
        if (sizes.size() != static_cast<std::size_t>(number) + 1) std::abort();
        for (int listed : sizes) {
          if (listed < -1) std::abort();
        }
      }
      std::vector<std::string> lines;
      if (pop.RetrieveRaw(number, lines)) {
        for (const std::string& line : lines) {
          if (line.find('\n') != std::string::npos) std::abort();
        }
      } else if (!lines.empty()) {
        std::abort();
      }
      pop.DeleteMessage(number);
    }
  } catch (const EIdException&) {
  } catch (const EConvertError&) {
  }
  return 0;
}
