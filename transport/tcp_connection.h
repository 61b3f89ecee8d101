// The blocking, line-oriented TCP connection every mail conversation runs through, its client
// form with host and port, and the socket holder beneath it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transport/byte_channel.h"
#include "transport/exceptions.h"
#include "transport/rfc_reply.h"

namespace transport {

class PosixChannel;

// Progress reports handed to OnStatus, with their texts:
//   hsResolving "Resolving hostname %s.", hsConnecting "Connecting to %s." (dotted peer address),
//   hsConnected "Connected.", hsDisconnecting "Disconnecting.", hsDisconnected "Disconnected.",
//   hsStatusText "%s".
enum TIdStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText
};

// What ReadLine does with a line longer than the limit.
enum TIdMaxLineAction { maException, maSplit };

using TIdStatusEvent = std::function<void(TIdStatus status, const std::string& text)>;
using TIdNotifyEvent = std::function<void()>;

// The status text for `status`; `argument` fills the %s of the texts that have one.
std::string StatusText(TIdStatus status, const std::string& argument = {});

// One socket record: a channel that is allocated or not. A real socket is created by
// AllocateSocket; an already open channel (memory, tests) can be attached instead.
class TIdSocketHandle {
 public:
  TIdSocketHandle();
  ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  bool HandleAllocated() const { return channel_ != nullptr; }
  // Creates a TCP stream socket; raises EIdInvalidSocket when the system refuses.
  void AllocateSocket();
  // Uses an open channel as this record's socket.
  void Attach(std::unique_ptr<ByteChannel> channel);
  // Replaces the open channel by the one `wrap` builds over it (TLS over the socket). When
  // `wrap` raises, the record is left without a channel.
  void Wrap(const std::function<std::unique_ptr<ByteChannel>(std::unique_ptr<ByteChannel>)>& wrap);
  // Socket-only steps (raise EIdSocketError); no-ops on an attached channel.
  void Bind(const std::string& ip, int port);
  void SetPeer(const std::string& ip, int port);
  void SetNagle(bool use_nagle);
  void Connect();
  // Waits for incoming data; false when the time ran out.
  bool Readable(int timeout_ms);
  ChannelResult Receive(char* buffer, std::size_t size);
  // Fails with socket error 10060 when no byte can be sent within `timeout_ms` (0: no limit).
  ChannelResult Send(const char* data, std::size_t size, int timeout_ms = 0);
  // Shuts the sending direction down, then releases the channel. Safe when not allocated.
  void CloseSocket();

  const std::string& PeerIP() const { return peer_ip_; }
  int PeerPort() const { return peer_port_; }

 private:
  std::unique_ptr<ByteChannel> channel_;
  PosixChannel* socket_ = nullptr;  // channel_ when it is a real socket
  std::string peer_ip_;
  int peer_port_ = 0;
};

// Holds the one socket of a connection and opens it towards a server.
class TIdIOHandlerSocket {
 public:
  // Nagle's algorithm stays on unless this is false (TCP_NODELAY is set to !UseNagle).
  bool UseNagle = true;
  // Receives resolving and connecting reports; the connection copies its own handler here.
  TIdStatusEvent OnStatus;

  TIdSocketHandle& Binding() { return binding_; }
  bool Connected() const { return binding_.HandleAllocated(); }

  // Resets the socket record (closing a socket left open).
  void Open();
  // Allocates, binds, resolves and connects (the reports and failures of TIdTCPClient::Connect).
  // On failure the socket is closed without reports and the exception propagates.
  void ConnectClient(const std::string& host, int port, const std::string& bound_ip,
                     int bound_port);
  // Uses an already open channel instead of connecting.
  void OpenOn(std::unique_ptr<ByteChannel> channel);
  // Waits for data; false when the time ran out. Raises EIdClosedSocket when closed.
  bool Readable(int timeout_ms);
  // Raise EIdClosedSocket "Disconnected." when the socket is closed.
  ChannelResult Receive(char* buffer, std::size_t size);
  ChannelResult Send(const char* data, std::size_t size, int timeout_ms = 0);
  void Close() { binding_.CloseSocket(); }

 private:
  void DoStatus(TIdStatus status, const std::string& argument);
  TIdSocketHandle binding_;
};

// A blocking line-oriented connection: buffered reads of lines and replies, writes of text,
// typed exceptions, status reports.
class TIdTCPConnection {
 public:
  TIdTCPConnection();
  virtual ~TIdTCPConnection();
  TIdTCPConnection(const TIdTCPConnection&) = delete;
  TIdTCPConnection& operator=(const TIdTCPConnection&) = delete;

  // Limit in milliseconds for one wait for incoming data; 0 means no limit.
  int ReadTimeout = 0;
  // Limit in milliseconds for a write to make progress (the peer stopped reading); 0 means no
  // limit. Past it the write raises EIdSocketError 10060.
  int WriteTimeout = 60000;
  // Longest line ReadLine accepts, counting every byte before the LF; 0 means no limit.
  int MaxLineLength = 16384;
  TIdMaxLineAction MaxLineAction = maException;
  // Size of one receive and the chunk size of writes.
  int RecvBufferSize = 32768;
  int SendBufferSize = 32768;

  TIdStatusEvent OnStatus;
  TIdNotifyEvent OnDisconnected;

