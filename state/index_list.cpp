// Index-file helpers of the main window on top of the store's index list.
#include "state/index_list.h"

namespace state {

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

void SortedList::Assign(const std::vector<std::string>& lines) { list_.SetText(JoinLines(lines)); }

void SortedList::Delete(int index) {
  if (index >= 0 && index < size()) list_.Delete(static_cast<size_t>(index));
}

void SortedList::SetState(int index, const std::string& state) {
  if (index >= 0 && index < size()) list_.ReplaceState(static_cast<size_t>(index), state);
}

std::vector<std::string> LoadLines(const platform::FileSystem& fs, std::string_view path) {
  store::IndexList list(store::IndexList::Order::kAsLoaded);
  list.Load(fs, path);
  return list.lines();
}

void SaveLines(const platform::FileSystem& fs, std::string_view path,
               const std::vector<std::string>& lines) {
  std::string dir = DirectoryOf(path);
  if (!dir.empty()) fs.ForceDirectories(dir);
  fs.WriteFileAtomic(path, JoinLines(lines));
}

}  // namespace state
