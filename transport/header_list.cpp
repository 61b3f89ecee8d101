// Header line lookup, unfolding and folding.
#include "transport/header_list.h"

#include "platform/codepage.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

bool NameMatches(const std::string& line, std::string_view name) {
  // The name of a line is everything before its first colon.
  std::size_t colon = line.find(':');
  std::string_view line_name =
      colon == std::string::npos ? std::string_view() : std::string_view(line).substr(0, colon);
  return mime::EqualsIgnoringCase(line_name, name);
}

}  // namespace

int TIdHeaderList::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (NameMatches(lines_[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::size_t TIdHeaderList::ContinuationEnd(std::size_t index) const {
  std::size_t end = index + 1;
  while (end < lines_.size() && IsContinuation(lines_[end])) ++end;
  return end;
}

std::string TIdHeaderList::GetValue(std::string_view name) const {
  int idx = IndexOfName(name);
  if (idx < 0) return {};
  const std::string& line = lines_[idx];
  std::string value(mime::TrimKeepingEscape(std::string_view(line).substr(line.find(':') + 1)));
  // Trimmed in place: copying the value for every continuation line made a header folded
  // over many lines cost quadratic time.
  auto trim = [](std::string& v) {
    std::string_view kept = mime::TrimKeepingEscape(v);
    if (kept.size() == v.size()) return;
    std::size_t front = static_cast<std::size_t>(kept.data() - v.data());
    v.resize(front + kept.size());
    v.erase(0, front);  // only a value that was blank so far has a blank front
  };
  std::size_t end = ContinuationEnd(idx);
  for (std::size_t i = idx + 1; i < end; ++i) {
    trim(value);
    value += ' ';
    value += mime::TrimKeepingEscape(lines_[i]);
  }
  trim(value);
  return value;
}

void TIdHeaderList::SetValue(std::string_view name, std::string_view value) {
  int found = IndexOfName(name);
  if (found >= 0) {
    std::size_t idx = static_cast<std::size_t>(found);
    lines_.erase(lines_.begin() + idx + 1, lines_.begin() + ContinuationEnd(idx));
    if (value.empty()) {
      lines_.erase(lines_.begin() + idx);
      return;
    }
  } else if (value.empty()) {
    return;
  } else {
    lines_.emplace_back();
    found = static_cast<int>(lines_.size() - 1);
  }
  std::string whole(name);
  whole += ": ";
  whole += value;
  std::string folded = FoldHeaderLine(whole, kFoldLength, name.size() + 2);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    std::size_t crlf = folded.find("\r\n", start);
    std::string piece =
        folded.substr(start, crlf == std::string::npos ? std::string::npos : crlf - start);
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\t')) piece.pop_back();
    pieces.push_back(std::move(piece));
    if (crlf == std::string::npos) break;
    start = crlf + 2;
  }
  std::size_t idx = static_cast<std::size_t>(found);
  lines_[idx] = std::move(pieces[0]);
  lines_.insert(lines_.begin() + idx + 1, std::make_move_iterator(pieces.begin() + 1),
                std::make_move_iterator(pieces.end()));
}

std::string FoldHeaderLine(std::string_view text, std::size_t max_col, std::size_t first_break) {
  std::string out;
  out.reserve(text.size() + 8);
  std::size_t line_start = 0;   // where the rest of the current output line starts in `text`
  std::size_t lead = 0;         // columns already on the line before line_start (the fold space)
  std::size_t break_after = 0;  // one past the last break character of this line, 0 if none
  bool in_quotes = false;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t width = 1;
    if (platform::IsSjisLeadByte(c) && i + 1 < text.size()) {
      width = 2;
    } else if (c == '"') {
      in_quotes = !in_quotes;
    } else if (c == '\n') {
      // A line break already in the text (CR LF + space, or CR LF + tab from a charset
      // parameter) starts a new line: count columns from there.
      out.append(text.substr(line_start, i + 1 - line_start));
      line_start = ++i;
      lead = 0;
      break_after = 0;
      continue;
    } else if (!in_quotes && (c == ' ' || c == '\t') && i >= first_break) {
      // Only white space: a break after a comma would put a space into the unfolded value.
      break_after = i + 1;
    }
    i += width;
    if (lead + i - line_start > max_col && break_after > line_start && break_after < text.size()) {
      out.append(text.substr(line_start, break_after - line_start));
      out += "\r\n ";
      line_start = break_after;
      lead = 1;
      break_after = 0;
    }
  }
  out.append(text.substr(line_start));
  return out;
}

}  // namespace transport
