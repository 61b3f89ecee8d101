// yubinko-cli convert: stdin -> stdout through the Japanese code conversion.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>
#include <string_view>

#include "jtext/convert.h"
#include "tools/cli_command.h"

namespace {

// Standard input as one byte view. A regular file is mapped rather than copied, since
// bodies can be large; a pipe or terminal is read whole.
class StdinBytes {
 public:
  StdinBytes() {
    struct stat st {};
    const off_t at = ::lseek(0, 0, SEEK_CUR);
    if (::fstat(0, &st) == 0 && S_ISREG(st.st_mode) && at >= 0 && st.st_size > at) {
      void* map = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, 0, 0);
      if (map != MAP_FAILED) {
        map_ = map;
        map_size_ = static_cast<size_t>(st.st_size);
        view_ = std::string_view(static_cast<const char*>(map) + at, map_size_ - at);
        return;
      }
    }
    copy_ = cli::ReadStdin();
    view_ = copy_;
  }
  ~StdinBytes() {
    if (map_ != nullptr) ::munmap(map_, map_size_);
  }
  StdinBytes(const StdinBytes&) = delete;
  StdinBytes& operator=(const StdinBytes&) = delete;

  std::string_view view() const { return view_; }

 private:
  void* map_ = nullptr;
  size_t map_size_ = 0;
  std::string copy_;
  std::string_view view_;
};

int Run(const std::vector<std::string>& args) {
  std::string to;
  if (args.size() == 2 && args[0] == "--to") to = args[1];
  if (args.size() == 1 && args[0].starts_with("--to=")) to = args[0].substr(5);
  if (to != "sjis" && to != "jis") {
    std::cerr << "usage: yubinko-cli convert --to sjis|jis\n";
    return 2;
  }
  const jtext::CodeClass target = to == "sjis" ? jtext::kCodeSjis : jtext::kCodeJis;
  const StdinBytes input;
  cli::WriteStdout(jtext::ConvertCode(input.view(), target));
  return 0;
}

const cli::Registrar reg({"convert", "convert --to sjis|jis",
                          "Convert standard input to Shift_JIS (received text) or to "
                          "ISO-2022-JP (outgoing text); undecided text passes unchanged.",
                          Run});

}  // namespace
