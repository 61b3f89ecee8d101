// Where things live in the mail store.
#include "store/paths.h"

#include "platform/codepage.h"
#include "store/attachment_name.h"
#include "store/message_key.h"

namespace store {

const std::string& ReceivedRootName() {
  static const std::string name = platform::Sjis("受信");
  return name;
}

const std::string& SentRootName() {
  static const std::string name = platform::Sjis("送信");
  return name;
}

const std::string& ReceivedRoot() {
  static const std::string path = ReceivedRootName() + "\\";
  return path;
}

const std::string& SentFolder() {
  static const std::string path = SentRootName() + "\\";
  return path;
}

const std::string& SentIndexPath() {
  static const std::string path = SentFolder() + std::string(kSentIndexFile);
  return path;
}

std::string NodeName(std::string_view node_text) {
  return std::string(node_text.substr(0, node_text.find('\t')));
}

std::string FolderDirectory(const std::vector<std::string>& node_texts_from_root) {
  std::string dir;
  for (const std::string& text : node_texts_from_root) {
    dir += NodeName(text);
    dir += '\\';
  }
  return dir;
}

std::string AccountFolder(std::string_view account_name) {
  return ReceivedRoot() + std::string(account_name) + "\\";
}

std::string AccountDirectory(std::string_view folder_dir) {
  int separators = 0;
  for (size_t i = 0; i < folder_dir.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(folder_dir[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;  // the trail byte may be 0x5C and is part of the character
    } else if (b == '\\' && ++separators == 2) {
      return std::string(folder_dir.substr(0, i + 1));
    }
  }
  return std::string(folder_dir);
}

std::string ParentDirectory(std::string_view path) {
  size_t end = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;
    } else if (b == '\\') {
      end = i + 1;
    }
  }
  return std::string(path.substr(0, end));
}

bool IsFolderName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name != kAttachmentDirName;
}

std::string MessageFilePath(std::string_view folder_dir, std::string_view key) {
  return std::string(folder_dir) + FileStem(key) + ".txt";
}

std::string AttachmentDirectory(std::string_view folder_dir, std::string_view key) {
  return std::string(folder_dir) + std::string(kAttachmentDirName) + "\\" + FileStem(key) + "\\";
}

std::string AttachmentFilePath(std::string_view folder_dir, std::string_view key,
                               std::string_view decoded_name) {
  return AttachmentDirectory(folder_dir, key) + CleanAttachmentName(decoded_name);
}

std::string FolderIndexPath(std::string_view folder_dir) {
  return std::string(folder_dir) + std::string(kFolderIndexFile);
}

std::string ReceivedKeysPath(std::string_view account_dir) {
  return std::string(account_dir) + std::string(kReceivedKeysFile);
}

}  // namespace store
