// Folder-tree rules without widgets: building the tree from "受信\" with unread counts,
// node texts, folder paths, and the folder commands (empty a folder, move rows by drag and
// drop) on the main window's state.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"

namespace app {


const std::string& ReceivedRoot();  // "受信"
const std::string& SentRoot();      // "送信"

struct FolderNode {
  std::string name;
  int unread = 0;
  std::vector<FolderNode> children;
};

// The folder tree under "受信\": every directory but "Attachment" becomes a node, in listing
// order; a folder without an index gets an empty one written.
FolderNode BuildFolderTree(const platform::FileSystem& fs);

// "name" or "name\t(count)" when count > 0.
std::string NodeText(std::string_view name, int count);
std::string NodeName(std::string_view text);  // part before the first TAB
int NodeCount(std::string_view text);         // the count in the text, 0 when none

// Store path of a folder from the node names below the root: "受信\a\b\".
std::string FolderPath(const std::vector<std::string>& names_below_root);
// The account folder of a received folder path: up to and including its second "\".
std::string AccountDirOf(std::string_view folder_path);

// Empties the folder: forgets the keys of its mail and of its subfolders' mail (saving the
// account's key list at once), deletes its
// directory (subfolders included) and recreates it with an empty index. When the listed
// folder is this one or lies below it, the loaded folder index is cleared and this folder
// becomes the current one.
void EmptyFolder(MainState& state, const std::string& folder_path);

// Moves the records (rebuilt from the list rows) from the current folder into target_folder,
// with message files, attachment directories and, across accounts, received keys. Records
// not found in the folder index are skipped. Saves every changed list. Returns the keys moved.
struct MoveResult {
  std::vector<std::string> moved_keys;
  int source_unread = 0;
  int target_unread = 0;
};
MoveResult MoveRecords(MainState& state, const std::vector<std::string>& records,
                       const std::string& target_folder);

}  // namespace app
