// Address book files and entries.
#include "addressbook/address_book.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/collation.h"
#include "state/index_list.h"
#include "store/record.h"

namespace addressbook {
namespace {

constexpr std::string_view kExtension = ".adr";

int FoldAscii(unsigned char b) { return (b >= 'a' && b <= 'z') ? b - 'a' + 'A' : b; }

// Byte comparison with ASCII letters folded; a trail byte is compared as it is.
int CompareIgnoringAsciiCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  bool trail = false;
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    int fx = trail ? x : FoldAscii(x);
    int fy = trail ? y : FoldAscii(y);
    if (fx != fy) return fx < fy ? -1 : 1;
    trail = !trail && platform::IsSjisLeadByte(x);
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

const std::string& BookDirectory() {
  static const std::string dir = "Adress\\";
  return dir;
}

std::string BookPath(std::string_view book_name) {
  return BookDirectory() + std::string(book_name) + std::string(kExtension);
}

std::vector<std::string> ListBooks(const platform::FileSystem& fs) {
  fs.ForceDirectories(BookDirectory());
  std::vector<std::string> books;
  for (const std::string& file : fs.ListEntries(BookDirectory())) {
    if (file.size() <= kExtension.size() || !file.ends_with(kExtension)) continue;
    if (!fs.FileExists(BookDirectory() + file)) continue;  // a directory is no book
    books.push_back(file.substr(0, file.size() - kExtension.size()));
  }
  return books;
}

bool IsUsableBookName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (size_t i = 0; i < name.size(); ++i) {
    auto b = static_cast<unsigned char>(name[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;
    } else if (b == '\\' || b == '/' || b < 0x20) {
      return false;
    }
  }
  return true;
}

Entry ParseEntry(std::string_view line) {
  store::Fields f = store::SplitRecord(line);
  f.resize(3);
  return Entry{f[0], f[1], f[2]};
}

std::string EntryLine(const Entry& entry) {
  return store::JoinRecord({entry.name, entry.address, entry.note});
}

std::string RecipientForm(const Entry& entry) {
  return "\"" + entry.name + "\" <" + entry.address + ">";
}

std::vector<std::string> LoadBook(const platform::FileSystem& fs, std::string_view path) {
  std::optional<std::string> text = fs.ReadFile(path);
  if (!text) {
    SaveBook(fs, path, {});
    return {};
  }
  std::vector<std::string> lines;
  for (std::string& line : store::SplitLines(*text)) {
    if (!line.empty()) lines.push_back(std::move(line));
  }
  SortEntries(lines);
  return lines;
}

void SaveBook(const platform::FileSystem& fs, std::string_view path,
              const std::vector<std::string>& lines) {
  state::SaveLines(fs, path, lines);
}

void SortEntries(std::vector<std::string>& lines) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(lines.size());
  for (std::string& line : lines)
    keyed.emplace_back(platform::SortKey(line, true), std::move(line));
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  lines.clear();
  for (auto& [key, line] : keyed) lines.push_back(std::move(line));
}

int CompareColumn(int column, std::string_view a, std::string_view b) {
  if (column == 0) return platform::CompareText(a, b, false);
  return CompareIgnoringAsciiCase(a, b);
}

}  // namespace addressbook
