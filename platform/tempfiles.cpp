#include "platform/tempfiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/filesystem.h"

namespace platform {
namespace {
std::filesystem::path& Override() {
  static std::filesystem::path dir;
  return dir;
}
}  // namespace

std::filesystem::path TempDirectory() {
  if (!Override().empty()) return Override();
  const char* env = std::getenv("TMPDIR");
  return (env != nullptr && *env != '\0') ? std::filesystem::path(env) : "/tmp";
}

void SetTempDirectoryForTesting(const std::filesystem::path& dir) { Override() = dir; }

std::filesystem::path MakeTempFile(std::string_view prefix) {
  std::string tmpl = (TempDirectory() / (std::string(prefix) + "XXXXXX")).string();
  int fd = ::mkstemp(tmpl.data());  // mkstemp creates the file with mode 0600
  if (fd < 0) {
    throw FileError("cannot create a temporary file in " + TempDirectory().string() + ": " +
                    std::strerror(errno));
  }
  ::close(fd);
  return tmpl;
}

}  // namespace platform
