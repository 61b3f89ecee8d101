// The main window's handle on the store's index files: the store's record helpers, and a
// sorted, duplicate-free list of lines (folder index, received-key list, sent index) on top
// of store::IndexList.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "store/index_list.h"
#include "store/message_key.h"
#include "store/paths.h"
#include "store/record.h"

namespace state {

using store::FileStem;
using store::JoinRecord;
using store::SplitLines;
using store::SplitRecord;

// Lines joined with CR LF, each line ended.
std::string JoinLines(const std::vector<std::string>& lines);

// Number of records whose state (field 6) is "1".
int UnreadCount(const std::vector<std::string>& records);

// The directory part of a Shift_JIS store path, up to and including the last "\".
inline std::string DirectoryOf(std::string_view path) { return store::ParentDirectory(path); }

// Lines kept in case-insensitive locale order; a line equal to one present apart from
// letter case is dropped.
class SortedList {
 public:
  const std::vector<std::string>& lines() const { return list_.lines(); }
  int size() const { return static_cast<int>(list_.size()); }
  bool empty() const { return list_.empty(); }

  void Assign(const std::vector<std::string>& lines);  // sorts and drops duplicates
  void Add(const std::string& line) { list_.Add(line); }
  void Delete(int index);
  void Clear() { list_.Clear(); }
  // Position of the first record whose field 0 equals the key ignoring case, or -1.
  int Find(std::string_view key) const { return list_.Find(key); }
  // Replaces the state (field 6) of the record at index; the line moves to its new place.
  void SetState(int index, const std::string& state);

  // Missing file -> empty list.
  void Load(const platform::FileSystem& fs, std::string_view path) { list_.Load(fs, path); }
  void Save(const platform::FileSystem& fs, std::string_view path) const { list_.Save(fs, path); }

  // The store's list underneath, for the store's operations on whole messages.
  store::IndexList& store_list() { return list_; }

 private:
  store::IndexList list_{store::IndexList::Order::kSorted};
};

// Reads a file's lines in file order; nothing when it is missing.
std::vector<std::string> LoadLines(const platform::FileSystem& fs, std::string_view path);
// Rewrites the file whole (atomically), creating its directory when missing.
void SaveLines(const platform::FileSystem& fs, std::string_view path,
               const std::vector<std::string>& lines);

}  // namespace state
