// The account's list of server unique ids (UIDL) beside the keys of the messages they name, so
// a receive run can leave mail it already has on the server instead of downloading it again.
// File: account directory + "UIDL.ini", one "uid TAB key" line per message.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace store {

inline constexpr std::string_view kUidlFile = "UIDL.ini";

// account directory + "UIDL.ini".
std::string UidlPath(std::string_view account_dir);

class UidlFile {
 public:
  // Reads the file. Answers false, leaving the list empty, when the file is missing or any line
  // is damaged (no TAB, an id that is empty, too long or not printable ASCII, an empty key): a
  // list that cannot be trusted must not hide mail, so the run then fetches everything.
  bool Load(const platform::FileSystem& fs, std::string_view account_dir);
  // Writes the list atomically ("uid TAB key" CR LF, ids in byte order).
  void Save(const platform::FileSystem& fs, std::string_view account_dir) const;

  // The key recorded for `uid`, or nullptr.
  const std::string* KeyOf(const std::string& uid) const;
  // Records (or replaces) the key of `uid`. Ids or keys that would break a line are ignored.
  void Remember(const std::string& uid, const std::string& key);
  // Forgets the ids the server no longer lists (mail deleted there or elsewhere), so the file
  // never outgrows the mailbox.
  void KeepOnly(const std::vector<std::string>& listed_uids);

  std::size_t size() const { return keys_.size(); }
  bool changed() const { return changed_; }

  // A server id that fits the file: 1 to 70 bytes from 0x21 to 0x7E.
  static bool IsValidUid(std::string_view uid);

 private:
  std::map<std::string, std::string> keys_;
  bool changed_ = false;
};

}  // namespace store
