// Message parts: attachment files and their clean-up, part counting.
#include "transport/message_parts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "transport/exceptions.h"

namespace transport {
namespace {

// Copies `from` to a new file `to`; false when `to` exists or anything fails (a partial copy
// is removed again).
bool CopyNewFile(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  while (ok) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

}  // namespace

std::string LastPathComponent(std::string_view path) {
  std::size_t sep = path.find_last_of("/\\");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

TIdAttachment::TIdAttachment(std::string path)
    : FileName(LastPathComponent(path)), StoredPath(std::move(path)) {}

TIdAttachment::~TIdAttachment() {
  if (DeleteTempFile && !StoredPath.empty()) ::unlink(StoredPath.c_str());
}

bool TIdAttachment::SaveToFile(const std::string& destination) {
  if (!CopyNewFile(StoredPath, destination)) throw EIdException("Error saving attachment.");
  DeleteTempFile = true;
  return true;
}

TIdText& TIdMessageParts::AddText() {
  return static_cast<TIdText&>(Add(std::make_unique<TIdText>()));
}

TIdAttachment& TIdMessageParts::AddAttachment(std::string path) {
  return static_cast<TIdAttachment&>(Add(std::make_unique<TIdAttachment>(std::move(path))));
}

TIdMessagePart& TIdMessageParts::Add(std::unique_ptr<TIdMessagePart> part) {
  parts_.push_back(std::move(part));
  return *parts_.back();
}

std::size_t TIdMessageParts::AttachmentCount() const {
  std::size_t n = 0;
  for (const auto& p : parts_) n += p->Kind() == TIdPartKind::kAttachment;
  return n;
}

std::size_t TIdMessageParts::RelatedPartCount() const {
  std::size_t n = 0;
  for (const auto& p : parts_) {
    n += p->Kind() == TIdPartKind::kAttachment && !p->ContentID().empty();
  }
  return n;
}

std::size_t TIdMessageParts::TextPartCount() const {
  std::size_t n = 0;
  for (const auto& p : parts_) n += p->Kind() == TIdPartKind::kText;
  return n;
}

}  // namespace transport
