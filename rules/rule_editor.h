// The rule editor's steps that need no widgets: building a rule line from the controls,
// adding or replacing it in the list, finding the tree node of a rule's folder, and the
// question asked before a run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rules {

// The line for "追加"/"編集". `node_texts_from_root` are the texts of the selected tree node
// and its ancestors, root first (empty when no node is selected). A move rule needs a
// keyword and a node below the root (the root itself would name a folder "受信" inside the
// received root, so it is refused like no selection); a delete rule needs a keyword. A TAB
// or line break typed into a field would split the record, so each becomes a space.
std::optional<std::string> BuildRuleLine(std::string_view header, std::string_view keyword,
                                         bool move_chosen,
                                         const std::vector<std::string>& node_texts_from_root);

// "編集" with a selected line (0-based) replaces it; anything else appends.
void AddOrReplaceRule(std::vector<std::string>& lines, std::string line, bool edit, int selected);

// What clicking a rule loads into the controls; nothing for a line without exactly three
// fields. `node` is the position, in `preorder_node_texts` (the tree's node texts, root
// first, each node followed by its descendants), of the node the walk selects, or -1.
struct RuleSelection {
  std::string header;
  std::string keyword;
  int node = -1;
};
std::optional<RuleSelection> SelectRule(std::string_view line,
                                        const std::vector<std::string>& preorder_node_texts);

// The warning shown before the run over `current_folder` ("受信\acct\").
std::string ApplyQuestion(std::string_view current_folder);

}  // namespace rules
