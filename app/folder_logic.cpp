// Folder-tree building and the folder commands.
#include "app/folder_logic.h"

#include <charconv>
#include <optional>

#include "store/message_ops.h"
#include "store/paths.h"
#include "store/startup.h"

namespace app {

namespace {

const std::string kIndex(store::kFolderIndexFile);
const std::string kKeys(store::kReceivedKeysFile);

void ScanFolders(const platform::FileSystem& fs, const std::string& dir, FolderNode& parent) {
  for (const std::string& name : fs.ListSubdirectories(dir)) {
    if (name == "." || name == ".." || name == "Attachment") continue;
    std::string path = dir + name + "\\";
    FolderNode node;
    node.name = name;
    // A folder whose index cannot be read or written still gets its node, without a count:
    // the tree shows what is on disk even when part of it is not writable.
    try {
      node.unread = store::PrepareFolderIndex(fs, path);
    } catch (const platform::FileError&) {
      node.unread = 0;
    }
    ScanFolders(fs, path, node);
    parent.children.push_back(std::move(node));
  }
}

}  // namespace

const std::string& ReceivedRoot() { return store::ReceivedRootName(); }

const std::string& SentRoot() { return store::SentRootName(); }

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
  return store::AccountDirectory(folder_path);
}

namespace {

// Keys of every message stored in the folder's subfolders, at any depth.
void CollectSubfolderKeys(const platform::FileSystem& fs, const std::string& dir,
                          std::vector<std::string>& keys) {
  for (const std::string& name : fs.ListSubdirectories(dir)) {
    if (name == "." || name == ".." || name == "Attachment") continue;
    const std::string sub = dir + name + "\\";
    for (const std::string& record : LoadLines(fs, sub + kIndex)) {
      keys.push_back(SplitRecord(record)[0]);
    }
    CollectSubfolderKeys(fs, sub, keys);
  }
}

}  // namespace

void EmptyFolder(MainState& state, const std::string& folder_path) {
  const platform::FileSystem& fs = state.fs;
  // The listed folder may also lie below the emptied one, and then its directory goes too.
  const bool listed = state.current_folder.starts_with(folder_path);
  // The keys of the removed mail are forgotten, subfolders' mail included (their directories
  // go too), so a later receive fetches again what is still on the server.
  std::vector<std::string> keys;
  const std::vector<std::string> records = folder_path == state.current_folder
                                               ? state.folder_index.lines()
                                               : LoadLines(fs, folder_path + kIndex);
  for (const auto& record : records) keys.push_back(SplitRecord(record)[0]);
  CollectSubfolderKeys(fs, folder_path, keys);

  const std::string account = AccountDirOf(folder_path);
  const bool loaded_account = account == state.account_dir;
  SortedList other_keys;
  if (!loaded_account) other_keys.Load(fs, account + kKeys);
  SortedList& key_list = loaded_account ? state.received_keys : other_keys;
  for (const std::string& key : keys) {
    int k = key_list.Find(key);
    if (k >= 0) key_list.Delete(k);
  }

  // An account folder also holds the account's key list and signature: they survive.
  const bool account_folder = account == folder_path;
  std::optional<std::string> signature;
  if (account_folder) signature = fs.ReadFile(folder_path + "syomei.txt");
  fs.DeleteTree(folder_path);
  fs.ForceDirectories(folder_path);
  SaveLines(fs, folder_path + kIndex, {});
  if (listed) {
    // Whatever was listed is gone: the emptied folder, now empty, is what stays loaded, so
    // no later save writes old records into a directory that no longer exists.
    state.folder_index.Clear();
    state.current_folder = folder_path;
  }
  if (signature) fs.WriteFileAtomic(folder_path + "syomei.txt", *signature);
  // Saved at once, whichever account it is: forgotten only in memory, the keys would come
  // back at the next start and the mail still on the server would never be fetched again.
  key_list.Save(fs, account + kKeys);
}

MoveResult MoveRecords(MainState& state, const std::vector<std::string>& records,
                       const std::string& target_folder) {
  MoveResult result;
  store::MessageMover mover(state.fs, state.current_folder, state.folder_index.store_list(),
                            state.received_keys.store_list(), target_folder);
  for (const std::string& record : records) {
    const std::string key = SplitRecord(record)[0];
    if (mover.Move(key)) result.moved_keys.push_back(key);
  }
  mover.SaveAll();
  result.source_unread = UnreadCount(state.folder_index.lines());
  result.target_unread = UnreadCount(mover.target_index().lines());
  return result;
}

}  // namespace app
