// The POP3 client: TLS (from the first byte or after STLS), log in with USER and PASS, count,
// size, list unique ids, fetch whole messages or headers only, and delete messages by number.
#pragma once

#include <string>
#include <vector>

#include "transport/tls_client.h"

namespace transport {

class TIdMessage;

// One line of the UIDL listing: a message number and the server's unique id for it.
struct TIdUidlEntry {
  int Number = 0;
  std::string Uid;
};

class TIdPOP3 : public TIdTlsTCPClient {
 public:
  // Reply codes after the POP3 reply check.
  static constexpr int kOk = 1;
  static constexpr int kErr = 2;
  // A silent server ends a command with "Read Timeout" after this long instead of blocking the
  // program for ever.
  static constexpr int kDefaultReadTimeout = 60000;
  // The port on which TLS starts with the first byte (with Tls.Mode tlsAuto).
  static constexpr int kImplicitTlsPort = 995;

  // Port 110, ReadTimeout kDefaultReadTimeout, maException.
  TIdPOP3();

  std::string Username;
  std::string Password;

  // Connects (TLS first on the implicit port), reads the greeting, asks CAPA unless TLS is off,
  // upgrades with STLS when the server lists it, and logs in with USER and PASS (each must be
  // "+OK"). An STLS that is listed but refused or failing raises: the password is never sent
  // in plain text after an upgrade was offered. On a failure after the socket opened, sends
  // QUIT (unless TLS failed), closes and re-raises the same exception.
  void Connect(int timeout = -1) override;
  // The first words of the CAPA listing of this connection, upper case; empty when CAPA was not
  // asked or refused.
  const std::vector<std::string>& Capabilities() const { return capabilities_; }
  bool HasCapability(const std::string& name) const;
  // Whether the server may support an optional command: it listed it, or this connection did
  // not learn the server's capabilities (CAPA not asked or refused), so only trying tells.
  bool MaySupport(const std::string& name) const;
  // Sends QUIT when the connection is open (its reply is not read, a failed send is ignored),
  // then closes the connection.
  void Disconnect() override;
  // Reads a reply and maps "+OK" to 1 and "-ERR" to 2 (ignoring case); any other first word
  // raises EIdException "Unrecognized POP3 Response Header:" LF + the quoted reply text.
  int ReadReply() override;

  // STAT: the number of messages; raises EConvertError when the count is not a number or the
  // reply has no size after it.
  int MessageCount();
  // LIST n: the size in octets, or -1 when the reply carries no usable size.
  int MessageSize(int number);
  // LIST: every message's size at once, indexed by message number (sizes[0] is unused; -1 where
  // the listing has no usable line for a number up to `count`). Answers false on "-ERR".
  bool ListSizes(int count, std::vector<int>& sizes);
  // RETR n into `message` through the message reader: header, then (unless the header ended
  // with the "." line) body and parts. Answers false, reading nothing, on "-ERR".
  bool Retrieve(int number, TIdMessage& message);
  // RETR n as raw lines (dot-stuffing removed, terminating "." not included). False on "-ERR".
  bool RetrieveRaw(int number, std::vector<std::string>& lines);
  // UIDL: every message's unique id, in the server's order. Answers false on "-ERR" (a server
  // without UIDL). Lines that are not a number and an id of printable ASCII are left out, so a
  // message missing from the list is simply not known by id.
  bool ListUniqueIds(std::vector<TIdUidlEntry>& entries);
  // The header of message n into `message` with "TOP n 0" when CAPA listed TOP, else the whole
  // message with RETR (as Retrieve). Answers false on "-ERR".
  bool RetrieveHeader(int number, TIdMessage& message);
  // DELE n; the server removes marked messages when it processes QUIT.
  bool DeleteMessage(int number);

 private:
  void ReadCapabilities();

  std::vector<std::string> capabilities_;
  bool capabilities_known_ = false;
};

}  // namespace transport
