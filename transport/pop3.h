// The POP3 client: log in with USER and PASS, count, size, fetch and delete messages by number.
#pragma once

#include <string>
#include <vector>

#include "transport/tcp_connection.h"

namespace transport {

class TIdMessage;

class TIdPOP3 : public TIdTCPClient {
 public:
  // Reply codes after the POP3 reply check.
  static constexpr int kOk = 1;
  static constexpr int kErr = 2;
  // A silent server ends a command with "Read Timeout" after this long instead of blocking the
  // program for ever.
  static constexpr int kDefaultReadTimeout = 60000;

  // Port 110, ReadTimeout kDefaultReadTimeout, maException.
  TIdPOP3();

  std::string Username;
  std::string Password;

  // Connects, reads the greeting and logs in with USER and PASS (each must be "+OK"). On a
  // failure after the socket opened, sends QUIT, closes and re-raises the same exception.
  void Connect(int timeout = -1) override;
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
  // RETR n into `message` through the message reader: header, then (unless the header ended
  // with the "." line) body and parts. Answers false, reading nothing, on "-ERR".
  bool Retrieve(int number, TIdMessage& message);
  // RETR n as raw lines (dot-stuffing removed, terminating "." not included). False on "-ERR".
  bool RetrieveRaw(int number, std::vector<std::string>& lines);
  // DELE n; the server removes marked messages when it processes QUIT.
  bool DeleteMessage(int number);
};

}  // namespace transport
