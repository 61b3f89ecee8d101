// A memory channel that fails on cue: after its input it answers receives with an error, and
// after a number of sent bytes it answers sends with an error. For the connection's error paths.
#pragma once

#include <cstddef>
#include <string>

#include "transport/byte_channel.h"

namespace transport::testing {

class FailingChannel : public ByteChannel {
 public:
  // receive_error 0: end of stream after `input`; send_error 0: sends never fail.
  FailingChannel(std::string input, int receive_error, std::size_t send_limit = 0,
                 int send_error = 0)
      : memory_(std::move(input)),
        receive_error_(receive_error),
        send_limit_(send_limit),
        send_error_(send_error) {}

  bool WaitReadable(int timeout_ms) override { return memory_.WaitReadable(timeout_ms); }
  ChannelResult Receive(char* buffer, std::size_t size) override {
    if (memory_.Remaining() == 0 && receive_error_ != 0) return {-1, receive_error_};
    return memory_.Receive(buffer, size);
  }
  ChannelResult Send(const char* data, std::size_t size) override {
    if (send_error_ != 0 && sent_ + size > send_limit_) {
      if (sent_ < send_limit_) {
        std::size_t part = send_limit_ - sent_;
        sent_ += part;
        return memory_.Send(data, part);
      }
      return {-1, send_error_};
    }
    sent_ += size;
    return memory_.Send(data, size);
  }
  void Close() override { memory_.Close(); }
  const std::string& Written() const { return memory_.Written(); }

 private:
  MemoryChannel memory_;
  int receive_error_;
  std::size_t send_limit_;
  int send_error_;
  std::size_t sent_ = 0;
};

}  // namespace transport::testing
