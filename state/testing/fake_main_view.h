// A main window without widgets: keeps the rows, labels, status texts and folder-tree calls
// the commands make, for tests and for yubinko-cli.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "state/main_state.h"
#include "state/main_view.h"

namespace state::testing {

class FakeMainView : public MainView {
 public:
  // state may be null; with a state, StopCommand acts on it like the window's.
  explicit FakeMainView(MainState* state = nullptr) : state_(state) {}

  void FillList(const std::vector<std::string>& records) override {
    rows = records;
    ++fill_count;
  }
  void ClearList() override { rows.clear(); }
  void InsertRowAtTop(const std::string& record) override { rows.insert(rows.begin(), record); }
  void AppendRow(const std::string& record) override { rows.push_back(record); }
  std::vector<int> SelectedRowPositions() const override { return selected; }
  void SortNewestFirst() override { ++sort_newest_count; }

  void SetMode(const std::string& text, int r, int g, int b) override {
    mode = text;
    mode_colour = {r, g, b};
  }
  void SetStatus(int panel, const std::string& text) override {
    status[panel] = text;
    status_history.push_back(text);
  }
  void SetAccountLabel(const std::string& name) override { account_label = name; }

  void RebuildFolderTree() override { ++tree_builds; }
  bool SelectFolder(const std::string& folder_path) override {
    selected_folder = folder_path;
    return true;
  }
  void RefreshListedNodeCount(int count) override { listed_node_count = count; }
  void AddToNodeCount(const std::string& relative_path, int n) override {
    node_counts[relative_path] += n;
  }

  void StopCommand() override {
    ++stop_count;
    if (state_ == nullptr) return;
    state_->abort = true;
    if (state_->POP.IsConnected()) state_->POP.Disconnect();
    state_->deletion_mode = false;
    state_->extraction_view = false;
    rows = state_->folder_index.lines();
  }

  std::vector<std::string> rows;
  std::vector<int> selected;
  int fill_count = 0;
  int sort_newest_count = 0;
  std::string mode;
  std::vector<int> mode_colour;
  std::map<int, std::string> status;
  std::vector<std::string> status_history;
  std::string account_label;
  int tree_builds = 0;
  std::string selected_folder;
  int listed_node_count = -1;
  std::map<std::string, int> node_counts;
  int stop_count = 0;

 private:
  MainState* state_;
};

}  // namespace state::testing
