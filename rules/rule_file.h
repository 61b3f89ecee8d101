// The rule file "rule.ini": one rule per line, header TAB keyword TAB action. Loading,
// saving, and the reading of one line into a rule whose target can never leave "受信\".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace rules {

inline constexpr std::string_view kRuleFile = "rule.ini";

// Fixed texts, in Shift_JIS.
const std::string& SenderHeader();   // "差出人"
const std::string& SubjectHeader();  // "件名"
const std::string& DeleteAction();   // "削除"

// The lines of application directory + "rule.ini" in file order; none when it is missing.
// Throws platform::FileError when it exists but cannot be read.
std::vector<std::string> LoadRuleLines(const platform::FileSystem& fs);
// Rewrites "rule.ini" whole (atomically), CR LF after every line.
void SaveRuleLines(const platform::FileSystem& fs, const std::vector<std::string>& lines);

enum class Header { kNone, kSubject, kSender };
enum class Action { kNone, kDelete, kMove };

struct Rule {
  Header header = Header::kNone;
  std::string keyword;
  Action action = Action::kNone;
  std::string target_folder;  // for kMove: "受信\" + path + "\"

  // A rule that can match: a known header, a keyword and a usable action.
  bool usable() const {
    return header != Header::kNone && !keyword.empty() && action != Action::kNone;
  }
};

// Reads one line. A line with fewer than three fields, an unknown header or an unsafe
// folder path gives a rule that is not usable; fields after the third are ignored.
Rule ParseRule(std::string_view line);

// The folder of a rule's path ("acct\sub" -> "受信\acct\sub\"), or "" when the path could
// name a place outside the received root or no folder at all: empty components (so a
// leading or trailing "\"), "." or "..", "/" or ":" (absolute paths and drive letters),
// control bytes, or the name of an attachment directory.
std::string RuleTargetFolder(std::string_view path);

// "\"-separated components of a Shift_JIS path; a 0x5C trail byte never separates.
std::vector<std::string> SplitFolderPath(std::string_view path);

}  // namespace rules
