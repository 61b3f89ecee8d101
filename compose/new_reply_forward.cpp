// New, Reply and Forward.
#include "compose/new_reply_forward.h"

#include "platform/codepage.h"
#include "store/paths.h"
#include "store/record.h"

namespace compose {
namespace {

std::string FolderOf(const state::MainState& state) {
  return state.sent_view ? store::SentFolder() : state.current_folder;
}

void AppendSignature(std::vector<std::string>& lines, const std::string& signature) {
  std::vector<std::string> sig = store::SplitLines(signature);
  if (sig.empty()) sig.push_back("");
  lines.insert(lines.end(), sig.begin(), sig.end());
}

}  // namespace

void Quote(const std::vector<std::string>& shown_lines, ComposerFields& fields) {
  if (shown_lines.empty()) return;
  std::vector<std::string> out;
  bool quoting = false;
  for (const std::string& line : shown_lines) {
    if (quoting) {
      out.push_back(">  " + line);
      continue;
    }
    if (line.find("--------") != std::string::npos) {
      out.push_back("");
      quoting = true;
    }
    out.push_back(line);
  }
  SetBodyLines(fields, out);
}

void NewMail(state::MainState& state, state::MainView& view, const std::string& own_address,
             const std::string& signature, ComposerFields& fields) {
  if (state.deletion_mode || state.extraction_view) view.StopCommand();
  fields.sender_text = own_address;
  fields.to.clear();
  fields.subject.clear();
  fields.cc.clear();
  fields.bcc.clear();
  fields.attachments.clear();
  std::vector<std::string> lines = {"", ""};
  AppendSignature(lines, signature);
  SetBodyLines(fields, lines);
  fields.merge_rows.clear();
  fields.merge = false;
  // A new message answers nothing: without this it would carry the References of the
  // last reply.
  state.ReplyReference.clear();
}

void ReplyMail(state::MainState& state, const SelectedMessage& selected,
               const std::vector<std::string>& shown_lines, const std::string& signature,
               ComposerFields& fields) {
  state.ReplyReference = selected.key;
  std::string address;
  fields.body.clear();  // a missing file starts from an empty body, not the last message
  if (state.fs.FileExists(store::MessageFilePath(FolderOf(state), selected.key))) {
    for (const std::string& line : shown_lines) {
      const std::size_t at = line.find("ReplyTo");
      if (at == std::string::npos) continue;
      const std::size_t start = at + 8;
      address = start < line.size() ? line.substr(start) : std::string();
      break;
    }
    Quote(shown_lines, fields);
  }
  if (address.empty()) address = selected.sender;
  fields.to = address;
  fields.cc.clear();
  fields.bcc.clear();
  fields.subject = platform::Sjis("返信:") + selected.caption;
  std::vector<std::string> lines = BodyLines(fields);
  lines.insert(lines.end(), {"", "", ""});
  AppendSignature(lines, signature);
  SetBodyLines(fields, lines);
  // A reply goes to one person with nothing of an earlier message attached.
  fields.attachments.clear();
  fields.merge = false;
}

void ForwardMail(state::MainState& state, const SelectedMessage& selected,
                 const std::vector<std::string>& shown_lines,
                 const std::vector<std::string>& attachment_names, const std::string& signature,
                 ComposerFields& fields) {
  const std::string folder = FolderOf(state);
  fields.body.clear();
  if (state.fs.FileExists(store::MessageFilePath(folder, selected.key))) {
    Quote(shown_lines, fields);
  }
  fields.to.clear();
  fields.cc.clear();
  fields.bcc.clear();
  fields.subject = platform::Sjis("転送:") + selected.caption;
  std::vector<std::string> lines = BodyLines(fields);
  AppendSignature(lines, signature);
  SetBodyLines(fields, lines);
  fields.attachments.clear();
  const std::string dir = store::AttachmentDirectory(folder, selected.key);
  for (const std::string& name : attachment_names) {
    fields.attachments.push_back(state.fs.Native(dir + name).string());
  }
  fields.merge = false;
  // A forwarded message is not an answer to the message replied to last.
  state.ReplyReference.clear();
}

}  // namespace compose
