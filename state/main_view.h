// What the Qt-free commands (accounts, rules, receiving, sending) need of the main window:
// its message list, labels, status bar, folder tree and stop command. TForm1 implements it
// with widgets; tests and yubinko-cli use state::testing::FakeMainView or their own. All
// texts are Shift_JIS; folder paths are store paths ("受信\" + account + "\" ...).
#pragma once

#include <string>
#include <vector>

namespace state {

class MainView {
 public:
  virtual ~MainView() = default;

  // Message list. A record is a seven-field index line (key, subject, sender, date, size,
  // attachment flag, state); rows inserted or appended may leave the last fields empty.
  // Lists the records in the list's current sort order, refreshing the listed folder's count.
  virtual void FillList(const std::vector<std::string>& records) = 0;
  // Empties the list, the body viewer and the attachment list.
  virtual void ClearList() = 0;
  virtual void InsertRowAtTop(const std::string& record) = 0;
  virtual void AppendRow(const std::string& record) = 0;
  // Positions (from 0, ascending) of the selected rows.
  virtual std::vector<int> SelectedRowPositions() const = 0;
  // A click on the date column with the sort state set to 3: newest first.
  virtual void SortNewestFirst() = 0;

  // Mode label ("通常", "受信", "削除", ...) with its background colour.
  virtual void SetMode(const std::string& text, int r, int g, int b) = 0;
  // Status bar: panel 0 (350 pixels) and panel 1.
  virtual void SetStatus(int panel, const std::string& text) = 0;
  // The tool bar's account label shows "ｱｶｳﾝﾄ:" + name.
  virtual void SetAccountLabel(const std::string& account_name) = 0;

  // Folder tree. Rebuilds it from the store (new or renamed account folders appear).
  virtual void RebuildFolderTree() = 0;
  // Selects the node of a folder path without listing it; false when there is none.
  virtual bool SelectFolder(const std::string& folder_path) = 0;
  // Shows `count` as the unread count of the listed folder's node.
  virtual void RefreshListedNodeCount(int count) = 0;
  // Adds n to the count of the node at a path relative to "受信\" ("work\sub").
  virtual void AddToNodeCount(const std::string& relative_path, int n) = 0;

  // The stop command: raises the abort flag, stops the new-mail timer, disconnects POP,
  // leaves deletion mode and the extraction view and refills the list.
  virtual void StopCommand() = 0;
};

}  // namespace state
