// Test helper: a temporary application directory with a small mail store in it.
#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/testing/temp_app_dir.h"

namespace app::testing {

// Store path from a UTF-8 spelling ("受信\\acc\\MsgID.ini").
inline std::string P(const char* utf8) { return platform::Sjis(utf8); }

// A record line from UTF-8 fields.
inline std::string Rec(const char* key, const char* subject, const char* state,
                       const char* date = "2024/01/01_10:00:00", const char* size = "100",
                       const char* attach = "2", const char* from = "a@example.com") {
  return JoinRecord(
      {key, platform::Sjis(subject), platform::Sjis(from), date, size, attach, state});
}

class TestStore {
 public:
  TestStore() : fs_(dir_.path()) {}
  const platform::FileSystem& fs() const { return fs_; }
  const std::filesystem::path& path() const { return dir_.path(); }

  void Write(const char* utf8_path, const std::string& bytes) const {
    std::string p = P(utf8_path);
    std::string dir = DirectoryOf(p);
    if (!dir.empty()) fs_.ForceDirectories(dir);
    fs_.WriteFileAtomic(p, bytes);
  }
  void WriteLines(const char* utf8_path, const std::vector<std::string>& lines) const {
    Write(utf8_path, JoinLines(lines));
  }
  std::vector<std::string> Lines(const char* utf8_path) const {
    return LoadLines(fs_, P(utf8_path));
  }
  bool Exists(const char* utf8_path) const { return fs_.FileExists(P(utf8_path)); }
  bool DirExists(const char* utf8_path) const { return fs_.DirectoryExists(P(utf8_path)); }

 private:
  platform::testing::TempAppDir dir_;
  platform::FileSystem fs_;
};

}  // namespace app::testing
