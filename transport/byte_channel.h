// A byte channel: the small interface the connection reads and writes through (a socket, or
// memory for messages read from files and for tests).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace transport {

// Outcome of one receive or send: `count` bytes moved (0 on a receive means the peer closed),
// or a socket error number (see exceptions.h) in `error` with `count` -1.
struct ChannelResult {
  long count = 0;
  int error = 0;
  bool failed() const { return error != 0; }
};

// An open, bidirectional byte stream. Implementations are used from one thread at a time.
class ByteChannel {
 public:
  virtual ~ByteChannel() = default;

  // Waits until a Receive would not block. timeout_ms < 0 waits without a limit. Returns false
  // when the time ran out first. A failure of the wait itself is reported by the next Receive.
  virtual bool WaitReadable(int timeout_ms) = 0;
  // Receives up to `size` bytes (blocking until at least one byte, end of stream or error).
  virtual ChannelResult Receive(char* buffer, std::size_t size) = 0;
  // Sends up to `size` bytes and answers how many were taken. A send that cannot take a single
  // byte within the send time-out fails with the socket error 10060.
  virtual ChannelResult Send(const char* data, std::size_t size) = 0;
  // Limit in milliseconds for one Send to make progress; 0 means no limit. Channels that never
  // block on sending ignore it.
  virtual void SetSendTimeout(int timeout_ms) { (void)timeout_ms; }
  // Ends the sending direction (the peer sees end of stream); a no-op where meaningless.
  virtual void ShutdownSend() {}
  // Releases the channel's resources. Further calls fail with an error.
  virtual void Close() = 0;
};

// A channel over memory: Receive hands out `input` (at most `max_chunk` bytes per call when it
// is not 0), then reports end of stream; everything sent is collected in Written(). Use it to run
// the line reader over a stored message or to capture what a writer produces.
class MemoryChannel : public ByteChannel {
 public:
  explicit MemoryChannel(std::string input, std::size_t max_chunk = 0);

  bool WaitReadable(int timeout_ms) override;
  ChannelResult Receive(char* buffer, std::size_t size) override;
  ChannelResult Send(const char* data, std::size_t size) override;
  void Close() override;

  // Bytes sent so far. The shared handle stays valid after the connection that owns the channel
  // has destroyed it, so a caller can keep it and read the output after Disconnect.
  const std::string& Written() const { return *written_; }
  std::shared_ptr<const std::string> WrittenHandle() const { return written_; }
  // Bytes of `input` not yet received.
  std::size_t Remaining() const { return input_.size() - position_; }

 private:
  std::string input_;
  std::size_t position_ = 0;
  std::size_t max_chunk_;
  bool closed_ = false;
  std::shared_ptr<std::string> written_ = std::make_shared<std::string>();
};

}  // namespace transport
