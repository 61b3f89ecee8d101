// Account fields, their cleaning and the name rules.
#include "accounts/account_fields.h"

#include "platform/codepage.h"
#include "store/paths.h"
#include "store/record.h"

namespace accounts {
namespace {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    auto b = static_cast<unsigned char>(out[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;  // the trail byte belongs to the character
    } else if (b >= 'a' && b <= 'z') {
      out[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
  return out;
}

void SpacesForBreaks(std::string& text) {
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
}

}  // namespace

store::AccountRecord AccountFields::ToRecord() const {
  store::AccountRecord r;
  r.AccountName = AccountName;
  r.PopServer = PopServer;
  r.UserId = UserId;
  r.Password = Password;
  r.SmtpServer = SmtpServer;
  r.OwnAddress = OwnAddress;
  r.PopPort = PopPort;
  r.SmtpPort = SmtpPort;
  r.DeleteAfterReceive = DeleteAfterReceive ? "-1" : "0";
  return r;
}

void AccountFields::FromRecord(const store::AccountRecord& r) {
  AccountName = r.AccountName;
  PopServer = r.PopServer;
  UserId = r.UserId;
  Password = r.Password;
  SmtpServer = r.SmtpServer;
  OwnAddress = r.OwnAddress;
  PopPort = r.PopPort;
  SmtpPort = r.SmtpPort;
  DeleteAfterReceive = r.DeletesAfterReceive();
}

bool AccountFields::RequiredFilled() const {
  return !AccountName.empty() && !PopServer.empty() && !UserId.empty() && !Password.empty() &&
         !SmtpServer.empty() && !OwnAddress.empty();
}

bool AccountFields::AllFilled() const {
  return RequiredFilled() && !PopPort.empty() && !SmtpPort.empty();
}

bool AccountFields::RequiredEmpty() const {
  return AccountName.empty() && PopServer.empty() && UserId.empty() && Password.empty() &&
         SmtpServer.empty() && OwnAddress.empty();
}

void CleanFields(AccountFields& f) {
  for (std::string* field : {&f.AccountName, &f.PopServer, &f.UserId, &f.Password, &f.SmtpServer,
                             &f.OwnAddress, &f.PopPort, &f.SmtpPort}) {
    SpacesForBreaks(*field);
  }
  std::vector<std::string> lines;
  for (const std::string& entry : f.Signature) {
    std::vector<std::string> split = store::SplitLines(entry);
    if (split.empty()) split.emplace_back();  // an empty line stays a line
    for (std::string& line : split) {
      SpacesForBreaks(line);
      lines.push_back(std::move(line));
    }
  }
  f.Signature = std::move(lines);
}

bool SameAccountName(std::string_view a, std::string_view b) {
  return UpperAscii(a) == UpperAscii(b);
}

bool IsUsableAccountName(std::string_view name) {
  if (name.empty() || !store::IsFolderName(name)) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    auto b = static_cast<unsigned char>(name[i]);
    if (platform::IsSjisLeadByte(b)) {
      ++i;
    } else if (b == '\\' || b == '/') {
      return false;
    }
  }
  return true;
}

}  // namespace accounts
