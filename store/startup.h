// Store preparation at start-up and while the folder tree is built: loading the sent
// index, creating the current account's folder with empty index files, and giving every
// folder an index.
#pragma once

#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "store/index_list.h"

namespace store {

// Loads "送信\Send.ini" into `sent_index` when the file exists (else leaves it empty).
void LoadSentIndex(const platform::FileSystem& fs, IndexList& sent_index);

struct AccountFolderState {
  std::string current_folder;         // "受信\" + account + "\"
  bool folder_index_existed = false;  // false: an empty MsgID.ini was written
};

// For the current account: loads its AlreadMsgID.ini into `received_keys`, or creates
// the account folder and writes the empty list; loads its MsgID.ini into `folder_index`,
// or writes the empty index.
AccountFolderState PrepareAccountFolder(const platform::FileSystem& fs,
                                        std::string_view account_name, IndexList& received_keys,
                                        IndexList& folder_index);

// Loads the account's received-key list, writing an empty one (and the account folder)
// when missing. Used whenever a key list is needed for an account directory.
void LoadOrCreateReceivedKeys(const platform::FileSystem& fs, std::string_view account_dir,
                              IndexList& received_keys);

// Moves the message file and attachment directory of a key longer than a stem from the stem
// older stores gave it (LegacyFileStem) to its own, when the old file holds that key and the
// new one does not exist yet.
void AdoptLegacyStem(const platform::FileSystem& fs, std::string_view folder_dir,
                     std::string_view key);

// For the tree build: writes an empty MsgID.ini in `folder_dir` when it has none,
// otherwise counts the unread records of its index (adopting old stems on the way).
int PrepareFolderIndex(const platform::FileSystem& fs, std::string_view folder_dir);

}  // namespace store
