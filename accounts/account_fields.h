// The accounts window's fields as the Qt-free logic sees them (one record of Account.ini
// plus the signature), and the checks made on them before they reach the files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/account_file.h"

namespace accounts {

struct AccountFields {
  std::string AccountName;             // Edit1
  std::string PopServer;               // Edit2
  std::string UserId;                  // Edit3
  std::string Password;                // Edit4
  std::string SmtpServer;              // Edit5
  std::string OwnAddress;              // Edit6
  std::string PopPort = "110";         // EdtPOP
  std::string SmtpPort = "25";         // EdtSMTP
  bool DeleteAfterReceive = false;     // CheckBox1
  std::vector<std::string> Signature;  // Memo1, one entry per line

  store::AccountRecord ToRecord() const;
  void FromRecord(const store::AccountRecord& record);  // the signature is left alone

  // Edit1 to Edit6: what adding and closing need.
  bool RequiredFilled() const;
  // Edit1 to Edit6 and both ports: what saving needs.
  bool AllFilled() const;
  // Nothing typed into Edit1 to Edit6.
  bool RequiredEmpty() const;
};

// A TAB or line break typed into a field would shift the fields of Account.ini or break its
// line, and a TAB in a signature line would survive into mail: each becomes a space. A line
// break inside a signature entry splits it into two lines instead, as the file would.
void CleanFields(AccountFields& fields);

// Account names are unique regardless of the case of ASCII letters. Only bytes that stand
// for themselves are folded: a trail byte of a double-byte character is never a letter.
bool SameAccountName(std::string_view a, std::string_view b);

// A name that can be one directory under the received root: not empty, no path separator,
// not "." or "..", and not "Attachment" (the tree never shows that name as a folder).
bool IsUsableAccountName(std::string_view name);

}  // namespace accounts
