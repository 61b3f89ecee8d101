// A fresh application directory for one test, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace platform::testing {

class TempAppDir {
 public:
  TempAppDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "yubinko-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempAppDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempAppDir(const TempAppDir&) = delete;
  TempAppDir& operator=(const TempAppDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace platform::testing
