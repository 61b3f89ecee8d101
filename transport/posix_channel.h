// A TCP socket of the operating system behind the byte-channel interface. Every system call of
// the transport lives in posix_channel.cpp.
#pragma once

#include <string>

#include "transport/byte_channel.h"

namespace transport {

// System error number -> socket error number of the table the user sees (EIdSocketError).
// Numbers without a counterpart are passed through unchanged.
int SocketErrorFromErrno(int system_error);

// Looks `host` up through the system resolver and answers its first IPv4 address in dotted
// form. Raises EIdSocketError 11001 ("Host not found.") when the lookup fails.
std::string ResolveIPv4(const std::string& host);

// True when `text` is a dotted IPv4 literal such as "127.0.0.1".
bool IsDottedIPv4(const std::string& text);

// The name of this machine for greetings; "localhost" when the system gives none.
std::string LocalHostName();

class PosixChannel : public ByteChannel {
 public:
  // Creates a blocking IPv4 stream socket; raises EIdInvalidSocket when that fails.
  PosixChannel();
  ~PosixChannel() override;
  PosixChannel(const PosixChannel&) = delete;
  PosixChannel& operator=(const PosixChannel&) = delete;

  // These raise EIdSocketError with the mapped number.
  void Bind(const std::string& ip, int port);  // empty ip: any address
  void SetNoDelay(bool no_delay);
  void Connect(const std::string& ip, int port);  // blocking

  bool WaitReadable(int timeout_ms) override;
  ChannelResult Receive(char* buffer, std::size_t size) override;
  ChannelResult Send(const char* data, std::size_t size) override;
  void SetSendTimeout(int timeout_ms) override { send_timeout_ms_ = timeout_ms; }
  void ShutdownSend() override;
  void Close() override;

 private:
  int fd_ = -1;
  int send_timeout_ms_ = 0;
};

}  // namespace transport
