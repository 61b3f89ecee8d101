// Fuzzes the line reader: whatever the chunk size and the length limit, every line it hands out
// is within the limit and holds no LF, and the lines plus their ends account for the input.
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
  if (size < 2) return 0;
  const std::size_t chunk = data[0] % 16;  // 0: everything at once
  const int limit = data[1] % 64;          // 0: no limit
  const std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
  TIdTCPConnection connection;
  connection.MaxLineLength = limit;
  connection.MaxLineAction = (data[0] & 0x80) ? maSplit : maException;
  connection.OpenOnChannel(std::make_unique<MemoryChannel>(input, chunk));
  std::size_t consumed = 0;
  try {
    for (std::size_t i = 0; i <= input.size(); ++i) {
      std::string line = connection.ReadLine();
      if (line.find('\n') != std::string::npos) std::abort();
      if (limit > 0 && line.size() > static_cast<std::size_t>(limit)) std::abort();
      if (connection.MaxLineAction == maSplit) continue;
      // A returned line is a prefix of what is left, followed by its end.
      if (input.compare(consumed, line.size(), line) != 0) std::abort();
      consumed += line.size();
      if (consumed < input.size() && input[consumed] == '\r' && consumed + 1 < input.size() &&
          input[consumed + 1] == '\n') {
        consumed += 2;
      } else if (consumed < input.size() && input[consumed] == '\n') {
        consumed += 1;
      }
    }
  } catch (const EIdException&) {
  }
  if (consumed > input.size()) std::abort();
  return 0;
}
