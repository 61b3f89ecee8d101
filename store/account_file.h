// Account.ini: one account per line, nine TAB-separated fields, in insertion order.
// The file holds passwords, so it is written with mode 0600.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "store/paths.h"

namespace store {

struct AccountRecord {
  std::string AccountName;
  std::string PopServer;
  std::string UserId;
  std::string Password;
  std::string SmtpServer;
  std::string OwnAddress;
  std::string PopPort = "110";
  std::string SmtpPort = "25";
  std::string DeleteAfterReceive = "0";  // "-1" when checked

  bool DeletesAfterReceive() const { return DeleteAfterReceive == "-1"; }
  // One line (without line end); TABs, CR and LF inside fields become spaces.
  std::string Line() const;
  // Fields missing from the line are empty.
  static AccountRecord FromLine(std::string_view line);
};

bool AccountFileExists(const platform::FileSystem& fs);
// The lines of Account.ini; empty when the file is missing.
std::vector<std::string> LoadAccountList(const platform::FileSystem& fs);
// Writes the lines joined with CR LF (one after the last), atomically with mode 0600,
// only when that text is neither empty nor a lone CR LF. Returns whether it wrote.
bool SaveAccountList(const platform::FileSystem& fs, const std::vector<std::string>& lines);

// 1-based position of the first line whose field 0 equals `name` exactly, or 0. A line
// with an empty field 0 (a blank line) names no account, so it never matches, not even an
// empty name.
int FindAccountPosition(const std::vector<std::string>& lines, std::string_view name);
// 1-based position of the first line that names an account, or 0 when none does: the
// account taken when the settings file names none of them.
int FirstAccountPosition(const std::vector<std::string>& lines);
// Field 0 of line `position` (1-based), or "" when out of range.
std::string AccountNameAt(const std::vector<std::string>& lines, int position);

}  // namespace store
