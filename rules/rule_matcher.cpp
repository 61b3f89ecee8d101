// Keyword search over Shift_JIS text with one automaton per header field.
#include "rules/rule_matcher.h"

#include <climits>
#include <deque>

#include "platform/codepage.h"

namespace rules {
namespace {

constexpr int32_t kNoRule = INT32_MAX;

// Marks which positions of `text` start a character (one entry per byte plus the end).
void MarkCharStarts(std::string_view text, std::vector<uint8_t>& starts) {
  starts.resize(text.size() + 1);
  bool trail = false;
  for (size_t i = 0; i < text.size(); ++i) {
    starts[i] = trail ? 0 : 1;
    trail = !trail && platform::IsSjisLeadByte(static_cast<unsigned char>(text[i]));
  }
  starts[text.size()] = trail ? 0 : 1;
}

}  // namespace

bool ContainsAtCharStart(std::string_view text, std::string_view keyword) {
  if (keyword.empty()) return false;
  size_t walked = 0;  // a known character start at or before every candidate
  for (size_t pos = text.find(keyword); pos != std::string_view::npos;
       pos = text.find(keyword, pos + 1)) {
    while (walked < pos) {
      walked += platform::IsSjisLeadByte(static_cast<unsigned char>(text[walked])) ? 2 : 1;
    }
    if (walked == pos) return true;
  }
  return false;
}

int KeywordAutomaton::AddState() {
  next_.resize(next_.size() + static_cast<size_t>(classes_), 0);
  depth_.push_back(0);
  rule_.push_back(kNoRule);
  output_.push_back(-1);
  chain_.push_back(-1);
  return static_cast<int>(depth_.size()) - 1;
}

void KeywordAutomaton::Build(const std::vector<std::string_view>& keywords,
                             const std::vector<int>& rule_numbers) {
  // Bytes that occur in no keyword all share class 0, which keeps the table small.
  byte_class_.fill(0);
  classes_ = 1;
  for (std::string_view k : keywords) {
    for (char c : k) {
      auto& cls = byte_class_[static_cast<unsigned char>(c)];
      if (cls == 0) cls = static_cast<uint16_t>(classes_++);
    }
  }
  next_.clear();
  depth_.clear();
  rule_.clear();
  output_.clear();
  chain_.clear();
  AddState();

  // The trie; 0 doubles as "no edge yet" since no edge leads back to the root.
  for (size_t i = 0; i < keywords.size(); ++i) {
    if (keywords[i].empty()) continue;
    int s = 0;
    for (char c : keywords[i]) {
      const size_t slot =
          static_cast<size_t>(s * classes_ + byte_class_[static_cast<unsigned char>(c)]);
      if (next_[slot] == 0) {
        const int t = AddState();
        next_[slot] = t;
        depth_[static_cast<size_t>(t)] = depth_[static_cast<size_t>(s)] + 1;
      }
      s = next_[slot];
    }
    auto& r = rule_[static_cast<size_t>(s)];
    if (rule_numbers[i] < r) r = rule_numbers[i];
  }

  // Breadth-first: failure links turn the trie into a complete transition table, and each
  // state learns the nearest state on its suffix chain that ends a keyword.
  std::vector<int32_t> fail(depth_.size(), 0);
  std::deque<int> queue;
  output_[0] = -1;
  for (int c = 0; c < classes_; ++c) {
    const int t = next_[static_cast<size_t>(c)];
    if (t != 0) queue.push_back(t);
  }
  while (!queue.empty()) {
    const int s = queue.front();
    queue.pop_front();
    const auto su = static_cast<size_t>(s);
    const int f = fail[su];
    chain_[su] = output_[static_cast<size_t>(f)];
    output_[su] = rule_[su] != kNoRule ? s : chain_[su];
    for (int c = 0; c < classes_; ++c) {
      const size_t slot = su * static_cast<size_t>(classes_) + static_cast<size_t>(c);
      const int via_fail = next_[static_cast<size_t>(f * classes_ + c)];
      const int t = next_[slot];
      if (t != 0) {
        fail[static_cast<size_t>(t)] = via_fail;
        queue.push_back(t);
      } else {
        next_[slot] = via_fail;
      }
    }
  }
}

int KeywordAutomaton::FirstMatch(std::string_view text, int limit) const {
  if (depth_.size() <= 1 || limit <= 0) return limit;
  thread_local std::vector<uint8_t> starts;
  MarkCharStarts(text, starts);
  int best = limit;
  int s = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    s = next_[static_cast<size_t>(s * classes_ + byte_class_[static_cast<unsigned char>(text[i])])];
    for (int t = output_[static_cast<size_t>(s)]; t > 0;) {
      const auto tu = static_cast<size_t>(t);
      if (rule_[tu] < best && starts[i + 1 - static_cast<size_t>(depth_[tu])] != 0) {
        best = rule_[tu];
      }
      t = chain_[tu];
    }
  }
  return best;
}

RuleSet::RuleSet(std::vector<std::string> lines) : lines_(std::move(lines)) {
  rules_.reserve(lines_.size());
  std::vector<std::string_view> subject_keys, sender_keys;
  std::vector<int> subject_rules, sender_rules;
  for (size_t i = 0; i < lines_.size(); ++i) {
    rules_.push_back(ParseRule(lines_[i]));
    const Rule& r = rules_.back();
    if (!r.usable()) continue;
    if (r.header == Header::kSubject) {
      subject_keys.push_back(r.keyword);
      subject_rules.push_back(static_cast<int>(i));
    } else {
      sender_keys.push_back(r.keyword);
      sender_rules.push_back(static_cast<int>(i));
    }
  }
  subject_.Build(subject_keys, subject_rules);
  sender_.Build(sender_keys, sender_rules);
}

int RuleSet::FindRule(std::string_view subject, std::string_view sender) const {
  const int none = size();
  int best = subject_.FirstMatch(subject, none);
  best = sender_.FirstMatch(sender, best);
  return best == none ? -1 : best;
}

int FindRule(const std::vector<std::string>& rule_lines, std::string_view subject,
             std::string_view sender) {
  return RuleSet(rule_lines).FindRule(subject, sender);
}

}  // namespace rules
