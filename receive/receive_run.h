// The receive run: fetch the current account's new mail, let the rules place it (or delete it
// on the server), store it and list it. Messages marked for deletion on the server are only
// marked after everything stored in this run is on disk, so no failure at any point loses mail.
#pragma once

#include <string>
#include <vector>

#include "receive/message_values.h"
#include "receive/pop_context.h"
#include "receive/spool.h"
#include "receive/uidl_file.h"
#include "rules/rule_matcher.h"

namespace receive {

struct RunResult {
  enum Outcome { kBusy, kNotConnected, kCompleted, kStopped, kFetchFailed, kWriteFailed };
  Outcome outcome = kBusy;
  int new_count = 0;
  std::string error;  // the failure's text for kFetchFailed and kWriteFailed
};

class ReceiveRun {
 public:
  explicit ReceiveRun(PopContext& context) : c_(context) {}
  RunResult Run();

 private:
  enum class Step { kNext, kStop };

  void LeaveOtherViews();
  void AlignCurrentFolder();
  // One message: fetch, recognise, decode, route, store, record.
  Step ReceiveMessage(int number);
  bool FetchMessage(int number, std::string& reader_error, bool& parsed);
  void StoreInFolder(int number, const std::string& folder, bool parsed,
                     const std::string& reader_error, MessageValues& values, bool routed);
  // Appends the records routed into each rule folder to that folder's index.
  void SaveRoutedRecords();
  // Saves the run's folder index and received keys, also when another folder is listed now.
  void SaveRunLists();
  // End of the run: indexes saved and flushed, then the deletions marked, then QUIT.
  void MakeDurableAndQuit();
  void ShowResult();
  // One UIDL listing for the run, when the server may have it, and the account's UIDL file.
  void ListUniqueIds();
  // A message whose id the UIDL file knows under a key this account has received.
  bool KnownById(int number) const;
  void LearnId(int number, const std::string& key);
  // The size of message n for its record, from one LIST of the whole mailbox asked when the
  // first new message needs it: a run over known mail asks none, new mail no round trip each.
  int SizeOf(int number);
  // Rewrites the UIDL file when this run learned or lost ids.
  void SaveUidl(bool flush);

  PopContext& c_;
  Spool spool_;
  rules::RuleSet rules_;
  std::string run_folder_;
  std::string run_account_dir_;
  state::SortedList known_;               // the received keys as this run knows them
  std::vector<std::string> own_records_;  // stored into run_folder_ in this run
  std::vector<std::string> new_keys_;
  bool delete_after_receive_ = false;
  int message_count_ = 0;
  bool stored_ = false;
  std::vector<int> pending_deletes_;
  // Per rule folder, in the order first used: its records of this run.
  std::vector<std::pair<std::string, std::vector<std::string>>> routed_;
  RunResult result_;
  bool uidl_listed_ = false;
  std::vector<transport::TIdUidlEntry> uidl_listing_;
  std::vector<std::string> uid_of_;  // by message number
  UidlFile uidl_;
  bool sizes_listed_ = false;
  std::vector<int> sizes_;  // by message number, -1 where the listing had none
};

// Flushes everything written under the application directory to the disk.
void SyncStore(const platform::FileSystem& fs);

}  // namespace receive
