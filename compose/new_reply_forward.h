// New, Reply and Forward: they fill the composer's fields from the main window's state, the
// selected message and the text its viewer shows.
#pragma once

#include <string>
#include <vector>

#include "compose/composer_fields.h"
#include "state/main_state.h"
#include "state/main_view.h"

namespace compose {

// The selected row of the message list.
struct SelectedMessage {
  std::string key;
  std::string caption;  // the subject as listed
  std::string sender;   // the sender column (the recipients in the sent folder)
};

// Copies the shown body into the composer: unchanged up to and including the first line
// holding eight hyphens (an empty line goes before it), then every line quoted with ">  ".
// An empty shown body leaves the composer's body as it is.
void Quote(const std::vector<std::string>& shown_lines, ComposerFields& fields);

// New: leaves deletion mode or the extraction view first, then starts an empty message with
// two empty lines and the signature, merge off and no reply reference.
void NewMail(state::MainState& state, state::MainView& view, const std::string& own_address,
             const std::string& signature, ComposerFields& fields);

// Reply to the selected message; the message file is looked for in its folder.
void ReplyMail(state::MainState& state, const SelectedMessage& selected,
               const std::vector<std::string>& shown_lines, const std::string& signature,
               ComposerFields& fields);

// Forward the selected message with the attachments listed for it.
void ForwardMail(state::MainState& state, const SelectedMessage& selected,
                 const std::vector<std::string>& shown_lines,
                 const std::vector<std::string>& attachment_names, const std::string& signature,
                 ComposerFields& fields);

}  // namespace compose
