// The send command: checks, encoding, Message-ID, one SMTP connection for the message or for
// every merge row, then the sent index record and the sent copy. Reports an outcome the
// composer window (or yubinko-cli) turns into a message box (or stderr).
#pragma once

#include <string>
#include <vector>

#include "compose/composer_fields.h"
#include "platform/ui_services.h"
#include "state/main_state.h"
#include "transport/smtp.h"

namespace compose {

struct SendOutcome {
  enum Status {
    kRefused,        // a check failed; nothing was sent
    kFailed,         // connecting or the server failed; nothing was delivered or stored
    kSent,           // delivered and stored
    kSentNotStored,  // delivered, but the sent copy or record could not be stored
    kMergePartial,   // a merge run stopped at a row; the rows before it were delivered
  };
  Status status = kRefused;
  std::string message;     // Shift_JIS text to show (empty for kSent)
  int rows_sent = 0;       // messages the server accepted
  std::string message_id;  // of the last accepted message

  // The composer empties its attachment list and hides only when the mail went out whole.
  bool CloseComposer() const { return status == kSent || status == kSentNotStored; }
  // Whether the server accepted at least one message.
  bool Delivered() const { return rows_sent > 0; }
};

class SendStep {
 public:
  // With `ui`, a refused server certificate may be accepted for the account through a question.
  SendStep(state::MainState& state, transport::TIdSMTP& smtp, platform::UiServices* ui = nullptr)
      : state_(state), smtp_(smtp), ui_(ui) {}
  // Sends what the composer holds. On success the attachment list is emptied.
  SendOutcome Send(ComposerFields& fields);

 private:
  state::MainState& state_;
  transport::TIdSMTP& smtp_;
  platform::UiServices* ui_;
};

// A CR or LF in a one-line field would start a new header line or SMTP command; each one
// becomes a space.
std::string OneLine(std::string_view text);

// Content type of an attachment by its extension (ASCII letters compared in lower case).
std::string ContentTypeFor(std::string_view file_name);

// The merge Message-ID of row r: "<" + send time + r + kMergeIdSuffix.
inline constexpr char kMergeIdSuffix[] = "merge@yubinko.localdomain>";

// Fixed Japanese texts of the checks.
const std::string& NoMergeFileText();
const std::string& NoRecipientText();
const std::string& NoSubjectText();
const std::string& NoAccountText();

}  // namespace compose
