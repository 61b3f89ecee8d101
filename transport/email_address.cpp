// Reading and writing the text form of addresses and address lists.
#include "transport/email_address.h"

#include <cstring>

#include "platform/codepage.h"
#include "transport/message_exceptions.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

// Characters that may stand in an unquoted word (an atom) besides letters and digits.
bool IsWordChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != '\0' && std::strchr("!#$%&'*+-/=?_{}|~`", c) != nullptr;
}

// A Shift_JIS double-byte character at s[i]: its trail byte may look like "@" or a backslash
// and must not be taken for one.
bool IsDoubleByteAt(std::string_view s, std::size_t i) {
  if (i + 1 >= s.size() || !platform::IsSjisLeadByte(static_cast<unsigned char>(s[i]))) {
    return false;
  }
  unsigned char t = static_cast<unsigned char>(s[i + 1]);
  return (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
}

std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsDoubleByteAt(s, i)) {
      out.append(s.substr(i, 2));
      ++i;
      continue;
    }
    char c = s[i];
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string AddressText(const std::string& address, bool has_name) {
  if (address.empty()) return has_name ? "<>" : "";
  std::size_t at = address.rfind('@');
  std::string_view local = std::string_view(address).substr(0, at);
  std::string_view domain =
      at == std::string::npos ? std::string_view() : std::string_view(address).substr(at);
  for (char c : local) {
    if (IsWordChar(c)) continue;
    if (c == '.') break;  // a dotted local part is written as it is
    return "<" + Quoted(local) + std::string(domain) + ">";
  }
  return has_name ? "<" + address + ">" : address;
}

// Trimming keeps ESC: a raw ISO-2022-JP display name starts with one.
void AppendTrimmed(std::string& target, std::string_view text) {
  target += mime::TrimKeepingEscape(text);
}

}  // namespace

std::string TIdEMailAddressItem::GetText() const {
  std::string address_text = AddressText(Address, !Name.empty());
  if (Name.empty() || Name == mime::UpperCase(Address)) return address_text;
  bool plain = true;
  for (char c : Name) {
    if (!IsWordChar(c) && c != ' ') {
      plain = false;
      break;
    }
  }
  return (plain ? Name : Quoted(Name)) + " " + address_text;
}

void TIdEMailAddressItem::SetText(std::string_view input, bool lenient) {
  Clear();
  std::string_view text = mime::TrimKeepingEscape(input);
  if (text.empty()) return;
  if (text.find_first_of("(\"< @\t") == std::string_view::npos) {
    Address = std::string(text);
    return;
  }
  std::string pending;  // text read since the last action
  int comment_depth = 0;
  bool in_quotes = false;
  bool in_brackets = false;
  bool brackets_closed = false;
  bool at_seen = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsDoubleByteAt(text, i)) {
      if (comment_depth == 0) pending.append(text.substr(i, 2));
      ++i;
      continue;
    }
    if (comment_depth > 0) {
      if (c == '(') {
        ++comment_depth;
      } else if (c == ')') {
        --comment_depth;
        pending.clear();  // comment text is not kept
      } else if (c == '\\') {
        ++i;
      }
      continue;
    }
    if (in_quotes) {
      if (c == '\\') {
        if (i + 1 < text.size()) pending += text[++i];
      } else if (c == '"') {
        in_quotes = false;
        AppendTrimmed(in_brackets ? Address : Name, pending);
        pending.clear();
      } else {
        pending += c;
      }
      continue;
    }
    if (c == '(') {
      if (in_brackets || at_seen) {
        AppendTrimmed(Address, pending);
      } else {
        Name += pending;
      }
      pending.clear();
      comment_depth = 1;
      continue;
    }
    if (at_seen && in_brackets) {  // domain inside angle brackets
      if (c == '.') {
        AppendTrimmed(Address, pending);
        Address += '.';
        pending.clear();
      } else if (c == '>') {
        AppendTrimmed(Address, pending);
        pending.clear();
        in_brackets = false;
        brackets_closed = true;
      } else {
        pending += c;
      }
      continue;
    }
    if (at_seen && !brackets_closed) {  // domain of a bare address
      if (c == '.') {
        Address += pending;
        Address += '.';
        pending.clear();
      } else if (c == ' ') {
        AppendTrimmed(Address, pending);
        pending.clear();
      } else {
        pending += c;
      }
      continue;
    }
    if (in_brackets) {  // local part inside angle brackets
      if (c == '"') {
        in_quotes = true;
      } else if (c == '@') {
        Address += pending;
        Address += '@';
        pending.clear();
        at_seen = true;
      } else if (c == '>') {
        AppendTrimmed(Address, pending);
        pending.clear();
        in_brackets = false;
        brackets_closed = true;
      } else {
        pending += c;
      }
      continue;
    }
    switch (c) {
      case ' ':
      case '\t':
        if (!pending.empty()) {
          if (at_seen) {
            AppendTrimmed(Address, pending);
          } else {
            Name += pending;
            Name += c;
          }
          pending.clear();
        }
        break;
      case '"':
        in_quotes = true;
        break;
      case '<':
        Name += pending;
        pending.clear();
        Name = std::string(mime::TrimKeepingEscape(Name));
        in_brackets = true;
        break;
      case '@':
        if (brackets_closed && lenient) {
          // The address is complete; what follows it is kept as text beside the name.
          if (!Name.empty()) Name += ' ';
          Name += pending;
          Name += text.substr(i);
          Name = std::string(mime::TrimKeepingEscape(Name));
          return;
        }
        if (brackets_closed) throw EIdEmailParseError();
        Address += pending;
        Address += '@';
        pending.clear();
        at_seen = true;
        break;
      default:
        pending += c;
    }
  }
  // Whatever is left ends a bare or unclosed address; without any address it belongs to the
  // name, so no text is lost.
  if (in_brackets || (at_seen && !brackets_closed)) {
    AppendTrimmed(Address, pending);
  } else if (!at_seen && !brackets_closed && Address.empty()) {
    Name += pending;
  }
  Name = std::string(mime::TrimKeepingEscape(Name));
}

void TIdEMailAddressList::SetFromText(std::string_view text, bool lenient) {
  Clear();
  if (mime::Trim(text).empty()) return;
  auto add_entry = [this, lenient](std::string_view entry) {
    TIdEMailAddressItem item;
    item.SetText(entry, lenient);
    std::string shown = item.GetText();
    if (mime::Trim(shown).empty() || shown == "<>") return;
    items_.push_back(std::move(item));
  };
  if (text.find_first_of(":;(\", \t") == std::string_view::npos) {
    add_entry(text);
    return;
  }
  std::size_t start = 0;
  bool in_quotes = false;
  int depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_quotes) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_quotes = false;
      }
    } else if (depth > 0) {
      if (c == '\\') {
        ++i;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')') {
        --depth;
      }
    } else if (c == '"') {
      in_quotes = true;
    } else if (c == '(') {
      depth = 1;
    } else if (c == ':') {
      start = i + 1;  // a group name
    } else if (c == ',' || c == ';') {
      add_entry(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) add_entry(text.substr(start));
}

}  // namespace transport
