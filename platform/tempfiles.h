// The temporary directory and unique temporary files (mkstemp, mode 0600).
#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// TMPDIR, else /tmp, unless a test set another directory.
std::filesystem::path TempDirectory();
void SetTempDirectoryForTesting(const std::filesystem::path& dir);  // empty: back to default

// Creates a new empty file with a unique name in the temporary directory, mode 0600.
// Throws platform::FileError when it cannot.
std::filesystem::path MakeTempFile(std::string_view prefix);

}  // namespace platform
