// The rule run: applies the saved rules to every message of the current folder, moving
// matching messages into their rules' folders or removing them locally.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "rules/rule_matcher.h"
#include "state/main_state.h"
#include "state/main_view.h"

namespace rules {

struct RunResult {
  int moved = 0;
  int deleted = 0;
  int kept = 0;  // matched a rule whose folder is the current folder itself
  // Unread messages moved into each folder, by path below "受信\" ("work\sub").
  std::vector<std::pair<std::string, int>> unread_moved;
};

// Runs `rules` over state.folder_index, the loaded index of state.current_folder. Moved
// records keep their state field; "削除" removes the message file, the attachment directory
// and the record, and forgets the key in state.received_keys (in memory only). Missing
// target folders are created.
//
// The moves are all or nothing: when a folder cannot be created or an index cannot be
// written, every message already moved goes back, the target indexes get their old
// content, the folder index in memory and on disk is as before, and the platform::FileError
// is rethrown. Messages are deleted only after the folder index without them is saved.
RunResult RunRules(state::MainState& state, const RuleSet& rules);

// The command behind "現在のフォルダに適用" and `apply-rules`: reads "rule.ini" from disk,
// runs it over the current folder and lists the folder again, leaving deletion mode (the
// server connection closed), the sent view or a search result first so that the folder's
// rows are not taken for theirs. The caller shows "完了".
RunResult ApplyRulesToCurrentFolder(state::MainState& state, state::MainView& view);

}  // namespace rules
