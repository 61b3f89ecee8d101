// Rule editor steps over plain lists.
#include "rules/rule_editor.h"

#include "platform/codepage.h"
#include "rules/rule_file.h"
#include "store/paths.h"
#include "store/record.h"

namespace rules {

std::optional<std::string> BuildRuleLine(std::string_view header, std::string_view keyword,
                                         bool move_chosen,
                                         const std::vector<std::string>& node_texts_from_root) {
  if (keyword.empty()) return std::nullopt;
  std::string action;
  if (move_chosen) {
    if (node_texts_from_root.size() < 2) return std::nullopt;
    for (size_t i = 1; i < node_texts_from_root.size(); ++i) {
      if (i > 1) action += '\\';
      action += store::NodeName(node_texts_from_root[i]);
    }
  } else {
    action = DeleteAction();
  }
  return store::JoinRecord({std::string(header), std::string(keyword), action});
}

void AddOrReplaceRule(std::vector<std::string>& lines, std::string line, bool edit, int selected) {
  if (edit && selected >= 0 && selected < static_cast<int>(lines.size())) {
    lines[static_cast<size_t>(selected)] = std::move(line);
  } else {
    lines.push_back(std::move(line));
  }
}

std::optional<RuleSelection> SelectRule(std::string_view line,
                                        const std::vector<std::string>& preorder_node_texts) {
  store::Fields fields = store::SplitRecord(line);
  if (fields.size() != 3) return std::nullopt;
  RuleSelection selection{fields[0], fields[1], -1};
  // Walks the nodes in tree order from the first one below the root; a node named like the
  // current component is selected and the walk goes on from its first child.
  const std::vector<std::string> components = SplitFolderPath(fields[2]);
  size_t c = 0;
  for (size_t n = 1; n < preorder_node_texts.size() && c < components.size(); ++n) {
    if (store::NodeName(preorder_node_texts[n]) == components[c]) {
      selection.node = static_cast<int>(n);
      ++c;
    }
  }
  return selection;
}

std::string ApplyQuestion(std::string_view current_folder) {
  return platform::Sjis("現在のフォルダ【") + std::string(current_folder) +
         platform::Sjis(
             "】\r\n内のメールをルールにしたがって\r\n指定したフォルダへ移動します。\r\n"
             "\r\n   よろしいですか？");
}

}  // namespace rules
