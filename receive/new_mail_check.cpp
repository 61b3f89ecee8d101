// The new-mail check.
#include "receive/new_mail_check.h"

#include <stdexcept>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "receive/deletion_mode.h"
#include "receive/message_values.h"
#include "receive/uidl_file.h"
#include "store/message_key.h"

namespace receive {
namespace {

int Minutes(const std::string& text) {
  std::size_t used = 0;
  const int minutes = std::stoi(text, &used);
  if (used != text.size() || minutes <= 0)
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return minutes;
}

}  // namespace

void NewMailCheck::Start(bool run_flag, const std::string& interval_text) {
  if (!run_flag) return;  // a timer already running keeps running
  window_.ClearRows();
  window_.SetLabel("");
  CheckOnce();
  const int minutes = Minutes(interval_text);
  c_.ui.SetTimer(minutes * 60000, [this] { Tick(); });
  c_.ui.EnableTimer(true);
  BeepThreeTimes();
  window_.MinimiseMainWindow();
  c_.view.SetStatus(
      1, platform::Sjis("タイマー起動中（") + std::to_string(minutes) + platform::Sjis("分間隔）"));
}

void NewMailCheck::Tick() {
  if (c_.busy) return;
  CheckOnce();
}

bool NewMailCheck::CheckOnce() {
  BusyScope busy(c_);
  if (!busy.acquired()) return false;
  state::MainState& s = c_.state;
  if (!EnsureConnected(c_)) return false;
  const int n = s.POP.MessageCount();
  // With the server's ids, mail this account received (its UIDL file) or this check reported
  // is passed over without fetching even its header.
  std::vector<std::string> uids;
  UidlFile received_ids;
  std::vector<transport::TIdUidlEntry> listing;
  if (n > 0 && s.POP.MaySupport("UIDL") && s.POP.ListUniqueIds(listing)) {
    uids = UidsByNumber(listing, n);
    received_ids = UidlFile::Load(s.fs, s.account_dir);
  }
  bool reported = false;
  s.abort = false;
  for (int i = 1; i <= n && !reported; ++i) {
    c_.ui.ProcessEvents();
    s.Msg.Clear();
    if (s.abort) break;
    const std::string uid = uids.empty() ? std::string() : uids[static_cast<std::size_t>(i)];
    if (!uid.empty()) {
      if (reported_ids_.contains(uid)) continue;
      const std::string* key = received_ids.KeyOf(uid);
      if (key != nullptr && s.received_keys.Find(*key) >= 0) continue;
    }
    std::string ignored;
    try {
      spool_.FetchHeader(s.POP, i);
      spool_.Parse(s.Msg, ignored);  // an unreadable message is reported with what was read
      // Without a Message-ID the key is made from the whole message, as the receive run
      // makes it: only then does mail received meanwhile count as known.
      if (s.Msg.MessageId.empty() && !spool_.Whole()) {
        spool_.Fetch(s.POP, i);
        spool_.Parse(s.Msg, ignored);
      }
    } catch (const std::exception&) {
      ShowUnreadable(c_, i);
      if (s.POP.IsConnected()) s.POP.Disconnect();
      return false;
    }
    // The same key the receive run gives the message, so mail received meanwhile is known.
    const std::string key = MessageKey(s.Msg, spool_.ContentHash());
    if (s.received_keys.Find(key) >= 0) continue;
    bool seen = false;
    for (const std::string& k : s.check_list) seen = seen || store::SameKey(k, key);
    if (!uid.empty() && seen) reported_ids_.insert(uid);
    if (seen) continue;
    window_.AddRow(ServerRow(s.Msg, s.POP.MessageSize(i)));
    s.check_list.push_back(key);
    if (!uid.empty()) reported_ids_.insert(uid);
    if (window_.Label().empty()) {
      window_.SetLabel(platform::Sjis("新着１号発見! 日時は、") +
                       platform::FormatDateTime("yyyy/mm/dd_hh:nn:ss", platform::Now()));
    }
    BeepThreeTimes();
    window_.ShowWindow();
    reported = true;  // one check reports at most one message
  }
  if (s.POP.IsConnected()) s.POP.Disconnect();
  return reported;
}

void NewMailCheck::BeepThreeTimes() {
  for (int i = 0; i < 3; ++i) {
    c_.ui.Beep();
    c_.ui.Sleep(700);
  }
}

}  // namespace receive
