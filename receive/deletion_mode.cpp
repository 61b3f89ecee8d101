// Server deletion mode.
#include "receive/deletion_mode.h"

#include <charconv>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "receive/message_values.h"
#include "store/record.h"
#include "transport/tls_errors.h"

namespace receive {
namespace {

// A whole decimal number, or nothing ("abc", "3x", "" and overflow are refused).
std::optional<int> ParseNumber(const std::string& text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string ServerRow(const transport::TIdMessage& msg, int size) {
  // The listing keeps TABs in subjects; a row is a TAB-separated record, so JoinRecord turns
  // them into spaces rather than letting them shift the columns.
  // A message without a date lists the zero date (whatever time-zone shift the reader gave it).
  const double date = msg.Date >= 1.0 ? msg.Date : 0.0;
  return store::JoinRecord({msg.MessageId, DecodedSubject(msg, false), DecodedSender(msg),
                            platform::FormatDateTime("yyyy/mm/dd_hh:nn:ss", date),
                            std::to_string(size), "", ""});
}

void DeletionMode::Enter() {
  BusyScope busy(c_);
  if (!busy.acquired()) return;
  state::MainState& s = c_.state;
  if (!EnsureConnected(c_)) return;
  c_.view.ClearList();
  s.abort = false;
  s.deletion_mode = true;
  c_.view.SetMode(platform::Sjis("削除"), 255, 0, 255);
  const int n = s.POP.MessageCount();
  for (int i = 1; i <= n; ++i) {
    c_.view.SetStatus(1, std::to_string(i) + "/" + std::to_string(n));
    c_.ui.ProcessEvents();
    s.Msg.Clear();
    if (s.abort) break;
    try {
      // The listing shows header values only: the header is all it fetches where it can.
      spool_.FetchHeader(s.POP, i);
    } catch (const std::exception&) {
      ShowUnreadable(c_, i);
      if (s.POP.IsConnected()) s.POP.Disconnect();
      return;
    }
    // A message the reader cannot read is listed with what it got: this is where the user
    // removes such a message.
    std::string ignored;
    spool_.Parse(s.Msg, ignored);
    c_.view.AppendRow(ServerRow(s.Msg, s.POP.MessageSize(i)));
  }
  if (s.abort) {
    s.deletion_mode = false;
    c_.view.SetStatus(1, "");
  } else {
    c_.view.SetStatus(1, platform::Sjis("削除モードで接続中。メールは") + std::to_string(n) +
                             platform::Sjis("件です。"));
  }
}

void DeletionMode::DeleteMarked() {
  if (c_.busy || !c_.state.deletion_mode) return;
  std::vector<int> rows = c_.view.SelectedRowPositions();
  if (rows.empty()) return;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) c_.state.POP.DeleteMessage(*it + 1);
  c_.state.POP.Disconnect();
  Enter();
}

void DeletionMode::Leave() {
  state::MainState& s = c_.state;
  s.abort = true;
  if (s.POP.IsConnected()) s.POP.Disconnect();
  if (!s.deletion_mode) return;
  s.deletion_mode = false;
  c_.view.SetStatus(1, "");
  c_.view.FillList(s.folder_index.lines());
}

void DeletionMode::DeleteByNumber() {
  if (c_.busy) return;
  state::MainState& s = c_.state;
  const std::string answer = c_.ui.InputBox(
      platform::Sjis("直接削除"), platform::Sjis("削除したいメールの番号を入力してください。"), "");
  if (answer.empty()) return;
  try {
    const std::optional<int> number = ParseNumber(answer);
    if (!number) throw std::invalid_argument("not a number");
    if (!s.POP.IsConnected()) ConnectPop(c_);
    // A refused number is no success either.
    if (!s.POP.DeleteMessage(*number)) throw std::invalid_argument("refused");
    c_.ui.ShowInformation(platform::Sjis("削除完了!"));
  } catch (const transport::EIdTlsCertificateError& refusal) {
    c_.ui.ShowInformation(refusal.what());
  } catch (const std::exception&) {
    c_.ui.ShowInformation(platform::Sjis("数値以外は指定できません。"));
  }
  if (s.POP.IsConnected()) s.POP.Disconnect();
}

}  // namespace receive
