// Server deletion mode: list the messages on the server in the message list, delete the marked
// ones there, leave the mode, and delete one message by its number. Nothing is stored locally.
#pragma once

#include "receive/pop_context.h"
#include "receive/spool.h"

namespace receive {

class DeletionMode {
 public:
  explicit DeletionMode(PopContext& context) : c_(context) {}

  // Connects (when needed) and lists every message on the server, one row per number.
  void Enter();
  // DELE for each selected row, last first, then QUIT and a new listing.
  void DeleteMarked();
  // The pop-up "メール削除モード解除".
  void Leave();
  // "メール番号で削除".
  void DeleteByNumber();

 private:
  PopContext& c_;
  Spool spool_;
};

// A listing row for a message (key field = its Message-ID as it came); no TAB survives in it.
std::string ServerRow(const transport::TIdMessage& msg, int size);

}  // namespace receive
