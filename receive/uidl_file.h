// The unique ids (UIDL) of an account's messages on its server, each beside the key the
// message was received under, kept in a file of the account directory. With it a receive run
// learns from one UIDL listing which messages it already has, instead of fetching every
// message whole to find its key.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "transport/pop3.h"

namespace receive {

class UidlFile {
 public:
  // "UIDL.ini": a first line naming the format, one line per message (id, TAB, key) and a
  // last line with the number of messages, so a cut or edited file is noticed.
  static constexpr std::string_view kFileName = "UIDL.ini";

  static std::string Path(std::string_view account_dir);
  // Reads the file; a missing or damaged one gives an empty, unusable list.
  static UidlFile Load(const platform::FileSystem& fs, std::string_view account_dir);

  // The file was there and read back whole.
  bool usable() const { return usable_; }
  // The key recorded for `uid`, or nullptr.
  const std::string* KeyOf(const std::string& uid) const;
  void Set(const std::string& uid, const std::string& key) { entries_[uid] = key; }
  // Drops every id not in `present` (the messages the server no longer has).
  void KeepOnly(const std::vector<transport::TIdUidlEntry>& present);
  std::size_t size() const { return entries_.size(); }

  // The file's text, and the atomic rewrite (not flushed when `flush` is false: the caller
  // flushes the store at once).
  std::string Text() const;
  void Save(const platform::FileSystem& fs, std::string_view account_dir, bool flush) const;

 private:
  std::map<std::string, std::string> entries_;
  bool usable_ = false;
};

// The server's listing by message number (index 1 to count; index 0 unused): the unique id of
// each message, empty when the server gave none for it or gave the same id to two messages
// (such ids cannot tell messages apart, so those messages are fetched as without UIDL).
std::vector<std::string> UidsByNumber(const std::vector<transport::TIdUidlEntry>& listing,
                                      int count);

}  // namespace receive
