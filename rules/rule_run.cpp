// The rule run over the current folder, with every move journalled so that a failure puts
// the store back as it was.
#include "rules/rule_run.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_set>

#include "platform/codepage.h"
#include "store/message_ops.h"
#include "store/paths.h"
#include "store/record.h"

namespace rules {
namespace {

struct TargetBatch {
  std::string folder;
  std::vector<size_t> positions;  // in the folder index, last first
};

// What one move changed on disk; empty paths were not touched.
struct MovedFiles {
  std::string file_from, file_to;
  std::string attachments_from, attachments_to;
};

// Undo log of a run: the files moved and the old text of every target index.
class MoveJournal {
 public:
  explicit MoveJournal(const platform::FileSystem& fs) : fs_(fs) {}

  void Index(std::string path, std::optional<std::string> old_text) {
    indexes_.push_back({std::move(path), std::move(old_text)});
  }
  void Moved(MovedFiles files) { moves_.push_back(std::move(files)); }

  // Best effort: a step that fails does not stop the others.
  void RollBack() noexcept {
    for (auto it = moves_.rbegin(); it != moves_.rend(); ++it) {
      try {
        if (!it->attachments_to.empty()) {
          store::MoveDirectoryTree(fs_, it->attachments_to, it->attachments_from);
        }
        if (!it->file_to.empty()) fs_.RenameFile(it->file_to, it->file_from);
      } catch (...) {
      }
    }
    for (const auto& [path, old_text] : indexes_) {
      try {
        // A target without an index gets an empty one, as a run that succeeded leaves it.
        fs_.WriteFileAtomic(path, old_text.value_or(std::string()));
      } catch (...) {
      }
    }
  }

