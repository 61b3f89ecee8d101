// Message-list commands without widgets, on the main window's state: showing a message
// (marks it read), unread and colour marks, local delete, extraction, related view and the
// subject search comparison.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/list_logic.h"
#include "app/app_state.h"

namespace app {


// The folder index file of a folder and the account's received-key list.
std::string IndexPath(std::string_view folder);
std::string KeysPath(std::string_view account_dir);
std::string SentIndexPath();  // "送信\Send.ini"

struct ShownMessage {
  bool found = false;
  std::string text;                      // whole message file (Shift_JIS)
  std::vector<std::string> attachments;  // names in the attachment directory
  bool became_read = false;              // the row's state went from "1" to "2"
};

// Reads the row's message file (and attachment names); in a received folder an unread row
// becomes read, its record is rewritten and the folder index saved.
ShownMessage ShowMessage(MainState& state, Row& row);

// Attachment file path of a shown row.
std::string AttachmentPath(const MainState& state, const Row& row, const std::string& name);

// Rows in state "2" become "1" and their records are rewritten; returns the folder's
// unread count afterwards. Does nothing in the sent view.
int MarkUnread(MainState& state, std::vector<Row*> rows);

// Sets the state of one row to tag ("2" to "7") and saves the index it belongs to.
void ColourRow(MainState& state, Row& row, int tag);

// Local delete of received rows: files, attachment directory, record and received key;
// both lists saved. Returns the unread count left.
int DeleteReceived(MainState& state, const std::vector<Row>& rows);
// Local delete of sent rows: file and record; the sent index saved.
void DeleteSent(MainState& state, const std::vector<Row>& rows);

// Records of the folder index whose whole line contains key (case-sensitive).
std::vector<std::string> Extract(const std::vector<std::string>& index, std::string_view key);

// The value of the first line holding name: the text after name and one more character.
std::string HeaderValue(std::string_view file_text, std::string_view name);

// Grows the current folder's Ref.txt with "record TAB References" for every message that
// carries references, writes it and returns its lines.
std::vector<std::string> RelatedView(MainState& state);

// Subject search: ASCII letters compared without case, other bytes as they are.
bool SubjectContains(std::string_view subject, std::string_view text);

}  // namespace app
