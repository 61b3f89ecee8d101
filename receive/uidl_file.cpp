// The account's UIDL file.
#include "receive/uidl_file.h"

#include <charconv>
#include <set>

namespace receive {
namespace {

constexpr std::string_view kHeader = "YUBINKO-UIDL 1";
constexpr std::string_view kTrailer = "END ";

bool ValidUid(std::string_view uid) {
  if (uid.empty() || uid.size() > 70) return false;
  for (unsigned char c : uid) {
    if (c <= 0x20 || c >= 0x7F) return false;
  }
  return true;
}

bool ValidKey(std::string_view key) {
  return !key.empty() && key.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace

std::string UidlFile::Path(std::string_view account_dir) {
  return std::string(account_dir) + std::string(kFileName);
}

UidlFile UidlFile::Load(const platform::FileSystem& fs, std::string_view account_dir) {
  UidlFile file;
  std::optional<std::string> text;
  try {
    text = fs.ReadFile(Path(account_dir));
  } catch (const std::exception&) {
    return file;  // unreadable counts as damaged: every message is fetched as before
  }
  if (!text) return file;
  std::string_view rest = *text;
  std::vector<std::string_view> lines;
  while (!rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    if (end == std::string_view::npos) return file;  // every line, the last too, ends in CR LF
    lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end + 2);
  }
  if (lines.size() < 2 || lines.front() != kHeader || !lines.back().starts_with(kTrailer)) {
    return file;
  }
  const std::string_view count_text = lines.back().substr(kTrailer.size());
  std::size_t count = 0;
  auto [end, error] =
      std::from_chars(count_text.data(), count_text.data() + count_text.size(), count);
  if (error != std::errc() || end != count_text.data() + count_text.size() ||
      count != lines.size() - 2) {
    return file;
  }
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::size_t tab = lines[i].find('\t');
    if (tab == std::string_view::npos) return UidlFile();
    const std::string_view uid = lines[i].substr(0, tab);
    const std::string_view key = lines[i].substr(tab + 1);
    if (!ValidUid(uid) || !ValidKey(key)) return UidlFile();
    if (!file.entries_.emplace(std::string(uid), std::string(key)).second) return UidlFile();
  }
  file.usable_ = true;
  return file;
}

const std::string* UidlFile::KeyOf(const std::string& uid) const {
  auto it = entries_.find(uid);
  return it == entries_.end() ? nullptr : &it->second;
}

void UidlFile::KeepOnly(const std::vector<transport::TIdUidlEntry>& present) {
  std::set<std::string> ids;
  for (const transport::TIdUidlEntry& entry : present) ids.insert(entry.Uid);
  std::erase_if(entries_, [&ids](const auto& entry) { return !ids.contains(entry.first); });
}

std::string UidlFile::Text() const {
  std::string text(kHeader);
  text += "\r\n";
  std::size_t count = 0;
  for (const auto& [uid, key] : entries_) {
    // Neither can break a line here: ids come from the checked listing, keys from the store.
    if (!ValidUid(uid) || !ValidKey(key)) continue;
    text += uid + "\t" + key + "\r\n";
    ++count;
  }
  text += std::string(kTrailer) + std::to_string(count) + "\r\n";
  return text;
}

void UidlFile::Save(const platform::FileSystem& fs, std::string_view account_dir,
                    bool flush) const {
  fs.WriteFileAtomic(Path(account_dir), Text(), 0644, flush);
}

std::vector<std::string> UidsByNumber(const std::vector<transport::TIdUidlEntry>& listing,
                                      int count) {
  std::vector<std::string> uids(static_cast<std::size_t>(count < 0 ? 0 : count) + 1);
  std::map<std::string, int> seen;
  std::map<int, int> numbers;
  for (const transport::TIdUidlEntry& entry : listing) {
    ++seen[entry.Uid];
    ++numbers[entry.Number];
  }
  for (const transport::TIdUidlEntry& entry : listing) {
    if (entry.Number < 1 || entry.Number > count) continue;
    if (seen[entry.Uid] != 1 || numbers[entry.Number] != 1) continue;
    uids[static_cast<std::size_t>(entry.Number)] = entry.Uid;
  }
  return uids;
}

}  // namespace receive