 private:
  const platform::FileSystem& fs_;
  std::vector<std::pair<std::string, std::optional<std::string>>> indexes_;
  std::vector<MovedFiles> moves_;
};

// Moves a message's file and attachment directory. False, with nothing changed, when a file
// that exists cannot be moved: the message then stays with its record.
bool MoveMessageFiles(const platform::FileSystem& fs, const std::string& from_folder,
                      const std::string& to_folder, const std::string& key, MovedFiles& out) {
  const std::string from = store::MessageFilePath(from_folder, key);
  const std::string to = store::MessageFilePath(to_folder, key);
  if (fs.FileExists(from)) {
    // A file of the same stem in the target belongs to the record this one replaces.
    if (fs.FileExists(to)) fs.DeleteFile(to);
    if (!fs.RenameFile(from, to)) return false;
    out.file_from = from;
    out.file_to = to;
  }
  const std::string attachments_from = store::AttachmentDirectory(from_folder, key);
  if (fs.DirectoryExists(attachments_from)) {
    const std::string attachments_to = store::AttachmentDirectory(to_folder, key);
    store::DeleteDirectoryTree(fs, attachments_to);
    if (!store::MoveDirectoryTree(fs, attachments_from, attachments_to)) {
      if (!out.file_to.empty()) fs.RenameFile(out.file_to, out.file_from);
      return false;
    }
    out.attachments_from = attachments_from;
    out.attachments_to = attachments_to;
  }
  return true;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// "受信\work\sub\" -> "work\sub".
std::string BelowReceivedRoot(const std::string& folder) {
  std::string rest = folder.substr(store::ReceivedRoot().size());
  if (!rest.empty() && rest.back() == '\\') rest.pop_back();
  return rest;
}

// Moves one batch into its folder and saves the folder's index; positions of the records
// moved are added to `moved`.
int MoveBatch(const platform::FileSystem& fs, const std::string& current,
              const store::IndexList& index, const TargetBatch& batch, MoveJournal& journal,
              std::vector<size_t>& moved) {
  fs.ForceDirectories(batch.folder);
  const std::string index_path = store::FolderIndexPath(batch.folder);
  store::IndexList target(store::IndexList::Order::kAsLoaded);
  std::optional<std::string> old_text = fs.ReadFile(index_path);
  if (old_text) target.SetText(*old_text);
  journal.Index(index_path, std::move(old_text));

  std::unordered_set<std::string> held_keys;
  for (const std::string& line : target.lines()) {
    held_keys.insert(LowerAscii(store::GetField(line, store::kKeyField)));
  }
  int unread = 0;
  for (size_t pos : batch.positions) {
    const std::string& record = index[pos];
    const std::string key = store::GetField(record, store::kKeyField);
    MovedFiles files;
    if (!MoveMessageFiles(fs, current, batch.folder, key, files)) continue;
    journal.Moved(std::move(files));
    // Its file replaced the one of the same stem, so the old record would list it twice.
    if (held_keys.count(LowerAscii(key)) != 0) target.Remove(key);
    target.Add(record);
    moved.push_back(pos);
    if (store::GetField(record, store::kStateField) == store::kStateUnread) ++unread;
  }
  target.Save(fs, index_path);
  return unread;
}

}  // namespace

RunResult RunRules(state::MainState& state, const RuleSet& rules) {
  RunResult result;
  const platform::FileSystem& fs = state.fs;
  const std::string current = state.current_folder;
  store::IndexList& index = state.folder_index.store_list();
  // With no folder listed (no account yet) there is no index to run over; saving one would
  // put a "MsgID.ini" into the application directory itself.
  if (current.empty()) return result;

  std::vector<TargetBatch> batches;
  std::map<std::string, size_t> batch_of;
  std::vector<size_t> deletions;
  for (size_t i = index.size(); i-- > 0;) {
    const std::string& line = index[i];
    const int found = rules.FindRule(store::GetField(line, store::kSubjectField),
                                     store::GetField(line, store::kSenderField));
    if (found < 0) continue;
    const Rule& rule = rules.rule(found);
    if (rule.action == Action::kDelete) {
      deletions.push_back(i);
    } else if (rule.target_folder == current) {
      ++result.kept;  // moving onto itself would only drop the record
    } else {
      auto [it, added] = batch_of.try_emplace(rule.target_folder, batches.size());
      if (added) batches.push_back({rule.target_folder, {}});
      batches[it->second].positions.push_back(i);
    }
  }

  const std::string index_path = store::FolderIndexPath(current);
  if (batches.empty() && deletions.empty()) {
    index.Save(fs, index_path);
    return result;
  }

  const store::IndexList original = index;
  std::vector<std::string> deleted_keys;
  MoveJournal journal(fs);
  try {
    std::vector<size_t> removed;
    for (const TargetBatch& batch : batches) {
      const size_t before = removed.size();
      const int unread = MoveBatch(fs, current, index, batch, journal, removed);
      result.moved += static_cast<int>(removed.size() - before);
      result.unread_moved.emplace_back(BelowReceivedRoot(batch.folder), unread);
    }
    for (size_t pos : deletions) {
      deleted_keys.push_back(store::GetField(index[pos], store::kKeyField));
      removed.push_back(pos);
    }
    std::sort(removed.begin(), removed.end(), std::greater<>());
    for (size_t pos : removed) index.Delete(pos);
    index.Save(fs, index_path);
  } catch (...) {
    journal.RollBack();
    index = original;
    throw;
  }

  // The index no longer lists them, so a failure from here on leaves only stray files.
  for (const std::string& key : deleted_keys) {
    store::DiscardReceivedMessage(fs, current, key, index, state.received_keys.store_list());
    ++result.deleted;
  }
  return result;
}

namespace {

// The list is about to show the folder's records. A list that showed the server (deletion
// mode), the sent folder or a search result must not keep that view's flag over them: the
// delete and colour commands would reach the server or the sent index with folder rows.
void LeaveOtherViews(state::MainState& state, state::MainView& view) {
  if (!state.deletion_mode && !state.sent_view && !state.extraction_view) return;
  if (state.deletion_mode) {
    state.deletion_mode = false;
    if (state.POP.IsConnected()) state.POP.Disconnect();
    view.SetStatus(1, "");
  }
  state.sent_view = state.extraction_view = false;
  view.SetMode(platform::Sjis("通常"), 0, 255, 255);
}

}  // namespace

RunResult ApplyRulesToCurrentFolder(state::MainState& state, state::MainView& view) {
  const RunResult result = RunRules(state, RuleSet::Load(state.fs));
  LeaveOtherViews(state, view);
  view.FillList(state.folder_index.lines());
  for (const auto& [folder, unread] : result.unread_moved) {
    if (unread != 0) view.AddToNodeCount(folder, unread);
  }
  return result;
}

}  // namespace rules
