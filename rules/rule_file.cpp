// Reading and writing "rule.ini" and checking rule paths.
#include "rules/rule_file.h"

#include "platform/codepage.h"
#include "state/index_list.h"
#include "store/paths.h"
#include "store/record.h"

namespace rules {

const std::string& SenderHeader() {
  static const std::string text = platform::Sjis("差出人");
  return text;
}

const std::string& SubjectHeader() {
  static const std::string text = platform::Sjis("件名");
  return text;
}

const std::string& DeleteAction() {
  static const std::string text = platform::Sjis("削除");
  return text;
}

std::vector<std::string> LoadRuleLines(const platform::FileSystem& fs) {
  return state::LoadLines(fs, kRuleFile);
}

void SaveRuleLines(const platform::FileSystem& fs, const std::vector<std::string>& lines) {
  state::SaveLines(fs, kRuleFile, lines);
}

std::vector<std::string> SplitFolderPath(std::string_view path) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < path.size(); ++i) {
    const auto b = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(b) && i + 1 < path.size()) {
      parts.back() += path.substr(i, 2);
      ++i;
    } else if (b == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(b);
    }
  }
  return parts;
}

namespace {

bool SafeComponent(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || !store::IsFolderName(name)) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if (platform::IsSjisLeadByte(b) && i + 1 < name.size()) {
      ++i;  // a trail byte is part of a character, never a separator or a colon
      continue;
    }
    if (b < 0x20 || b == 0x7F || b == '/' || b == ':') return false;
  }
  return true;
}

}  // namespace

std::string RuleTargetFolder(std::string_view path) {
  std::string folder = store::ReceivedRoot();
  for (const std::string& part : SplitFolderPath(path)) {
    if (!SafeComponent(part)) return {};
    folder += part;
    folder += '\\';
  }
  return folder;
}

Rule ParseRule(std::string_view line) {
  Rule rule;
  store::Fields fields = store::SplitRecord(line);
  if (fields.size() < 3) return rule;
  if (fields[0] == SubjectHeader()) {
    rule.header = Header::kSubject;
  } else if (fields[0] == SenderHeader()) {
    rule.header = Header::kSender;
  }
  rule.keyword = fields[1];
  if (fields[2] == DeleteAction()) {
    rule.action = Action::kDelete;
  } else {
    rule.target_folder = RuleTargetFolder(fields[2]);
    if (!rule.target_folder.empty()) rule.action = Action::kMove;
  }
  return rule;
}

}  // namespace rules
