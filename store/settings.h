// The one-line settings file "Yubinko.ini": the current account's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace store {

// The first line of the settings file, or nothing when the file is missing.
std::optional<std::string> LoadCurrentAccountName(const platform::FileSystem& fs);
// Rewrites the settings file (atomically) with `name` as its only line.
void SaveCurrentAccountName(const platform::FileSystem& fs, std::string_view name);

}  // namespace store
