// Store preparation at start-up and during the tree build.
#include "store/startup.h"

#include "store/message_file.h"
#include "store/message_key.h"
#include "store/paths.h"
#include "store/record.h"

namespace store {

void LoadSentIndex(const platform::FileSystem& fs, IndexList& sent_index) {
  sent_index.Clear();
  if (fs.FileExists(SentIndexPath())) sent_index.Load(fs, SentIndexPath());
}

void LoadOrCreateReceivedKeys(const platform::FileSystem& fs, std::string_view account_dir,
                              IndexList& received_keys) {
  std::string path = ReceivedKeysPath(account_dir);
  if (fs.FileExists(path)) {
    received_keys.Load(fs, path);
  } else {
    received_keys.Clear();
    received_keys.Save(fs, path);  // creates the account folder when missing
  }
}

AccountFolderState PrepareAccountFolder(const platform::FileSystem& fs,
                                        std::string_view account_name, IndexList& received_keys,
                                        IndexList& folder_index) {
  AccountFolderState state;
  state.current_folder = AccountFolder(account_name);
  LoadOrCreateReceivedKeys(fs, state.current_folder, received_keys);
  std::string index_path = FolderIndexPath(state.current_folder);
  state.folder_index_existed = fs.FileExists(index_path);
  if (state.folder_index_existed) {
    folder_index.Load(fs, index_path);
  } else {
    folder_index.Clear();
    folder_index.Save(fs, index_path);
  }
  return state;
}

void AdoptLegacyStem(const platform::FileSystem& fs, std::string_view folder_dir,
                     std::string_view key) {
  const std::string legacy = LegacyFileStem(key);
  const std::string stem = FileStem(key);
  if (legacy == stem) return;
  const std::string folder(folder_dir);
  const std::string target = folder + stem + ".txt";
  const std::string source = folder + legacy + ".txt";
  if (fs.FileExists(target) || !fs.FileExists(source)) return;
  // Another key of the same 50-byte prefix may own the old file: only its own key moves it.
  std::optional<std::string> text = fs.ReadFile(source);
  if (!text || !SameKey(ReadHeaderValue(*text, "Message-ID"), key)) return;
  fs.RenameFile(source, target);
  const std::string attachments = folder + std::string(kAttachmentDirName) + "\\";
  if (fs.DirectoryExists(attachments + legacy)) {
    fs.MoveDirectory(attachments + legacy, attachments + stem);
  }
}

int PrepareFolderIndex(const platform::FileSystem& fs, std::string_view folder_dir) {
  std::string path = FolderIndexPath(folder_dir);
  std::optional<std::string> text = fs.ReadFile(path);
  if (!text) {
    IndexList(IndexList::Order::kAsLoaded).Save(fs, path);
    return 0;
  }
  IndexList list;  // sorted, so a duplicated line counts once
  list.SetText(*text);
  for (const std::string& line : list.lines()) AdoptLegacyStem(fs, folder_dir, GetField(line, 0));
  return list.UnreadCount();
}

}  // namespace store
