// Sorted index lists and record helpers for the main window.
#include "app/index_list.h"

#include <algorithm>
#include <numeric>

#include "platform/codepage.h"
#include "platform/collation.h"

namespace app {

std::vector<std::string> SplitRecord(std::string_view line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      out.emplace_back(line.substr(start));
      return out;
    }
    out.emplace_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::string JoinRecord(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += '\t';
    out += fields[i];
  }
  return out;
}

std::string FileStem(std::string_view key) {
  std::string s;
  for (char c : key) {
    if (c != ' ') s += c;
  }
  if (s.size() > 50) s.resize(50);
  for (char& c : s) {
    switch (c) {
      case '<': c = '0'; break;
      case '>': c = '9'; break;
      case '\\': c = '8'; break;
      case '/': c = '7'; break;
      case '|': c = '6'; break;
      case '*': c = '5'; break;
      case ':': c = '_'; break;
      case '"': c = '+'; break;
      case '?': c = '-'; break;
      default: break;
    }
  }
  return s;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      out.emplace_back(text.substr(i));
      break;
    }
    out.emplace_back(text.substr(i, end - i));
    i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return out;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string out;
  out.reserve(total);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

int UnreadCount(const std::vector<std::string>& records) {
  int n = 0;
  for (const auto& r : records) {
    // Field 6 is the seventh field; count TABs instead of splitting for speed.
    size_t pos = 0;
    int tabs = 0;
    while (tabs < 6 && (pos = r.find('\t', pos)) != std::string::npos) {
      ++tabs;
      ++pos;
    }
    if (tabs != 6) continue;
    size_t end = r.find('\t', pos);
    if (std::string_view(r).substr(pos, end == std::string::npos ? end : end - pos) == "1") ++n;
  }
  return n;
}

void SortedList::Assign(std::vector<std::string> lines) {
  std::vector<std::string> keys;
  keys.reserve(lines.size());
  for (const auto& l : lines) keys.push_back(platform::SortKey(l, true));
  std::vector<size_t> order(lines.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  lines_.clear();
  lines_.reserve(lines.size());
  // Lines equal apart from case share a sort key, so duplicates are neighbours in a run of
  // equal keys; only lines that really are the same text apart from case are dropped.
  size_t run_start = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    const std::string& line = lines[order[i]];
    if (i > 0 && keys[order[i]] != keys[order[i - 1]]) run_start = lines_.size();
    bool dup = false;
    for (size_t j = run_start; j < lines_.size() && !dup; ++j) {
      dup = platform::SameIgnoringCase(lines_[j], line);
    }
    if (!dup) lines_.push_back(std::move(lines[order[i]]));
  }
}

void SortedList::Add(const std::string& line) {
  auto it = std::lower_bound(lines_.begin(), lines_.end(), line,
                             [](const std::string& a, const std::string& b) {
                               return platform::CompareText(a, b, true) < 0;
                             });
  for (auto j = it; j != lines_.end() && platform::CompareText(*j, line, true) == 0; ++j) {
    if (platform::SameIgnoringCase(*j, line)) return;
  }
  lines_.insert(it, line);
}

void SortedList::Delete(int index) {
  if (index >= 0 && index < size()) lines_.erase(lines_.begin() + index);
}

int SortedList::Find(std::string_view key) const {
  for (int i = 0; i < size(); ++i) {
    const std::string& l = lines_[i];
    size_t tab = l.find('\t');
    std::string_view field0 = std::string_view(l).substr(0, tab);
    if (field0.size() == key.size() && platform::SameIgnoringCase(field0, key)) return i;
  }
  return -1;
}

void SortedList::SetState(int index, const std::string& state) {
  if (index < 0 || index >= size()) return;
  std::vector<std::string> f = SplitRecord(lines_[index]);
  f.resize(std::max<size_t>(f.size(), 7));
  f[6] = state;
  Delete(index);
  Add(JoinRecord(f));
}

void SortedList::Load(const platform::FileSystem& fs, std::string_view path) {
  Assign(LoadLines(fs, path));
}

void SortedList::Save(const platform::FileSystem& fs, std::string_view path) const {
  SaveLines(fs, path, lines_);
}

std::string DirectoryOf(std::string_view path) {
  size_t cut = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    auto b = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;  // the trail byte may be 0x5C and is not a separator
    } else if (b == '\\') {
      cut = i + 1;
    }
  }
  return std::string(path.substr(0, cut));
}

std::vector<std::string> LoadLines(const platform::FileSystem& fs, std::string_view path) {
  auto text = fs.ReadFile(path);
  if (!text) return {};
  return SplitLines(*text);
}

void SaveLines(const platform::FileSystem& fs, std::string_view path,
               const std::vector<std::string>& lines) {
  std::string dir = DirectoryOf(path);
  if (!dir.empty()) fs.ForceDirectories(dir);
  fs.WriteFileAtomic(path, JoinLines(lines));
}

}  // namespace app
