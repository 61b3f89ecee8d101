#include "platform/filesystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/codepage.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& p, int err) {
  throw FileError(what + " " + p.string() + ": " + std::strerror(err));
}

std::vector<std::string> List(const fs::path& dir, bool dirs_only) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (dirs_only && !it->is_directory(type_ec)) continue;
    names.push_back(SjisFileName(it->path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

fs::path NativePath(const fs::path& app_dir, std::string_view sjis) {
  std::string utf8 = Cp932ToUtf8(sjis);
  std::replace(utf8.begin(), utf8.end(), '\\', '/');
  if (!utf8.empty() && utf8.front() == '/') return fs::path(utf8);
  return app_dir / fs::path(utf8);
}

std::string SjisFileName(const fs::path& name) { return Cp932FromUtf8(name.string()); }

FileSystem::FileSystem(fs::path app_dir) : app_dir_(std::move(app_dir)) {}

bool FileSystem::FileExists(std::string_view path) const {
  std::error_code ec;
  return fs::is_regular_file(Native(path), ec);
}

std::optional<double> FileSystem::FileAge(std::string_view path) const {
  struct stat st {};
  if (::stat(Native(path).c_str(), &st) != 0) return std::nullopt;
  return UnixTimeToLocalDateTime(static_cast<double>(st.st_mtim.tv_sec) +
                                 static_cast<double>(st.st_mtim.tv_nsec) / 1e9);
}

bool FileSystem::RenameFile(std::string_view from, std::string_view to) const {
  std::error_code ec;
  fs::path dst = Native(to);
  if (fs::exists(dst, ec)) return false;  // renaming never replaces another file
  fs::rename(Native(from), dst, ec);
  return !ec;
}

void FileSystem::CopyFile(std::string_view from, std::string_view to) const {
  std::error_code ec;
  fs::copy_file(Native(from), Native(to), fs::copy_options::overwrite_existing, ec);
  if (ec) throw FileError("cannot copy " + Native(from).string() + ": " + ec.message());
}

bool FileSystem::DeleteFile(std::string_view path) const {
  std::error_code ec;
  fs::path p = Native(path);
  if (!fs::is_regular_file(fs::symlink_status(p, ec)) && !fs::is_symlink(p)) return false;
  return fs::remove(p, ec) && !ec;
}

bool FileSystem::DirectoryExists(std::string_view path) const {
  std::error_code ec;
  return fs::is_directory(Native(path), ec);
}

void FileSystem::ForceDirectories(std::string_view path) const {
  std::error_code ec;
  fs::path p = Native(path);
  fs::create_directories(p, ec);
  if (ec || !fs::is_directory(p)) Fail("cannot create directory", p, ec ? ec.value() : ENOTDIR);
}

std::vector<std::string> FileSystem::ListSubdirectories(std::string_view path) const {
  return List(Native(path), true);
}

std::vector<std::string> FileSystem::ListEntries(std::string_view path) const {
  return List(Native(path), false);
}

bool FileSystem::DeleteTree(std::string_view path) const {
  std::error_code ec;
  fs::path p = Native(path);
  if (!fs::is_directory(p, ec)) return false;
  fs::remove_all(p, ec);
  return !ec;
}

bool FileSystem::MoveDirectory(std::string_view from, std::string_view to) const {
  std::error_code ec;
  fs::path src = Native(from);
  fs::path dst = Native(to);
  if (src.filename().empty()) src = src.parent_path();
  if (dst.filename().empty()) dst = dst.parent_path();
  if (!fs::is_directory(src, ec)) return false;
  fs::create_directories(dst.parent_path(), ec);
  ec.clear();
  if (fs::exists(dst, ec)) return false;  // never merge into or replace another tree
  fs::rename(src, dst, ec);
  if (!ec) return true;
  // Across file systems: copy, then remove the source only when the copy is whole.
  ec.clear();
  fs::copy(src, dst, fs::copy_options::recursive, ec);
  if (ec) return false;
  fs::remove_all(src, ec);
  return !ec;
}

std::optional<std::string> FileSystem::ReadFile(std::string_view path) const {
  return ReadWholeFile(Native(path));
}

void FileSystem::WriteFileAtomic(std::string_view path, std::string_view bytes, unsigned mode,
                                 bool flush) const {
  platform::WriteFileAtomic(Native(path), bytes, mode, flush);
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    Fail("cannot open", path, errno);
  }
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      Fail("cannot read", path, err);
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

void WriteFileAtomic(const fs::path& path, std::string_view bytes, unsigned mode, bool flush) {
  fs::path dir = path.parent_path();
  std::string tmpl = (dir / ".yubinko-save-XXXXXX").string();
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) Fail("cannot create a temporary file for", path, errno);
  auto give_up = [&](int err) {
    ::close(fd);
    ::unlink(tmpl.c_str());
    Fail("cannot write", path, err);
  };
  if (::fchmod(fd, static_cast<mode_t>(mode)) != 0) give_up(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      give_up(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (flush && ::fsync(fd) != 0) give_up(errno);
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmpl.c_str());
    Fail("cannot write", path, err);
  }
  if (::rename(tmpl.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmpl.c_str());
    Fail("cannot replace", path, err);
  }
}

}  // namespace platform