  // The last receive or send moved 0 bytes (the peer closed).
  bool ClosedGracefully() const { return closed_gracefully_; }
  // The most recent reply.
  TIdRFCReply& LastReply() { return last_reply_; }
  const TIdRFCReply& LastReply() const { return last_reply_; }
  // Received bytes not yet consumed by a read.
  std::string_view InputBuffer() const;

  // The I/O handler, or null before Connect / after Disconnect.
  TIdIOHandlerSocket* IOHandler() { return io_handler_.get(); }
  // Runs the connection over an already open channel (a stored message, a test double): an
  // owned handler is created as by Connect, without resolving or connecting and without reports.
  // Raises EIdAlreadyConnected when a socket is open.
  void OpenOnChannel(std::unique_ptr<ByteChannel> channel);

  // Closes the connection if it is open ("Disconnecting.", close, OnDisconnected,
  // "Disconnected."); destroys the handler Connect created. Protocol clients send QUIT first.
  virtual void Disconnect();
  // Notices a peer close seen by the last read or write; then answers whether a socket is open.
  // It does not probe the socket.
  bool IsConnected();

  // Reads one line: the bytes before `terminator` (empty means LF); with an LF terminator one
  // CR before it is dropped too. timeout -1 means ReadTimeout; with another timeout an expired
  // wait returns an empty line instead of raising. max_length -1 means MaxLineLength.
  std::string ReadLine(const std::string& terminator = "\n", int timeout = -1, int max_length = -1);
  // The first line that is non-empty after trimming (spaces and control characters), trimmed;
  // reads at most max_tries lines and answers an empty text when all were blank.
  std::string ReadNonBlankLine(int max_tries = 2147483647);
  // Reads lines up to the line equal to `delimiter` (not stored), appending them to `lines`;
  // with unstuff_dots the first dot of a line starting with ".." is removed.
  void Capture(std::vector<std::string>& lines, const std::string& delimiter = ".",
               bool unstuff_dots = true);

  // Sends the whole text at once (nothing for an empty text).
  void Write(std::string_view text);
  // Write(text + CR LF).
  void WriteLine(std::string_view text = {});

  // WriteLine(text), ReadReply, CheckReply(NumericCode, allowed); answers NumericCode. An empty
  // allowed set or the single code -1 accepts any code. A text holding CR or LF raises
  // EIdException "Line break inside a command." and sends nothing.
  int SendCommand(const std::string& text, const std::vector<int>& allowed = {});
  // Reads one reply into LastReply (blank lines before it skipped, continuation lines "ccc-"
  // collected up to "ccc " or a line shorter than 4 characters); answers NumericCode.
  virtual int ReadReply();
  // Raises EIdProtocolReplyError (message: the reply text) when `code` is not allowed.
  void CheckReply(int code, const std::vector<int>& allowed) const;

  // The only place that receives: waits up to `timeout` (-1: ReadTimeout; 0 after that: no
  // limit) and appends what arrives to InputBuffer. Answers the byte count, 0 when not connected
  // and not asked to raise, -1 when the wait expired and raise_on_timeout is false.
  int ReadFromSocket(bool raise_if_disconnected, int timeout, bool raise_on_timeout);
  // Closes a socket the peer closed (reports "Disconnected.", fires OnDisconnected) and, with
  // `raise`, raises EIdConnClosedGracefully when disconnected and nothing (or, with
  // ignore_buffer, anything) is left in InputBuffer.
  void CheckForDisconnect(bool raise, bool ignore_buffer);

  // Hands a report to OnStatus (used by the message writer for hsStatusText).
  void DoStatus(TIdStatus status, const std::string& argument = {});

 protected:
  // Creates the owned handler Connect and OpenOnChannel use; raises when a socket is open.
  TIdIOHandlerSocket& PrepareHandler();
  // Drops buffered input and the peer-closed mark.
  void ResetInput();
  // Closes the socket, destroying the handler when this connection created it; no reports.
  void CloseQuietly();

 private:
  void ConsumeInput(std::size_t count);
  std::string TakeLine(std::size_t length, std::size_t terminator_length);

  std::unique_ptr<TIdIOHandlerSocket> io_handler_;
  std::string input_;  // received bytes; consumed ones lie before input_start_
  std::size_t input_start_ = 0;
  std::vector<char> receive_buffer_;
  bool closed_gracefully_ = false;
  TIdRFCReply last_reply_;
};

// A connection that opens itself to Host:Port.
class TIdTCPClient : public TIdTCPConnection {
 public:
  // A host name, a dotted IPv4 address or "LOCALHOST" in any case.
  std::string Host;
  int Port = 0;
  // Local address and port to bind to: empty / 0 mean any.
  std::string BoundIP;
  int BoundPort = 0;
  TIdNotifyEvent OnConnected;

  // Opens the connection: "Resolving hostname %s." (names only), "Connecting to %s.",
  // "Connected.", then OnConnected. Raises EIdAlreadyConnected, EIdInvalidSocket or
  // EIdSocketError; a failed connect has closed its socket. `timeout` -1 is the blocking
  // connect of the system. Protocol clients extend it with greeting and login.
  virtual void Connect(int timeout = -1);
};

}  // namespace transport
