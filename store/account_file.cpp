// Account.ini.
#include "store/account_file.h"

#include "store/record.h"

namespace store {
namespace {

constexpr unsigned kPrivateMode = 0600;  // the file holds passwords

}  // namespace

std::string AccountRecord::Line() const {
  return JoinRecord({AccountName, PopServer, UserId, Password, SmtpServer, OwnAddress, PopPort,
                     SmtpPort, DeleteAfterReceive});
}

AccountRecord AccountRecord::FromLine(std::string_view line) {
  Fields f = SplitRecord(line);
  f.resize(9);
  AccountRecord r;
  r.AccountName = f[0];
  r.PopServer = f[1];
  r.UserId = f[2];
  r.Password = f[3];
  r.SmtpServer = f[4];
  r.OwnAddress = f[5];
  r.PopPort = f[6];
  r.SmtpPort = f[7];
  r.DeleteAfterReceive = f[8];
  return r;
}

bool AccountFileExists(const platform::FileSystem& fs) {
  return fs.FileExists(std::string(kAccountFile));
}

std::vector<std::string> LoadAccountList(const platform::FileSystem& fs) {
  std::optional<std::string> text = fs.ReadFile(std::string(kAccountFile));
  return text ? SplitLines(*text) : std::vector<std::string>();
}

bool SaveAccountList(const platform::FileSystem& fs, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  if (text.empty() || text == "\r\n") return false;  // an empty list never empties the file
  fs.WriteFileAtomic(std::string(kAccountFile), text, kPrivateMode);
  return true;
}

int FindAccountPosition(const std::vector<std::string>& lines, std::string_view name) {
  if (name.empty()) return 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (GetField(lines[i], 0) == name) return static_cast<int>(i) + 1;
  }
  return 0;
}

int FirstAccountPosition(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!GetField(lines[i], 0).empty()) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string AccountNameAt(const std::vector<std::string>& lines, int position) {
  if (position < 1 || static_cast<size_t>(position) > lines.size()) return "";
  return GetField(lines[static_cast<size_t>(position) - 1], 0);
}

}  // namespace store
