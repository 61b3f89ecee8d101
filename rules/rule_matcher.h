// Rule matching: which rule of "rule.ini" applies to a message, by its decoded subject and
// sender. The first usable rule whose keyword occurs in its header field wins; an occurrence
// never starts on the second byte of a double-byte Shift_JIS character.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "rules/rule_file.h"

namespace rules {

// True when `keyword` occurs in `text` (byte for byte, case-sensitive) at a position that
// starts a character. An empty keyword never occurs.
bool ContainsAtCharStart(std::string_view text, std::string_view keyword);

// All keywords of one header field in one automaton, so a text is scanned once however
// many rules there are.
class KeywordAutomaton {
 public:
  // keywords[i] belongs to rule rule_numbers[i]; empty keywords are skipped.
  void Build(const std::vector<std::string_view>& keywords, const std::vector<int>& rule_numbers);
  // The smallest rule number below `limit` whose keyword occurs in `text` at a character
  // start, or `limit` when there is none.
  int FirstMatch(std::string_view text, int limit) const;

 private:
  int AddState();

  std::array<uint16_t, 256> byte_class_{};
  int classes_ = 1;
  std::vector<int32_t> next_;    // state * classes_ + class -> state
  std::vector<int32_t> depth_;   // length of the state's text
  std::vector<int32_t> rule_;    // smallest rule whose keyword is exactly the state's text
  std::vector<int32_t> output_;  // the state itself or its nearest suffix state with a rule
  std::vector<int32_t> chain_;   // the next state with a rule on the suffix chain
};

// The rule lines as loaded, read and compiled once for many look-ups.
class RuleSet {
 public:
  RuleSet() : RuleSet(std::vector<std::string>{}) {}
  explicit RuleSet(std::vector<std::string> lines);
  // From application directory + "rule.ini" (a missing file gives no rules).
  static RuleSet Load(const platform::FileSystem& fs) { return RuleSet(LoadRuleLines(fs)); }

  // Position (from 0, in file order) of the first matching rule, or -1.
  int FindRule(std::string_view subject, std::string_view sender) const;

  const std::vector<std::string>& lines() const { return lines_; }
  const Rule& rule(int position) const { return rules_[static_cast<size_t>(position)]; }
  int size() const { return static_cast<int>(rules_.size()); }

 private:
  std::vector<std::string> lines_;
  std::vector<Rule> rules_;
  KeywordAutomaton subject_;
  KeywordAutomaton sender_;
};

// One-off look-up over rule lines; see RuleSet::FindRule.
int FindRule(const std::vector<std::string>& rule_lines, std::string_view subject,
             std::string_view sender);

}  // namespace rules
