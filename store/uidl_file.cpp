// Reading, checking and writing the unique-id list.
#include "store/uidl_file.h"

#include <algorithm>
#include <optional>
#include <set>

#include "store/record.h"

namespace store {

std::string UidlPath(std::string_view account_dir) {
  return std::string(account_dir) + std::string(kUidlFile);
}

bool UidlFile::IsValidUid(std::string_view uid) {
  return !uid.empty() && uid.size() <= 70 &&
         std::all_of(uid.begin(), uid.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

namespace {

bool IsValidKey(std::string_view key) {
  return !key.empty() && key.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace

bool UidlFile::Load(const platform::FileSystem& fs, std::string_view account_dir) {
  keys_.clear();
  changed_ = false;
  std::optional<std::string> text = fs.ReadFile(UidlPath(account_dir));
  if (!text) return false;
  std::map<std::string, std::string> loaded;
  for (const std::string& line : SplitLines(*text)) {
    if (line.empty()) continue;
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) return false;
    std::string uid = line.substr(0, tab);
    std::string key = line.substr(tab + 1);
    if (!IsValidUid(uid) || !IsValidKey(key)) return false;
    loaded[uid] = key;
  }
  keys_ = std::move(loaded);
  return true;
}

void UidlFile::Save(const platform::FileSystem& fs, std::string_view account_dir) const {
  std::string text;
  for (const auto& [uid, key] : keys_) {
    text += uid;
    text += '\t';
    text += key;
    text += "\r\n";
  }
  fs.ForceDirectories(account_dir);
  fs.WriteFileAtomic(UidlPath(account_dir), text);
}

const std::string* UidlFile::KeyOf(const std::string& uid) const {
  auto it = keys_.find(uid);
  return it == keys_.end() ? nullptr : &it->second;
}

void UidlFile::Remember(const std::string& uid, const std::string& key) {
  if (!IsValidUid(uid) || !IsValidKey(key)) return;
  auto [it, inserted] = keys_.try_emplace(uid, key);
  if (!inserted && it->second == key) return;
  it->second = key;
  changed_ = true;
}

void UidlFile::KeepOnly(const std::vector<std::string>& listed_uids) {
  std::set<std::string> listed(listed_uids.begin(), listed_uids.end());
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (listed.count(it->first) == 0) {
      it = keys_.erase(it);
      changed_ = true;
    } else {
      ++it;
    }
  }
}

}  // namespace store
