// The settings file.
#include "store/settings.h"

#include "store/paths.h"
#include "store/record.h"

namespace store {

std::optional<std::string> LoadCurrentAccountName(const platform::FileSystem& fs) {
  std::optional<std::string> text = fs.ReadFile(std::string(kSettingsFile));
  if (!text) return std::nullopt;
  std::vector<std::string> lines = SplitLines(*text);
  return lines.empty() ? std::string() : lines.front();
}

void SaveCurrentAccountName(const platform::FileSystem& fs, std::string_view name) {
  std::string line(name);
  line = line.substr(0, line.find_first_of("\r\n"));  // one line, whatever the name holds
  fs.WriteFileAtomic(std::string(kSettingsFile), line + "\r\n");
}

}  // namespace store
