// The window's own view of the store's index files: record split and join, file stems and a
// sorted, duplicate-free list of lines (folder index, received-key list, sent index).
// Kept small and local so the windows can work before and beside the store library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace app {

// Fields of a record, split at every TAB (an empty line is one empty field).
std::vector<std::string> SplitRecord(std::string_view line);
std::string JoinRecord(const std::vector<std::string>& fields);

// File-name form of a message key: spaces removed, cut to 50 bytes, unsafe characters
// replaced one for one.
std::string FileStem(std::string_view key);

// Lines of a text file (CR, LF or CR LF), without a trailing empty line.
std::vector<std::string> SplitLines(std::string_view text);
// Lines joined with CR LF, each line ended.
std::string JoinLines(const std::vector<std::string>& lines);

// Number of records whose state (field 6) is "1".
int UnreadCount(const std::vector<std::string>& records);

// Lines kept in case-insensitive locale order; a line equal to one present apart from
// letter case is dropped.
class SortedList {
 public:
  const std::vector<std::string>& lines() const { return lines_; }
  int size() const { return static_cast<int>(lines_.size()); }
  bool empty() const { return lines_.empty(); }

  void Assign(std::vector<std::string> lines);  // sorts and drops duplicates
  void Add(const std::string& line);
  void Delete(int index);
  void Clear() { lines_.clear(); }
  // Position of the first record whose field 0 equals the key ignoring case, or -1.
  int Find(std::string_view key) const;
  // Replaces the state (field 6) of the record at index; the line moves to its new place.
  void SetState(int index, const std::string& state);

  // Missing file -> empty list.
  void Load(const platform::FileSystem& fs, std::string_view path);
  void Save(const platform::FileSystem& fs, std::string_view path) const;

 private:
  std::vector<std::string> lines_;
};

// The directory part of a Shift_JIS store path, up to and including the last "\\".
std::string DirectoryOf(std::string_view path);

// Reads a file's lines in file order; nothing when it is missing.
std::vector<std::string> LoadLines(const platform::FileSystem& fs, std::string_view path);
void SaveLines(const platform::FileSystem& fs, std::string_view path,
               const std::vector<std::string>& lines);

}  // namespace app
