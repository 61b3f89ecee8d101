// Fuzzes the names the store makes from message data: whatever a key or an attachment
// name holds, the result is one plain file name inside its folder.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "store/attachment_name.h"
#include "store/message_key.h"

namespace {

void CheckPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") std::abort();
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(name[i]);
    if (b < 0x20 || b == 0x7F) std::abort();
    if (platform::IsSjisLeadByte(b) && i + 1 < name.size()) {
      ++i;  // a trail byte 0x5C belongs to its character
      continue;
    }
    if (b == '/' || b == '\\') std::abort();
  }
  // What the file system sees must hold no separator either.
  if (platform::Cp932ToUtf8(name).find('/') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string stem = store::FileStem(bytes);
  CheckPlainName(stem);
  if (stem.size() > 51) std::abort();

  // Resolved as the store does, the stem is one directory level and nothing more.
  if (platform::NativePath("/app", "d\\" + stem + "\\f").parent_path().parent_path() != "/app/d") {
    std::abort();
  }

  const std::string name = store::CleanAttachmentName(bytes);
  CheckPlainName(name);
  if (platform::NativePath("/app", "d\\" + name).parent_path() != "/app/d") std::abort();
  if (platform::Cp932ToUtf8(name).size() > 255) std::abort();
  return 0;
}
