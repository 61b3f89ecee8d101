// Fuzzes the address parser, the address list splitter and both text forms.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transport/email_address.h"
#include "transport/message_exceptions.h"
#include "transport/mime_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  transport::HeaderCharsetSetting jp;
  try {
    transport::TIdEMailAddressItem item;
    item.SetText(text);
    (void)item.GetText();
    (void)transport::FormatAddress(item, jp);
  } catch (const transport::EIdEmailParseError&) {
  }
  try {
    transport::TIdEMailAddressList list;
    list.SetFromText(text);
    for (const auto& item : list) {
      // Blank and "<>" entries are never kept.
      std::string shown = item.GetText();
      if (shown.empty() || shown == "<>") std::abort();
    }
    (void)transport::FormatAddressList(list, jp);
  } catch (const transport::EIdEmailParseError&) {
  }
  return 0;
}
