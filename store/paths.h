// Where things live in the mail store: the fixed names, the folder path rule and the
// paths of a message's file and attachment directory. Every path here is Shift_JIS,
// relative to the application directory, with "\" separators; directories end with "\".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace store {

// Fixed names, in Shift_JIS.
const std::string& ReceivedRootName();  // "受信": the folder tree's root node
const std::string& SentRootName();      // "送信": the sent tree's single node
const std::string& ReceivedRoot();      // "受信\"
const std::string& SentFolder();        // "送信\"
const std::string& SentIndexPath();     // "送信\Send.ini"

inline constexpr std::string_view kAttachmentDirName = "Attachment";
inline constexpr std::string_view kFolderIndexFile = "MsgID.ini";
inline constexpr std::string_view kReceivedKeysFile = "AlreadMsgID.ini";
inline constexpr std::string_view kSentIndexFile = "Send.ini";
inline constexpr std::string_view kRelatedFile = "Ref.txt";
inline constexpr std::string_view kSignatureFile = "syomei.txt";
inline constexpr std::string_view kAccountFile = "Account.ini";
inline constexpr std::string_view kSettingsFile = "Yubinko.ini";

// The folder name carried by a tree node's text: the part before the first TAB (the
// tree appends TAB + "(count)" while a folder has unread mail).
std::string NodeName(std::string_view node_text);

// The directory of a tree node, from the node texts of the root ("受信") down to the
// node: each name (before its TAB) followed by "\".
std::string FolderDirectory(const std::vector<std::string>& node_texts_from_root);

// "受信\" + account + "\".
std::string AccountFolder(std::string_view account_name);

// The account directory of a received folder: its prefix up to and including the second
// "\" (Shift_JIS aware, so the trail byte of 表 or ソ is never taken for a separator).
// A path with fewer than two separators is returned whole.
std::string AccountDirectory(std::string_view folder_dir);

// The directory part of a path, up to and including its last "\" (Shift_JIS aware);
// "" when the path has no separator.
std::string ParentDirectory(std::string_view path);

// True for a subdirectory name that is a folder (not ".", ".." or "Attachment").
bool IsFolderName(std::string_view name);

// folder + stem + ".txt", and folder + "Attachment\" + stem + "\".
std::string MessageFilePath(std::string_view folder_dir, std::string_view key);
std::string AttachmentDirectory(std::string_view folder_dir, std::string_view key);

// The file of an attachment: the message's attachment directory + the cleaned-up name
// (see CleanAttachmentName), which can never leave that directory.
std::string AttachmentFilePath(std::string_view folder_dir, std::string_view key,
                               std::string_view decoded_name);

// folder + "MsgID.ini"; account directory + "AlreadMsgID.ini".
std::string FolderIndexPath(std::string_view folder_dir);
std::string ReceivedKeysPath(std::string_view account_dir);

}  // namespace store
