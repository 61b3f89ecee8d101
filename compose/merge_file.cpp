// Mail-merge file rules.
#include "compose/merge_file.h"

#include "platform/codepage.h"

namespace compose {
namespace {

bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

// Replaces every occurrence of `needle` (ASCII) ignoring ASCII case. The needles start with
// "%", which is never a trail byte, so a byte-wise search cannot match inside a character.
// The search goes on after each inserted value, so a value is not searched again here.
std::string ReplaceAllNoCase(std::string_view text, std::string_view needle,
                             std::string_view value) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool match = i + needle.size() <= text.size();
    for (std::size_t j = 0; match && j < needle.size(); ++j) {
      match = lower(text[i + j]) == lower(needle[j]);
    }
    if (match) {
      out += value;
      i += needle.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t p = 0;
  const std::size_t n = line.size();
  auto skip_blanks = [&] {
    while (p < n && IsBlank(line[p])) ++p;
  };
  skip_blanks();
  while (p < n && line[p] != '\0') {
    std::string field;
    if (line[p] == '"') {
      ++p;
      while (p < n) {
        if (line[p] == '"') {
          if (p + 1 < n && line[p + 1] == '"') {
            field += '"';
            p += 2;
            continue;
          }
          ++p;  // the closing quote
          break;
        }
        field += line[p++];
      }
    } else {
      while (p<n&& static_cast<unsigned char>(line[p])> ' ' && line[p] != ',') {
        field += line[p++];
      }
    }
    fields.push_back(std::move(field));
    skip_blanks();
    if (p < n && line[p] == ',') {
      do {
        ++p;
      } while (p < n && IsBlank(line[p]));
    }
  }
  return fields;
}

std::string JoinCommaText(const std::vector<std::string>& cells) {
  std::string out;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& cell = cells[i];
    bool quote = false;
    for (char c : cell) {
      if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') quote = true;
    }
    if (!quote) {
      out += cell;
      continue;
    }
    out += '"';
    for (char c : cell) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

bool MergeFileLooksValid(const std::vector<std::string>& rows) {
  if (rows.empty()) return false;
  const std::vector<std::string> fields = SplitCommaText(rows.front());
  if (fields.size() > 3) return false;
  return !fields.empty() && fields.front().find('@') != std::string::npos;
}

MergeRow BuildMergeRow(std::string_view body, std::string_view row_line) {
  MergeRow row;
  row.fields = SplitCommaText(row_line);
  row.body = std::string(body);
  const std::size_t columns = std::min<std::size_t>(row.fields.size(), 3);
  for (std::size_t i = 0; i < columns; ++i) {
    const std::string placeholder = "%TK" + std::to_string(i + 1);
    row.body = ReplaceAllNoCase(row.body, placeholder, row.fields[i]);
  }
  return row;
}

const std::string& MergeExplanationText() {
  static const std::string kText = platform::Sjis(
      "差し込むファイル(CSV)を指定します。\r\n\r\n"
      "ファイルは、３列構成で\r\n"
      "１列目に送信先のメールアドレスを置き、\r\n"
      "２列目・３列目に差し込む内容を配置してください。");
  return kText;
}

const std::string& MergeFileErrorText() {
  static const std::string kText = platform::Sjis("CSVファイルのデータ配列が間違っています。");
  return kText;
}

}  // namespace compose
