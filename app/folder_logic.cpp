// Folder-tree building and the folder commands.
#include "app/folder_logic.h"

#include <charconv>
#include <optional>

#include "platform/codepage.h"

namespace app {

namespace {

const std::string kIndex = "MsgID.ini";
const std::string kKeys = "AlreadMsgID.ini";

void ScanFolders(const platform::FileSystem& fs, const std::string& dir, FolderNode& parent) {
  for (const std::string& name : fs.ListSubdirectories(dir)) {
    if (name == "." || name == ".." || name == "Attachment") continue;
    std::string path = dir + name + "\\";
    FolderNode node;
    node.name = name;
    if (!fs.FileExists(path + kIndex)) {
      SaveLines(fs, path + kIndex, {});
    } else {
      node.unread = UnreadCount(LoadLines(fs, path + kIndex));
    }
    ScanFolders(fs, path, node);
    parent.children.push_back(std::move(node));
  }
}

// Index just past the n-th "\" separator of a Shift_JIS path, or npos.
size_t AfterSeparator(std::string_view path, int n) {
  for (size_t i = 0; i < path.size(); ++i) {
    auto b = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;
    } else if (b == '\\' && --n == 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

}  // namespace

const std::string& ReceivedRoot() {
  static const std::string k = platform::Sjis("受信");
  return k;
}

const std::string& SentRoot() {
  static const std::string k = platform::Sjis("送信");
  return k;
}

FolderNode BuildFolderTree(const platform::FileSystem& fs) {
  FolderNode root;
  root.name = ReceivedRoot();
  ScanFolders(fs, ReceivedRoot() + "\\", root);
  return root;
}

std::string NodeText(std::string_view name, int count) {
  std::string s(name);
  if (count > 0) s += "\t(" + std::to_string(count) + ")";
  return s;
}

std::string NodeName(std::string_view text) { return std::string(text.substr(0, text.find('\t'))); }

int NodeCount(std::string_view text) {
  size_t tab = text.find('\t');
  if (tab == std::string_view::npos || tab + 2 > text.size() || text[tab + 1] != '(') return 0;
  int n = 0;
  auto first = text.data() + tab + 2;
  auto res = std::from_chars(first, text.data() + text.size(), n);
  return res.ec == std::errc() ? n : 0;
}

std::string FolderPath(const std::vector<std::string>& names_below_root) {
  std::string p = ReceivedRoot() + "\\";
  for (const auto& n : names_below_root) p += n + "\\";
  return p;
}

std::string AccountDirOf(std::string_view folder_path) {
  size_t cut = AfterSeparator(folder_path, 2);
  return std::string(cut == std::string_view::npos ? folder_path : folder_path.substr(0, cut));
}

void EmptyFolder(MainState& state, const std::string& folder_path) {
  for (const auto& record : state.folder_index.lines()) {
    int k = state.received_keys.Find(SplitRecord(record)[0]);
    if (k >= 0) state.received_keys.Delete(k);
  }
  // An account folder also holds the account's key list and signature: they survive, the
  // keys without those of the removed mail.
  const bool account_folder = AccountDirOf(folder_path) == folder_path;
  std::optional<std::string> signature;
  if (account_folder) signature = state.fs.ReadFile(folder_path + "syomei.txt");
  state.fs.DeleteTree(folder_path);
  state.fs.ForceDirectories(folder_path);
  state.folder_index.Clear();
  state.folder_index.Save(state.fs, folder_path + kIndex);
  if (account_folder) {
    if (signature) state.fs.WriteFileAtomic(folder_path + "syomei.txt", *signature);
    if (folder_path == state.account_dir) state.received_keys.Save(state.fs, folder_path + kKeys);
  }
}

MoveResult MoveRecords(MainState& state, const std::vector<std::string>& records,
                       const std::string& target_folder) {
  MoveResult result;
  const platform::FileSystem& fs = state.fs;
  const std::string target_account = AccountDirOf(target_folder);
  const bool cross = target_account != state.account_dir;

  SortedList target_keys;
  if (cross) {
    if (!fs.FileExists(target_account + kKeys)) SaveLines(fs, target_account + kKeys, {});
    target_keys.Load(fs, target_account + kKeys);
  }
  if (!fs.FileExists(target_folder + kIndex)) SaveLines(fs, target_folder + kIndex, {});
  std::vector<std::string> target_index = LoadLines(fs, target_folder + kIndex);

  for (const std::string& record : records) {
    const std::string key = SplitRecord(record)[0];
    int at = state.folder_index.Find(key);
    if (at < 0) continue;
    target_index.push_back(record);
    const std::string stem = FileStem(key);
    fs.RenameFile(state.current_folder + stem + ".txt", target_folder + stem + ".txt");
    fs.MoveDirectory(state.current_folder + "Attachment\\" + stem + "\\",
                     target_folder + "Attachment\\" + stem + "\\");
    state.folder_index.Delete(at);
    if (cross) {
      int k = state.received_keys.Find(key);
      if (k >= 0) state.received_keys.Delete(k);
      target_keys.Add(key);
    }
    result.moved_keys.push_back(key);
  }

  state.folder_index.Save(fs, state.current_folder + kIndex);
  result.source_unread = UnreadCount(state.folder_index.lines());
  SaveLines(fs, target_folder + kIndex, target_index);
  result.target_unread = UnreadCount(target_index);
  if (cross) {
    state.received_keys.Save(fs, state.account_dir + kKeys);
    target_keys.Save(fs, target_account + kKeys);
  }
  return result;
}

}  // namespace app
