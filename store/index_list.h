// The in-memory form of a folder index, a received-key list or the sent index: lines kept
// in case-insensitive locale order with duplicates (ignoring case) dropped, or, for
// writers that only append to a folder they do not show, the file's lines as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "store/text_key.h"

namespace store {

class IndexList {
 public:
  enum class Order {
    kSorted,    // sorted by the whole line ignoring case, duplicates dropped
    kAsLoaded,  // file order kept, Add appends
  };

  explicit IndexList(Order order = Order::kSorted);

  Order order() const { return order_; }
  bool sorted() const { return order_ == Order::kSorted; }

  // Replaces the content with the file's lines; a missing file gives an empty list.
  // Accepts CR, LF and CR LF line ends. Throws platform::FileError on read errors.
  void Load(const platform::FileSystem& fs, std::string_view path);
  // Same from text in memory.
  void SetText(std::string_view text);

  // Every line followed by CR LF, in list order.
  std::string Text() const;
  // Writes Text() atomically (the old file survives a failed save), creating the
  // directory when missing. Throws platform::FileError.
  void Save(const platform::FileSystem& fs, std::string_view path) const;

  size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  const std::string& operator[](size_t i) const { return lines_[i]; }
  const std::vector<std::string>& lines() const { return lines_; }
  void Clear();

  // Sorted: inserts at its place and returns the position; a line equal to one present
  // (ignoring case) is not added and that line's position is returned.
  // As loaded: appends and returns the new position.
  size_t Add(std::string_view line);
  void Delete(size_t position);

  // Position of the first record whose field 0 equals `key` ignoring case, or -1. On a
  // sorted list the result is that of scanning from the top and stopping at the first
  // field 0 that sorts after the key; on an as-loaded list every line is scanned.
  int Find(std::string_view key) const;

  // Finds the record and deletes it; false when missing.
  bool Remove(std::string_view key);

  // Rewrites record `position` with state `state` (field 6) and returns its new position.
  size_t ReplaceState(size_t position, std::string_view state);

  // Number of records whose field 6 is "1".
  int UnreadCount() const;

 private:
  void SortAndDropDuplicates();
  void EnsureFindCache() const;
  // <0, 0 or >0: line `i` against `line` whose key prefix is `prefix`.
  int CompareLine(size_t i, const KeyPrefix& prefix, std::string_view line) const;

  Order order_;
  std::vector<std::string> lines_;
  std::vector<KeyPrefix> prefixes_;  // key prefixes of lines_ (sorted lists only)

  // Find's helpers (sorted lists only): the key prefixes of every line's field 0, kept
  // parallel to lines_ once made, and the positions where field 0 reaches a new maximum,
  // rebuilt after a change.
  mutable bool field0_valid_ = false;
  mutable std::vector<KeyPrefix> field0_prefixes_;
  mutable bool running_max_valid_ = false;
  mutable std::vector<size_t> running_max_;
};

// Set state: finds the record of `key`; when found, rewrites it with `state` and saves
// the list to `path`. A record that is not found leaves the list and the file unchanged.
bool SetState(IndexList& list, std::string_view key, std::string_view state,
              const platform::FileSystem& fs, std::string_view path);

// Number of records with state "1".
int UnreadCount(const std::vector<std::string>& records);

}  // namespace store
