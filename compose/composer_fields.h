// What the composer holds: the sender box, the recipient fields, subject, body, attachment
// list and the mail-merge state. The window mirrors its controls into this struct so that
// sending, merging and New/Reply/Forward run without widgets. Texts are Shift_JIS;
// attachment paths and the merge file's path are native (UTF-8) paths.
#pragma once

#include <string>
#include <vector>

namespace compose {

struct ComposerFields {
  std::string sender_text;  // ComboBox1's text: the own address shown in the accounts window
  int sender_index = -1;    // selected position in AccountList order; -1 when none
  bool merge = false;       // CheckBox1 "差込メール"
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::string body;  // Memo1: lines joined with CR LF, no break after the last line
  std::vector<std::string> attachments;  // ListBox1: one full path per line
  std::vector<std::string> merge_rows;   // MergeRows: the merge file's lines as read
  std::string merge_path;                // the merge file chosen last
};

// Memo lines <-> the body text.
std::vector<std::string> BodyLines(const ComposerFields& fields);
void SetBodyLines(ComposerFields& fields, const std::vector<std::string>& lines);

}  // namespace compose
