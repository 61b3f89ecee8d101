// The spool of one fetched message.
#include "receive/spool.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/filesystem.h"
#include "platform/tempfiles.h"
#include "transport/exceptions.h"
#include "transport/mime_reader.h"

namespace receive {
namespace {

// A wire line longer than this is a broken or hostile server, not mail: it ends the fetch like
// any other connection failure instead of growing without bound. Lines the reader would refuse
// (over the connection's own limit) are still spooled, so such a message is kept raw.
constexpr int kWireLineLimit = 8 * 1024 * 1024;

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t Mix(std::uint64_t hash, std::string_view bytes) {
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= kFnvPrime;
  }
  return hash;
}

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path) {
  throw platform::FileError(std::string(what) + " \"" + path.string() +
                            "\": " + std::strerror(errno));
}

// Lines of a spool file under the connection's rules: one CR before the LF dropped, the same
// limit on line length, and running out of lines reads as a closed connection.
class FileLineSource final : public transport::TIdLineSource {
 public:
  FileLineSource(std::FILE* file, std::size_t max_line_length)
      : file_(file), max_line_length_(max_line_length) {}
  ~FileLineSource() override { std::free(buffer_); }
  FileLineSource(const FileLineSource&) = delete;
  FileLineSource& operator=(const FileLineSource&) = delete;

  std::string_view ReadLine() override {
    ssize_t n = getline(&buffer_, &capacity_, file_);
    if (n <= 0) throw transport::EIdConnClosedGracefully();
    std::size_t length = static_cast<std::size_t>(n);
    if (buffer_[length - 1] == '\n') --length;
    if (max_line_length_ > 0 && length > max_line_length_) {
      throw transport::EIdReadLnMaxLineLengthExceeded();
    }
    if (length > 0 && buffer_[length - 1] == '\r') --length;
    return {buffer_, length};
  }

 private:
  std::FILE* file_;
  std::size_t max_line_length_;
  char* buffer_ = nullptr;
  std::size_t capacity_ = 0;
};

// A spooled line as it is kept raw: the closing "." ends the walk, stuffing is removed.
// Answers false at the closing line.
template <typename Sink>
bool RawLine(std::string_view line, Sink& sink) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line == ".") return false;
  if (line.starts_with("..")) line.remove_prefix(1);
  sink(line);
  return true;
}

constexpr std::size_t kMemoryLimit = 4 * 1024 * 1024;

}  // namespace

Spool::Spool() : path_(platform::MakeTempFile("yubinko-retr-")) {
  file_ = std::fopen(path_.c_str(), "w+b");
  if (file_ == nullptr) Fail("Cannot open spool file", path_);
}

Spool::~Spool() {
  if (file_ != nullptr) std::fclose(file_);
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

void Spool::Reset() {
  if (file_used_) {
    std::rewind(file_);
    if (ftruncate(fileno(file_), 0) != 0) Fail("Cannot empty spool file", path_);
    file_used_ = false;
  }
  memory_.clear();
  in_file_ = false;
  hash_ = kFnvOffset;
  size_ = 0;
}

void Spool::Append(std::string_view line) {
  if (!in_file_) {
    memory_ += line;
    if (memory_.size() <= kMemoryLimit) return;
    in_file_ = file_used_ = true;
    line = memory_;
  }
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) {
    Fail("Cannot write spool file", path_);
  }
  memory_.clear();
}

template <typename Sink>
void Spool::ForEachRawLine(Sink&& sink) const {
  if (!in_file_) {
    std::string_view rest = memory_;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end == std::string_view::npos ? end : end + 1);
      if (!RawLine(line, sink)) return;
      rest.remove_prefix(line.size());
    }
    return;
  }
  std::rewind(file_);
  char* buffer = nullptr;
  std::size_t capacity = 0;
  ssize_t n;
  while ((n = getline(&buffer, &capacity, file_)) > 0) {
    if (!RawLine(std::string_view(buffer, static_cast<std::size_t>(n)), sink)) break;
  }
  std::free(buffer);
}

bool Spool::Fetch(transport::TIdPOP3& pop, int number) {
  whole_ = true;
  return FetchReply(pop, "RETR " + std::to_string(number));
}

bool Spool::FetchHeader(transport::TIdPOP3& pop, int number) {
  if (!pop.HasCapability("TOP")) return Fetch(pop, number);
  whole_ = false;
  // Some servers add a line or two of body even for 0 lines; the reader stops at the header's
  // end, so those lines only cost their bytes.
  return FetchReply(pop, "TOP " + std::to_string(number) + " 0");
}

bool Spool::FetchReply(transport::TIdPOP3& pop, const std::string& command) {
  Reset();
  if (pop.SendCommand(command) != transport::TIdPOP3::kOk) return false;
  while (true) {
    std::string line = pop.ReadLine("\n", -1, kWireLineLimit);
    line.push_back('\n');
    Append(line);
    hash_ = Mix(hash_, line);
    size_ += line.size();
    if (line == ".\n") break;
  }
  if (in_file_ && std::fflush(file_) != 0) Fail("Cannot write spool file", path_);
  return true;
}

bool Spool::Parse(transport::TIdMessage& msg, std::string& error) const {
  msg.Clear();
  // The connection's own limit on line length applies, as if the message came off the wire.
  constexpr std::size_t kLineLimit = 16384;
  transport::MemoryLineSource memory(memory_, false, kLineLimit);
  std::rewind(file_);
  FileLineSource file(file_, kLineLimit);
  transport::TIdLineSource& source = in_file_ ? static_cast<transport::TIdLineSource&>(file)
                                              : static_cast<transport::TIdLineSource&>(memory);
  try {
    if (transport::ReadHeader(msg, source) != ".") transport::ReadBody(msg, source, ".");
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  return true;
}

std::string Spool::RawText() const {
  std::string text;
  text.reserve(static_cast<std::size_t>(size_ + size_ / 32));
  ForEachRawLine([&text](std::string_view line) {
    text += line;
    text += "\r\n";
  });
  return text;
}

void Spool::SaveRaw(const std::filesystem::path& destination) const {
  std::ofstream out(destination, std::ios::binary | std::ios::trunc);
  if (!out) Fail("Cannot create file", destination);
  ForEachRawLine([&out](std::string_view line) {
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.write("\r\n", 2);
  });
  out.flush();
  if (!out) Fail("Cannot write file", destination);
}

}  // namespace receive
