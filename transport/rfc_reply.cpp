// Reply codes, reply text and the parsing of a reply's lines.
#include "transport/rfc_reply.h"

#include <cctype>
#include <climits>

namespace transport {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

int ReplyCodeValue(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return 0;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) return 0;  // out of range counts as not a number
  }
  return static_cast<int>(negative ? -value : value);
}

std::string TrimReplyLine(const std::string& line) {
  std::size_t begin = 0;
  std::size_t end = line.size();
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

bool ReplyIsMultiLine(const std::string& first) { return first.size() > 3 && first[3] == '-'; }

bool ReplyIsLastLine(const std::string& first, const std::string& line) {
  if (line.size() < 4) return true;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(line[i])) !=
        std::toupper(static_cast<unsigned char>(first[i]))) {
      return false;
    }
  }
  return line[3] == ' ';
}

void TIdRFCReply::SetNumericCode(int code) {
  numeric_code_ = code;
  if (code > 0) text_code_ = std::to_string(code);
}

void TIdRFCReply::SetTextCode(const std::string& code) {
  text_code_ = code;
  if (!code.empty()) numeric_code_ = ReplyCodeValue(code);
}

void TIdRFCReply::Clear() {
  numeric_code_ = 0;
  text_code_.clear();
  Text.clear();
}

void TIdRFCReply::ParseLines(const std::vector<std::string>& lines) {
  Clear();
  if (lines.empty()) return;
  std::string code = TrimReplyLine(lines.front().substr(0, 4));
  if (code.size() == 4 && code.back() == '-') code.pop_back();
  SetTextCode(code);
  for (const std::string& line : lines) Text.push_back(line.size() > 4 ? line.substr(4) : "");
}

std::string TIdRFCReply::JoinedText() const {
  std::string joined;
  for (const std::string& line : Text) {
    joined += line;
    joined += "\r\n";
  }
  return joined;
}

}  // namespace transport
