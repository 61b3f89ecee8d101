// Sorted index lists.
#include "store/index_list.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/collation.h"
#include "store/paths.h"
#include "store/record.h"
#include "store/text_key.h"

namespace store {
namespace {

std::string_view Field0(std::string_view line) { return line.substr(0, line.find('\t')); }

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
  // Sorting the prefixes by value keeps each comparison inside the two entries.
  struct Entry {
    KeyPrefix prefix;
    size_t index;
  };
  std::vector<Entry> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = {MakeKeyPrefix(lines_[i]), i};
  // Stable, so of lines equal ignoring case the first one in the file is kept.
  std::stable_sort(order.begin(), order.end(), [&](const Entry& a, const Entry& b) {
    return CompareKeyed(a.prefix, lines_[a.index], b.prefix, lines_[b.index]) < 0;
  });
  std::vector<std::string> lines;
  lines.reserve(n);
  prefixes_.clear();
  prefixes_.reserve(n);
  for (const Entry& entry : order) {
    std::string& line = lines_[entry.index];
    // Lines equal ignoring case have equal prefixes, so most pairs need no closer look.
    if (!lines.empty() && ComparePrefixes(prefixes_.back(), entry.prefix) == 0 &&
        prefixes_.back().size == entry.prefix.size &&
        platform::SameIgnoringCase(lines.back(), line)) {
      continue;
    }
    prefixes_.push_back(entry.prefix);
    lines.push_back(std::move(line));
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
  prefixes_.clear();
  field0_prefixes_.clear();
  field0_valid_ = false;
  running_max_.clear();
  running_max_valid_ = false;
}

int IndexList::CompareLine(size_t i, const KeyPrefix& prefix, std::string_view line) const {
  return CompareKeyed(prefixes_[i], lines_[i], prefix, line);
}

size_t IndexList::Add(std::string_view line) {
  running_max_valid_ = false;
  if (!sorted()) {
    lines_.emplace_back(line);
    return lines_.size() - 1;
  }
  KeyPrefix prefix = MakeKeyPrefix(line);
  size_t lo = 0;
  size_t hi = lines_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (CompareLine(mid, prefix, line) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < lines_.size() && platform::SameIgnoringCase(lines_[lo], line)) return lo;
  const auto at = static_cast<std::ptrdiff_t>(lo);
  lines_.emplace(lines_.begin() + at, line);
  prefixes_.insert(prefixes_.begin() + at, prefix);
  if (field0_valid_)
    field0_prefixes_.insert(field0_prefixes_.begin() + at, MakeKeyPrefix(Field0(line)));
  return lo;
}

void IndexList::Delete(size_t position) {
  if (position >= lines_.size()) return;
  running_max_valid_ = false;
  const auto at = static_cast<std::ptrdiff_t>(position);
  lines_.erase(lines_.begin() + at);
  if (sorted()) prefixes_.erase(prefixes_.begin() + at);
  if (field0_valid_) field0_prefixes_.erase(field0_prefixes_.begin() + at);
}

void IndexList::EnsureFindCache() const {
  if (!field0_valid_) {
    std::vector<std::string_view> fields;
    fields.reserve(lines_.size());
    for (const std::string& line : lines_) fields.push_back(Field0(line));
    field0_prefixes_ = MakeKeyPrefixes(fields);
    field0_valid_ = true;
    running_max_valid_ = false;
  }
  if (!running_max_valid_) {
    running_max_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (running_max_.empty()) {
        running_max_.push_back(i);
        continue;
      }
      size_t top = running_max_.back();
      if (CompareKeyed(field0_prefixes_[top], Field0(lines_[top]), field0_prefixes_[i],
                       Field0(lines_[i])) < 0) {
        running_max_.push_back(i);
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
  // key: found when it is equal, missing when it sorts after. Field 0 need not grow with
  // the line order (the rest of a line can outweigh a difference in field 0 that lies
  // only in kana kind or width), but its running maximum does, so a binary search over
  // the running maxima finds that record.
  EnsureFindCache();
  KeyPrefix prefix = MakeKeyPrefix(key);
  auto it = std::lower_bound(
      running_max_.begin(), running_max_.end(), key, [&](size_t pos, std::string_view k) {
        return CompareKeyed(field0_prefixes_[pos], Field0(lines_[pos]), prefix, k) < 0;
      });
  if (it == running_max_.end()) return -1;
  return platform::SameIgnoringCase(Field0(lines_[*it]), key) ? static_cast<int>(*it) : -1;
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
    // Field 6 is "1": exactly six TABs before it and a TAB or the end after it.
    const char* p = line.data();
    const char* end = p + line.size();
    int tabs = 0;
    while (tabs < kStateField) {
      const void* tab = std::memchr(p, '\t', static_cast<size_t>(end - p));
      if (tab == nullptr) break;
      p = static_cast<const char*>(tab) + 1;
      ++tabs;
    }
    if (tabs == kStateField && p < end && *p == '1' && (p + 1 == end || p[1] == '\t')) ++count;
  }
  return count;
}

}  // namespace store
