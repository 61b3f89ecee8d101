// The main window's state: one struct, owned by the window and handed by reference to the
// Qt-free commands. Texts are Shift_JIS; store paths are relative to the application
// directory with "\" separators. It also owns the POP3 client and the message object that
// the receive run, deletion mode, the new-mail check and the stop command share.
#pragma once

#include <string>
#include <vector>

#include "state/index_list.h"
#include "platform/filesystem.h"
#include "transport/message.h"
#include "transport/pop3.h"

namespace state {

struct MainState {
  explicit MainState(std::filesystem::path app_dir) : fs(std::move(app_dir)) {}

  platform::FileSystem fs;  // resolves store paths against the application directory

  std::string CurrentAccountName;
  int AccountPosition = 1;  // 1-based line of the current account in AccountList
  std::vector<std::string> AccountList;

  std::string current_folder;  // e.g. "受信\" + account + "\"
  std::string account_dir;     // account folder whose received-key list is loaded
  SortedList folder_index;
  SortedList received_keys;
  SortedList sent_index;
  std::vector<std::string> extraction_list;
  std::vector<std::string> check_list;

  int sort_state = -3;  // column |n| from 1; negative = descending
  int sort_column = 2;  // index of the column last sorted
  int unread_count = 0;

  bool deletion_mode = false;
  bool abort = false;
  bool sent_view = false;
  bool extraction_view = false;

  int standard_window_height = 0;
  int standard_top_height = 0;
  int standard_bottom_height = 0;

  std::string ReplyReference;

  // The POP3 client, set up from the current account by the accounts window, and the
  // message every POP3 command reads into.
  transport::TIdPOP3 POP;
  transport::TIdMessage Msg;

  // Subject search.
  std::string search_text;
  int search_position = 0;

  // The new-mail check as the settings window's "新着チェック" tab leaves it: the text of the
  // interval box in minutes (the box is editable, so it may hold no number), and whether
  // "実行" (true) or "中止" (false) was pressed last.
  std::string new_check_interval = "2";
  bool new_check_run = false;
};

}  // namespace state
