// The file-system boundary. The store names files by Shift_JIS paths relative to the
// application directory with "\" as separator; this is the one place that turns such a
// path into a native one, and where the file operations the store needs live.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A file operation that failed; the message names the operation and the file.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Shift_JIS store path -> native path under app_dir. The path is decoded first, so a trail
// byte 0x5C (as in 表 or ソ) is never taken for a separator; then "\" becomes "/".
// An absolute store path (starting with "/") is taken as it is.
std::filesystem::path NativePath(const std::filesystem::path& app_dir, std::string_view sjis);

// A native file name (UTF-8 on this system) -> Shift_JIS, for names listed from disk.
std::string SjisFileName(const std::filesystem::path& name);

// File operations on Shift_JIS store paths relative to one application directory.
class FileSystem {
 public:
  explicit FileSystem(std::filesystem::path app_dir);

  const std::filesystem::path& AppDir() const { return app_dir_; }
  std::filesystem::path Native(std::string_view sjis) const { return NativePath(app_dir_, sjis); }

  bool FileExists(std::string_view path) const;
  // Last modification as a day count (local time), or nothing when the file is missing.
  std::optional<double> FileAge(std::string_view path) const;
  bool RenameFile(std::string_view from, std::string_view to) const;
  void CopyFile(std::string_view from, std::string_view to) const;  // overwrites; throws
  bool DeleteFile(std::string_view path) const;

  bool DirectoryExists(std::string_view path) const;
  void ForceDirectories(std::string_view path) const;  // with missing parents; throws
  // Names (Shift_JIS) of the subdirectories, or of all entries, sorted by byte order.
  std::vector<std::string> ListSubdirectories(std::string_view path) const;
  std::vector<std::string> ListEntries(std::string_view path) const;
  // Silent and permanent; false when the directory is missing or could not be removed.
  bool DeleteTree(std::string_view path) const;
  // Moves a directory, creating missing target parents; false when the source is missing
  // or the move failed.
  bool MoveDirectory(std::string_view from, std::string_view to) const;

  // Whole-file read; nothing when the file is missing. Throws on other errors.
  std::optional<std::string> ReadFile(std::string_view path) const;
  // Writes to a temporary file in the same directory, syncs it and renames it over the
  // old file, so a failed or interrupted save leaves the old file intact. `mode` applies
  // to the new file (0600 for files holding passwords). Without `flush` the data is not
  // synced here: for a batch of files that the caller flushes at once (syncfs) before it
  // relies on them.
  void WriteFileAtomic(std::string_view path, std::string_view bytes, unsigned mode = 0644,
                       bool flush = true) const;

 private:
  std::filesystem::path app_dir_;
};

// The same atomic write for a native path.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                     unsigned mode = 0644, bool flush = true);
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace platform
