// Removing and moving messages, deleting and moving directory trees.
#include "store/message_ops.h"

#include "store/message_key.h"
#include "store/paths.h"
#include "store/record.h"

namespace store {
namespace {

std::string WithoutTrailingSeparator(std::string_view dir) {
  std::string path(dir);
  if (!path.empty() && path.back() == '\\' && ParentDirectory(path).size() == path.size()) {
    path.pop_back();
  }
  return path;
}

void DeleteMessageFiles(const platform::FileSystem& fs, std::string_view folder_dir,
                        std::string_view key) {
  std::string file = MessageFilePath(folder_dir, key);
  if (fs.FileExists(file)) fs.DeleteFile(file);
  DeleteDirectoryTree(fs, AttachmentDirectory(folder_dir, key));
}

// The key as the index holds it: the files were named after it, and a key looked up in
// another letter case would name other files.
std::string StoredKey(const IndexList& index, std::string_view key) {
  int pos = index.Find(key);
  return pos < 0 ? std::string(key) : GetField(index[static_cast<size_t>(pos)], kKeyField);
}

}  // namespace

bool DiscardReceivedMessage(const platform::FileSystem& fs, std::string_view folder_dir,
                            std::string_view key, IndexList& folder_index,
                            IndexList& received_keys) {
  std::string stored = StoredKey(folder_index, key);
  DeleteMessageFiles(fs, folder_dir, stored);
  bool found = folder_index.Remove(stored);
  received_keys.Remove(stored);
  return found;
}

bool RemoveReceivedMessage(const platform::FileSystem& fs, std::string_view folder_dir,
                           std::string_view account_dir, std::string_view key,
                           IndexList& folder_index, IndexList& received_keys) {
  bool found = DiscardReceivedMessage(fs, folder_dir, key, folder_index, received_keys);
  folder_index.Save(fs, FolderIndexPath(folder_dir));
  received_keys.Save(fs, ReceivedKeysPath(account_dir));
  return found;
}

bool RemoveSentMessage(const platform::FileSystem& fs, std::string_view key,
                       IndexList& sent_index) {
  std::string stored = StoredKey(sent_index, key);
  std::string file = MessageFilePath(SentFolder(), stored);
  if (fs.FileExists(file)) fs.DeleteFile(file);
  bool found = sent_index.Remove(stored);
  sent_index.Save(fs, SentIndexPath());
  return found;
}

MessageMover::MessageMover(const platform::FileSystem& fs, std::string source_folder,
                           IndexList& source_index, IndexList& source_keys,
                           std::string target_folder)
    : fs_(fs),
      source_folder_(std::move(source_folder)),
      source_index_(source_index),
      source_keys_(source_keys),
      target_folder_(std::move(target_folder)),
      crosses_accounts_(AccountDirectory(source_folder_) != AccountDirectory(target_folder_)) {
  if (crosses_accounts_) {
    std::string keys_path = ReceivedKeysPath(AccountDirectory(target_folder_));
    if (fs_.FileExists(keys_path)) {
      target_keys_.Load(fs_, keys_path);
    } else {
      target_keys_.Save(fs_, keys_path);
    }
  }
  std::string index_path = FolderIndexPath(target_folder_);
  if (fs_.FileExists(index_path)) {
    target_index_.Load(fs_, index_path);
  } else {
    target_index_.Save(fs_, index_path);
  }
}

bool MessageMover::Move(std::string_view key, bool move_keys) {
  if (source_folder_ == target_folder_) return false;  // would save the record twice
  int pos = source_index_.Find(key);
  if (pos < 0) return false;
  std::string record = source_index_[static_cast<size_t>(pos)];
  // The record's own key names the files, exactly as when they were written.
  std::string stored_key = GetField(record, kKeyField);
  // A record the target already lists under this key is another copy of the same message:
  // it goes, so the target never holds two records for one key. Its files go with it
  // when another letter case gave them another name (a file of the same name is replaced
  // by the rename below).
  for (int old = target_index_.Find(stored_key); old >= 0; old = target_index_.Find(stored_key)) {
    std::string old_key = GetField(target_index_[static_cast<size_t>(old)], kKeyField);
    if (FileStem(old_key) != FileStem(stored_key)) DeleteMessageFiles(fs_, target_folder_, old_key);
    target_index_.Delete(static_cast<size_t>(old));
  }
  target_index_.Add(record);
  std::string from = MessageFilePath(source_folder_, stored_key);
  std::string to = MessageFilePath(target_folder_, stored_key);
  // Two keys of one stem share a file and the later write wins; a rename never
  // replaces, so the older file in the target goes first when there is one to move.
  if (fs_.FileExists(from) && fs_.FileExists(to)) fs_.DeleteFile(to);
  fs_.RenameFile(from, to);
  std::string attachments = AttachmentDirectory(source_folder_, stored_key);
  if (fs_.DirectoryExists(attachments)) {
    // Likewise for the attachments: left behind, these would belong to no message.
    std::string target = AttachmentDirectory(target_folder_, stored_key);
    DeleteDirectoryTree(fs_, target);
    MoveDirectoryTree(fs_, attachments, target);
  }
  source_index_.Delete(static_cast<size_t>(pos));
  if (move_keys && crosses_accounts_) {
    source_keys_.Remove(stored_key);
    target_keys_.Add(stored_key);
  }
  return true;
}

void MessageMover::SaveSourceIndex() const {
  source_index_.Save(fs_, FolderIndexPath(source_folder_));
}

void MessageMover::SaveTargetIndex() const {
  target_index_.Save(fs_, FolderIndexPath(target_folder_));
}

void MessageMover::SaveKeyLists() const {
  if (!crosses_accounts_) return;
  source_keys_.Save(fs_, ReceivedKeysPath(AccountDirectory(source_folder_)));
  target_keys_.Save(fs_, ReceivedKeysPath(AccountDirectory(target_folder_)));
}

void MessageMover::SaveAll() const {
  SaveSourceIndex();
  SaveTargetIndex();
  SaveKeyLists();
}

bool DeleteDirectoryTree(const platform::FileSystem& fs, std::string_view dir) {
  std::string path = WithoutTrailingSeparator(dir);
  if (path.empty() || !fs.DirectoryExists(path)) return false;
  return fs.DeleteTree(path);
}

bool MoveDirectoryTree(const platform::FileSystem& fs, std::string_view from, std::string_view to) {
  std::string source = WithoutTrailingSeparator(from);
  if (source.empty() || !fs.DirectoryExists(source)) return false;
  return fs.MoveDirectory(source, WithoutTrailingSeparator(to));
}

}  // namespace store
