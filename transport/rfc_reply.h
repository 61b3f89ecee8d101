// One server reply: its code (as sent and as a number) and its text lines.
#pragma once

#include <string>
#include <vector>

namespace transport {

class TIdRFCReply {
 public:
  // The code as a number; 0 when TextCode is not a number.
  int NumericCode() const { return numeric_code_; }
  // Setting a code above 0 also sets TextCode to its decimal text.
  void SetNumericCode(int code);
  // The code as sent: three digits for SMTP, "+OK" or "-ERR" for POP3.
  const std::string& TextCode() const { return text_code_; }
  // Setting a non-empty text code also sets NumericCode to its value (0 if not a number).
  void SetTextCode(const std::string& code);

  // One entry per reply line: the line from its fifth character on.
  std::vector<std::string> Text;

  // Code 0, empty text code, no text.
  void Clear();
  // Fills the reply from the raw lines of one reply (the first line holds the code): the text
  // code is the first four characters of the first line, trimmed, without a trailing '-'.
  void ParseLines(const std::vector<std::string>& lines);
  // The text with CR LF after every line: the message of a reply error.
  std::string JoinedText() const;

 private:
  int numeric_code_ = 0;
  std::string text_code_;
};

// Integer value of a code text as the reply understands it: optional sign and decimal digits
// only; anything else gives 0.
int ReplyCodeValue(const std::string& text);

// True when `first`, the first line of a reply, opens a multi-line reply: it is longer than
// three characters and its fourth character is '-'.
bool ReplyIsMultiLine(const std::string& first);
// True when `line`, read after the multi-line first line `first`, is the reply's last line: it is
// shorter than 4 characters or starts with the first three characters of `first` followed by a
// space (compared ignoring case).
bool ReplyIsLastLine(const std::string& first, const std::string& line);

// Trims spaces and control characters at both ends.
std::string TrimReplyLine(const std::string& line);

}  // namespace transport
