// The receive run.
#include "receive/receive_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/codepage.h"
#include "receive/message_store.h"
#include "receive/message_values.h"
#include "state/index_list.h"
#include "store/account_file.h"
#include "store/paths.h"

namespace receive {
namespace {

void ReloadFolderIndex(PopContext& c) {
  c.state.folder_index.Load(c.state.fs, store::FolderIndexPath(c.state.current_folder));
  c.view.FillList(c.state.folder_index.lines());
}

}  // namespace

void SyncStore(const platform::FileSystem& fs) {
  const int fd = ::open(fs.AppDir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw platform::FileError("Cannot open \"" + fs.AppDir().string() + "\"");
  const int rc = ::syncfs(fd);
  ::close(fd);
  if (rc != 0) throw platform::FileError("Cannot flush \"" + fs.AppDir().string() + "\"");
}

RunResult ReceiveRun::Run() {
  BusyScope busy(c_);
  if (!busy.acquired()) return result_;  // a tick or a key during another run
  state::MainState& s = c_.state;

  LeaveOtherViews();
  if (!EnsureConnected(c_)) {
    result_.outcome = RunResult::kNotConnected;
    return result_;
  }
  rules_ = rules::RuleSet::Load(s.fs);
  c_.view.SetMode(platform::Sjis("受信"), 0, 255, 0);
  message_count_ = s.POP.MessageCount();
  AlignCurrentFolder();
  // The folder and key list this run fills. A folder click while window events run may list
  // another folder or account; the run's records and keys still go where its mail went.
  run_folder_ = s.current_folder;
  run_account_dir_ = s.account_dir;
  known_ = s.received_keys;
  if (message_count_ > 0) ListUniqueIds();
  s.abort = false;
  s.Msg.DeleteTempFiles = true;  // the reader's part files go once they are copied or dropped

  result_.outcome = RunResult::kCompleted;
  if (message_count_ > 0) {
    delete_after_receive_ =
        store::AccountRecord::FromLine(CurrentAccountLine(s)).DeletesAfterReceive();
    for (int i = 1; i <= message_count_; ++i) {
      c_.view.SetStatus(1, std::to_string(i) + "/" + std::to_string(message_count_));
      c_.ui.ProcessEvents();
      s.Msg.Clear();
      if (s.abort) {
        result_.outcome = RunResult::kStopped;
        break;
      }
      if (ReceiveMessage(i) == Step::kStop) break;
    }
  }
  MakeDurableAndQuit();
  s.Msg.Clear();
  if (result_.outcome == RunResult::kFetchFailed) return result_;
  ShowResult();
  return result_;
}

void ReceiveRun::LeaveOtherViews() {
  state::MainState& s = c_.state;
  if (s.deletion_mode) {
    s.deletion_mode = false;
    if (s.POP.IsConnected()) s.POP.Disconnect();
    ReloadFolderIndex(c_);
  }
  if (s.sent_view || s.extraction_view) {
    s.sent_view = s.extraction_view = false;
    ReloadFolderIndex(c_);
  }
}

// New mail without a rule goes into the current account's folder, whatever folder is listed.
void ReceiveRun::AlignCurrentFolder() {
  state::MainState& s = c_.state;
  const std::string name = store::AccountRecord::FromLine(CurrentAccountLine(s)).AccountName;
  if (name.empty()) return;
  const std::string folder = store::AccountFolder(name);
  if (folder == s.current_folder) return;
  if (!c_.view.SelectFolder(folder)) return;
  s.current_folder = folder;
  s.account_dir = folder;
  s.received_keys.Load(s.fs, store::ReceivedKeysPath(s.account_dir));
  ReloadFolderIndex(c_);
}

bool ReceiveRun::FetchMessage(int number, std::string& reader_error, bool& parsed) {
  if (!spool_.Fetch(c_.state.POP, number)) return false;
  parsed = spool_.Parse(c_.state.Msg, reader_error);
  return true;
}

ReceiveRun::Step ReceiveRun::ReceiveMessage(int number) {
  state::MainState& s = c_.state;
  // Known by its id: not fetched at all.
  if (KnownById(number)) return Step::kNext;
  std::string reader_error;
  bool parsed = false;
  try {
    // A message the server refuses to hand out is left where it is.
    if (!FetchMessage(number, reader_error, parsed)) return Step::kNext;
  } catch (const std::exception& e) {
    ShowUnreadable(c_, number);
    result_.outcome = RunResult::kFetchFailed;
    result_.error = platform::ErrorTextToSjis(e.what());
    return Step::kStop;
  }
  const std::string key = MessageKey(s.Msg, spool_.ContentHash());
  if (known_.Find(key) >= 0) {
    LearnId(number, key);
    return Step::kNext;
  }

  ++result_.new_count;
  MessageValues values = DecodeValues(s.Msg, key, SizeOf(number));
  std::string folder = run_folder_;
  bool routed = false;
  if (const int position = rules_.FindRule(values.subject, values.sender); position >= 0) {
    const rules::Rule& rule = rules_.rule(position);
    if (rule.action == rules::Action::kDelete) {
      s.POP.DeleteMessage(number);
      return Step::kNext;
    }
    folder = rule.target_folder;
    routed = true;
  }
  try {
    StoreInFolder(number, folder, parsed, reader_error, values, routed);
  } catch (const std::exception& e) {
    // Nothing of this message is recorded or deleted; what was stored before stays valid.
    result_.outcome = RunResult::kWriteFailed;
    result_.error = platform::ErrorTextToSjis(e.what());
    c_.ui.ShowError(platform::ErrorTextToSjis(e.what()));
    return Step::kStop;
  }
  return Step::kNext;
}

int ReceiveRun::SizeOf(int number) {
  transport::TIdPOP3& pop = c_.state.POP;
  if (!sizes_listed_) {
    sizes_listed_ = true;
    if (!pop.ListSizes(message_count_, sizes_)) sizes_.clear();
  }
  const auto i = static_cast<std::size_t>(number);
  if (i < sizes_.size() && sizes_[i] >= 0) return sizes_[i];
  return pop.MessageSize(number);
}

void ReceiveRun::StoreInFolder(int number, const std::string& folder, bool parsed,
                               const std::string& reader_error, MessageValues& values,
                               bool routed) {
  state::MainState& s = c_.state;
  if (!s.fs.DirectoryExists(folder)) s.fs.ForceDirectories(folder);
  stored_ = true;
  const std::string flag = parsed
                               ? StoreParsedMessage(s.fs, folder, values, s.Msg)
                               : StoreUnreadableMessage(s.fs, folder, values, spool_, reader_error);
  const std::string record = IndexRecord(values, flag);
  if (routed) {
    auto it = std::find_if(routed_.begin(), routed_.end(),
                           [&folder](const auto& entry) { return entry.first == folder; });
    if (it == routed_.end()) it = routed_.insert(routed_.end(), {folder, {}});
    it->second.push_back(record);
  } else {
    own_records_.push_back(record);
    if (s.current_folder == run_folder_) {
      s.folder_index.Add(record);
      c_.view.InsertRowAtTop(record);
    }
  }
  known_.Add(values.key);
  LearnId(number, values.key);
  new_keys_.push_back(values.key);
  if (s.account_dir == run_account_dir_) s.received_keys.Add(values.key);
  if (delete_after_receive_) pending_deletes_.push_back(number);
}

void ReceiveRun::SaveRoutedRecords() {
  const platform::FileSystem& fs = c_.state.fs;
  for (const auto& [folder, records] : routed_) {
    const std::string index_path = store::FolderIndexPath(folder);
    std::vector<std::string> lines = state::LoadLines(fs, index_path);
    const std::size_t before = lines.size();
    for (const std::string& record : records) {
      // A run killed before it saved the received keys fetches its mail again; a record
      // already in the rule folder's index is not added twice.
      const std::string key = store::GetField(record, store::kKeyField);
      bool present = false;
      for (const std::string& line : lines) {
        present = present || store::SameKey(store::GetField(line, store::kKeyField), key);
      }
      if (!present) lines.push_back(record);
    }
    if (lines.size() != before) state::SaveLines(fs, index_path, lines);
  }
}

void ReceiveRun::SaveRunLists() {
  state::MainState& s = c_.state;
  if (s.current_folder == run_folder_) {
    s.folder_index.Save(s.fs, store::FolderIndexPath(run_folder_));
  } else if (!own_records_.empty()) {
    state::SortedList index;
    index.Load(s.fs, store::FolderIndexPath(run_folder_));
    for (const std::string& record : own_records_) index.Add(record);
    index.Save(s.fs, store::FolderIndexPath(run_folder_));
  }
  if (s.account_dir == run_account_dir_) {
    s.received_keys.Save(s.fs, store::ReceivedKeysPath(run_account_dir_));
  } else {
    state::SortedList keys;
    keys.Load(s.fs, store::ReceivedKeysPath(run_account_dir_));
    for (const std::string& key : new_keys_) keys.Add(key);
    keys.Save(s.fs, store::ReceivedKeysPath(run_account_dir_));
  }
}

void ReceiveRun::MakeDurableAndQuit() {
  state::MainState& s = c_.state;
  bool durable = true;
  try {
    if (stored_) {
      // Message files and attachments first, then the lists that name them.
      SyncStore(s.fs);
      SaveRoutedRecords();
      SaveRunLists();
      // The ids last: an id on disk always names a message that is safely in the store.
      SaveUidl(false);
      SyncStore(s.fs);
    } else {
      SaveUidl(true);
    }
  } catch (const std::exception& e) {
    durable = false;
    if (result_.error.empty()) result_.error = platform::ErrorTextToSjis(e.what());
    result_.outcome = RunResult::kWriteFailed;
    c_.ui.ShowError(platform::ErrorTextToSjis(e.what()));
  }
  if (!s.POP.IsConnected()) return;
  if (!durable) {
    // QUIT would commit deletions of mail that is not safely here: leave without it.
    s.POP.TIdTCPConnection::Disconnect();
    return;
  }
  // After a failed fetch the conversation may be out of step (a late reply would be read as
  // the answer to DELE); the stored mail stays on the server rather than risk that.
  if (result_.outcome == RunResult::kFetchFailed) pending_deletes_.clear();
  try {
    for (int number : pending_deletes_) s.POP.DeleteMessage(number);
  } catch (const std::exception& e) {
    if (result_.error.empty()) result_.error = platform::ErrorTextToSjis(e.what());
  }
  if (s.POP.IsConnected()) s.POP.Disconnect();
}

void ReceiveRun::ShowResult() {
  state::MainState& s = c_.state;
  if (stored_) c_.view.SortNewestFirst();
  c_.view.SetStatus(1, platform::Sjis("新着メールは") + std::to_string(result_.new_count) +
                           platform::Sjis("件です。"));
  s.unread_count = state::UnreadCount(s.folder_index.lines());
  c_.view.RefreshListedNodeCount(s.unread_count);
  const std::string& root = store::ReceivedRoot();
  for (const auto& [dir, records] : routed_) {
    std::string relative = dir.substr(root.size());
    relative.pop_back();  // the "\" that ends the rule's folder
    c_.view.AddToNodeCount(relative, static_cast<int>(records.size()));
  }
}

void ReceiveRun::ListUniqueIds() {
  transport::TIdPOP3& pop = c_.state.POP;
  if (!pop.MaySupport("UIDL")) return;
  // A server without UIDL answers -ERR: every message is then fetched and known by its key.
  if (!pop.ListUniqueIds(uidl_listing_)) return;
  uidl_listed_ = true;
  uid_of_ = UidsByNumber(uidl_listing_, message_count_);
  uidl_ = UidlFile::Load(c_.state.fs, run_account_dir_);
}

bool ReceiveRun::KnownById(int number) const {
  if (!uidl_listed_) return false;
  const std::string& uid = uid_of_[static_cast<std::size_t>(number)];
  if (uid.empty()) return false;
  const std::string* key = uidl_.KeyOf(uid);
  // An id whose key is not among the received keys (a list lost or replaced since) proves
  // nothing: the message is fetched and recognised by its key as without UIDL.
  return key != nullptr && known_.Find(*key) >= 0;
}

void ReceiveRun::LearnId(int number, const std::string& key) {
  if (!uidl_listed_) return;
  const std::string& uid = uid_of_[static_cast<std::size_t>(number)];
  if (!uid.empty()) uidl_.Set(uid, key);
}

void ReceiveRun::SaveUidl(bool flush) {
  if (!uidl_listed_) return;
  uidl_.KeepOnly(uidl_listing_);
  const std::string text = uidl_.Text();
  const std::string path = UidlFile::Path(run_account_dir_);
  try {
    if (c_.state.fs.ReadFile(path) == text) return;
    c_.state.fs.WriteFileAtomic(path, text, 0644, flush);
  } catch (const std::exception&) {
    // The file only spares fetches: the old one stays whole (the write is atomic) and every id
    // in it still names a received message, so a failure here loses nothing.
  }
}

}  // namespace receive
