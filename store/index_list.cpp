// Sorted index lists.
#include "store/index_list.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/collation.h"
#include "store/paths.h"
#include "store/record.h"

namespace store {
namespace {

std::string Field0(std::string_view line) { return std::string(line.substr(0, line.find('\t'))); }

}  // namespace

IndexList::IndexList(Order order) : order_(order) {}

void IndexList::Load(const platform::FileSystem& fs, std::string_view path) {
  std::optional<std::string> text = fs.ReadFile(path);
  SetText(text ? *text : std::string());
}

void IndexList::SetText(std::string_view text) {
  Clear();
  lines_ = SplitLines(text);
  if (sorted()) SortAndDropDuplicates();
}

void IndexList::SortAndDropDuplicates() {
  const size_t n = lines_.size();
  std::vector<std::string> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = platform::SortKey(lines_[i], true);
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  // Stable, so of lines equal ignoring case the first one in the file is kept.
  std::stable_sort(order.begin(), order.end(),
                   [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<std::string> lines;
  lines.reserve(n);
  keys_.clear();
  keys_.reserve(n);
  for (size_t i : order) {
    // Equal ignore-case sort keys mean the same text apart from letter case.
    if (!keys_.empty() && keys_.back() == keys[i]) continue;
    keys_.push_back(std::move(keys[i]));
    lines.push_back(std::move(lines_[i]));
  }
  lines_ = std::move(lines);
}

std::string IndexList::Text() const {
  size_t total = 0;
  for (const std::string& line : lines_) total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void IndexList::Save(const platform::FileSystem& fs, std::string_view path) const {
  std::string dir = ParentDirectory(path);
  if (!dir.empty() && !fs.DirectoryExists(dir)) fs.ForceDirectories(dir);
  fs.WriteFileAtomic(path, Text());
}

void IndexList::Clear() {
  lines_.clear();
  keys_.clear();
  field0_keys_.clear();
  field0_keys_valid_ = false;
  running_max_.clear();
  running_max_valid_ = false;
}

size_t IndexList::Add(std::string_view line) {
  running_max_valid_ = false;
  if (!sorted()) {
    lines_.emplace_back(line);
    if (field0_keys_valid_) field0_keys_.push_back(platform::SortKey(Field0(line), true));
    return lines_.size() - 1;
  }
  std::string key = platform::SortKey(line, true);
  auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
  size_t pos = static_cast<size_t>(it - keys_.begin());
  if (it != keys_.end() && *it == key) return pos;  // already present ignoring case
  keys_.insert(it, std::move(key));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(pos), std::string(line));
  if (field0_keys_valid_) {
    field0_keys_.insert(field0_keys_.begin() + static_cast<std::ptrdiff_t>(pos),
                        platform::SortKey(Field0(line), true));
  }
  return pos;
}

void IndexList::Delete(size_t position) {
  if (position >= lines_.size()) return;
  running_max_valid_ = false;
  const auto offset = static_cast<std::ptrdiff_t>(position);
  lines_.erase(lines_.begin() + offset);
  if (sorted()) keys_.erase(keys_.begin() + offset);
  if (field0_keys_valid_) field0_keys_.erase(field0_keys_.begin() + offset);
}

void IndexList::EnsureFindCache() const {
  if (!field0_keys_valid_) {
    field0_keys_.resize(lines_.size());
    for (size_t i = 0; i < lines_.size(); ++i) {
      // A bare key line (the received-key list) is its own field 0.
      field0_keys_[i] = lines_[i].find('\t') == std::string::npos
                            ? keys_[i]
                            : platform::SortKey(Field0(lines_[i]), true);
    }
    field0_keys_valid_ = true;
    running_max_valid_ = false;
  }
  if (!running_max_valid_) {
    running_max_.clear();
    for (size_t i = 0; i < field0_keys_.size(); ++i) {
      if (running_max_.empty() || *running_max_.back().first < field0_keys_[i]) {
        running_max_.emplace_back(&field0_keys_[i], i);
      }
    }
    running_max_valid_ = true;
  }
}

int IndexList::Find(std::string_view key) const {
  if (!sorted()) {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (platform::SameIgnoringCase(Field0(lines_[i]), key)) return static_cast<int>(i);
    }
    return -1;
  }
  // Scanning from the top ends at the first record whose field 0 sorts at or after the
  // key: found when it is equal, missing when it sorts after. Field 0 need not grow
  // with the line order (the rest of the line can outweigh a tie in field 0), but the
  // running maximum of field 0 does, so a binary search over it finds that record.
  EnsureFindCache();
  std::string wanted = platform::SortKey(key, true);
  auto it = std::lower_bound(
      running_max_.begin(), running_max_.end(), wanted,
      [](const std::pair<const std::string*, size_t>& entry, const std::string& k) {
        return *entry.first < k;
      });
  if (it == running_max_.end() || *it->first != wanted) return -1;
  return static_cast<int>(it->second);
}

bool IndexList::Remove(std::string_view key) {
  int pos = Find(key);
  if (pos < 0) return false;
  Delete(static_cast<size_t>(pos));
  return true;
}

size_t IndexList::ReplaceState(size_t position, std::string_view state) {
  Fields fields = SplitRecord(lines_.at(position));
  fields.resize(kRecordFieldCount);
  fields[kStateField] = std::string(state);
  std::string line = JoinRecord(fields);
  Delete(position);
  return Add(line);
}

int IndexList::UnreadCount() const { return store::UnreadCount(lines_); }

bool SetState(IndexList& list, std::string_view key, std::string_view state,
              const platform::FileSystem& fs, std::string_view path) {
  int pos = list.Find(key);
  if (pos < 0) return false;
  list.ReplaceState(static_cast<size_t>(pos), state);
  list.Save(fs, path);
  return true;
}

int UnreadCount(const std::vector<std::string>& records) {
  int count = 0;
  for (const std::string& line : records) {
    if (GetField(line, kStateField) == kStateUnread) ++count;
  }
  return count;
}

}  // namespace store
