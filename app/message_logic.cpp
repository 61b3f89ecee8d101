// Message-list commands on the main window's state.
#include "app/message_logic.h"

#include <algorithm>

#include "app/folder_logic.h"
#include "platform/codepage.h"
#include "platform/collation.h"
#include "store/message_ops.h"
#include "store/paths.h"

namespace app {

std::string IndexPath(std::string_view folder) { return store::FolderIndexPath(folder); }
std::string KeysPath(std::string_view account_dir) { return store::ReceivedKeysPath(account_dir); }
std::string SentIndexPath() { return store::SentIndexPath(); }

ShownMessage ShowMessage(MainState& state, Row& row) {
  ShownMessage shown;
  const std::string stem = FileStem(row.key());
  if (state.sent_view) {
    if (auto text = state.fs.ReadFile(SentRoot() + "\\" + stem + ".txt")) {
      shown.found = true;
      shown.text = std::move(*text);
    }
    return shown;
  }
  if (auto text = state.fs.ReadFile(state.current_folder + stem + ".txt")) {
    shown.found = true;
    shown.text = std::move(*text);
    for (auto& name : state.fs.ListEntries(state.current_folder + "Attachment\\" + stem + "\\")) {
      if (name != "." && name != "..") shown.attachments.push_back(std::move(name));
    }
  }
  if (row.state() == "1") {
    row.col[6] = "2";
    int at = state.folder_index.Find(row.key());
    // A row of the related view may be older than its record: the folder's count drops
    // only when the record itself was unread.
    if (at >= 0 && store::GetField(state.folder_index.lines()[static_cast<size_t>(at)], 6) == "1") {
      state.folder_index.SetState(at, "2");
      state.folder_index.Save(state.fs, IndexPath(state.current_folder));
      shown.became_read = true;
    }
  }
  return shown;
}

std::string AttachmentPath(const MainState& state, const Row& row, const std::string& name) {
  return state.current_folder + "Attachment\\" + FileStem(row.key()) + "\\" + name;
}

int MarkUnread(MainState& state, std::vector<Row*> rows) {
  if (state.sent_view) return state.unread_count;
  for (Row* row : rows) {
    if (row->state() != "2") continue;
    row->col[6] = "1";
    int at = state.folder_index.Find(row->key());
    if (at >= 0) state.folder_index.SetState(at, "1");
  }
  state.folder_index.Save(state.fs, IndexPath(state.current_folder));
  return UnreadCount(state.folder_index.lines());
}

void ColourRow(MainState& state, Row& row, int tag) {
  const std::string value = std::to_string(tag);
  row.col[6] = value;
  SortedList& list = state.sent_view ? state.sent_index : state.folder_index;
  int at = list.Find(row.key());
  if (at >= 0) list.SetState(at, value);
  list.Save(state.fs, state.sent_view ? SentIndexPath() : IndexPath(state.current_folder));
}

int DeleteReceived(MainState& state, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    store::DiscardReceivedMessage(state.fs, state.current_folder, row.key(),
                                  state.folder_index.store_list(),
                                  state.received_keys.store_list());
  }
  // Both lists once, after every row, rather than once per row.
  state.folder_index.Save(state.fs, IndexPath(state.current_folder));
  state.received_keys.Save(state.fs, KeysPath(AccountDirOf(state.current_folder)));
  return UnreadCount(state.folder_index.lines());
}

void DeleteSent(MainState& state, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    state.fs.DeleteFile(SentRoot() + "\\" + FileStem(row.key()) + ".txt");
    int at = state.sent_index.Find(row.key());
    if (at >= 0) state.sent_index.Delete(at);
  }
  state.sent_index.Save(state.fs, SentIndexPath());
}

std::vector<std::string> Extract(const std::vector<std::string>& index, std::string_view key) {
  std::vector<std::string> out;
  for (const auto& line : index) {
    if (line.find(key) != std::string::npos) out.push_back(line);
  }
  return out;
}

std::string HeaderValue(std::string_view file_text, std::string_view name) {
  for (const std::string& line : SplitLines(file_text)) {
    size_t at = line.find(name);
    if (at == std::string::npos) continue;
    size_t from = at + name.size() + 1;
    return from >= line.size() ? std::string() : line.substr(from);
  }
  return {};
}

std::vector<std::string> RelatedView(MainState& state) {
  const std::string ref_path = state.current_folder + "Ref.txt";
  if (!state.fs.FileExists(ref_path)) SaveLines(state.fs, ref_path, {});
  std::vector<std::string> lines = LoadLines(state.fs, ref_path);
  for (const std::string& record : state.folder_index.lines()) {
    auto text = state.fs.ReadFile(state.current_folder + FileStem(SplitRecord(record)[0]) + ".txt");
    if (!text) continue;
    std::string refs = HeaderValue(*text, "References");
    if (refs.empty()) continue;
    std::string line = record + "\t" + refs;
    bool present = std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return platform::SameIgnoringCase(l, line);
    });
    if (!present) lines.push_back(std::move(line));
  }
  SaveLines(state.fs, ref_path, lines);
  return lines;
}

bool SubjectContains(std::string_view subject, std::string_view text) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
      auto b = static_cast<unsigned char>(out[i]);
      if (platform::IsSjisLeadByte(b)) {
        ++i;  // a trail byte is part of a double-byte character, not a letter
      } else if (b >= 'A' && b <= 'Z') {
        out[i] = static_cast<char>(b - 'A' + 'a');
      }
    }
    return out;
  };
  return lower(subject).find(lower(text)) != std::string::npos;
}

}  // namespace app
