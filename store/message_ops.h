// Store operations on whole messages and folders: removing and moving messages, deleting
// and moving directory trees.
#pragma once

#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "store/index_list.h"

namespace store {

// Removes a received message: deletes its message file and attachment directory when
// present, removes its record from `folder_index` and its key from `received_keys`, then
// saves the index to folder + "MsgID.ini" and the keys to account_dir + "AlreadMsgID.ini".
// Returns whether the record was in the index.
bool RemoveReceivedMessage(const platform::FileSystem& fs, std::string_view folder_dir,
                           std::string_view account_dir, std::string_view key,
                           IndexList& folder_index, IndexList& received_keys);

// The same without saving anything (the rule run's delete: it saves the folder index
// itself, and the key list is written by the next operation that saves it).
bool DiscardReceivedMessage(const platform::FileSystem& fs, std::string_view folder_dir,
                            std::string_view key, IndexList& folder_index,
                            IndexList& received_keys);

// Removes a sent message: its file in "送信\" and its record, then saves "送信\Send.ini".
bool RemoveSentMessage(const platform::FileSystem& fs, std::string_view key, IndexList& sent_index);

// Moves received messages from one folder to another. Construction loads the target
// folder's index unchanged (writing an empty one when missing) and, when the target
// belongs to another account, that account's received-key list.
class MessageMover {
 public:
  // `source_index` is the source folder's loaded index, `source_keys` the source
  // account's received-key list; both stay owned by the caller.
  MessageMover(const platform::FileSystem& fs, std::string source_folder, IndexList& source_index,
               IndexList& source_keys, std::string target_folder);

  bool CrossesAccounts() const { return crosses_accounts_; }

  // Appends the record of `key` (with its state) to the target index, in place of any
  // record the target already held for that key, renames the
  // message file and moves the attachment directory into the target, removes the record
  // from the source index and, when `move_keys` and the move crosses accounts, moves the
  // key between the received-key lists. False (nothing done) when the key is not in the
  // source index.
  bool Move(std::string_view key, bool move_keys = true);

  void SaveSourceIndex() const;
  void SaveTargetIndex() const;
  // Both received-key lists; only when the move crosses accounts.
  void SaveKeyLists() const;
  // All three of the above (the drag-and-drop move's final step).
  void SaveAll() const;

  const IndexList& target_index() const { return target_index_; }
  const std::string& target_folder() const { return target_folder_; }

 private:
  const platform::FileSystem& fs_;
  std::string source_folder_;
  IndexList& source_index_;
  IndexList& source_keys_;
  std::string target_folder_;
  bool crosses_accounts_;
  IndexList target_index_{IndexList::Order::kAsLoaded};
  IndexList target_keys_;  // sorted: a key already there is not added twice
};

// Deletes a directory and everything in it, permanently and silently (a trailing "\" is
// dropped). False when the directory is missing or could not be removed.
bool DeleteDirectoryTree(const platform::FileSystem& fs, std::string_view dir);

// Moves a directory, creating missing target parents. False when the source is missing
// or the move failed (an existing target is never merged or replaced).
bool MoveDirectoryTree(const platform::FileSystem& fs, std::string_view from, std::string_view to);

}  // namespace store
