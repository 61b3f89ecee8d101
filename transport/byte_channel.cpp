// The memory channel.
#include "transport/byte_channel.h"

#include <algorithm>
#include <cstring>

#include "transport/exceptions.h"

namespace transport {

MemoryChannel::MemoryChannel(std::string input, std::size_t max_chunk)
    : input_(std::move(input)), max_chunk_(max_chunk) {}

bool MemoryChannel::WaitReadable(int /*timeout_ms*/) {
  // Memory never makes a reader wait: data or end of stream is always at hand.
  return true;
}

ChannelResult MemoryChannel::Receive(char* buffer, std::size_t size) {
  if (closed_) return {-1, kSocketErrorShutdown};
  std::size_t n = std::min(size, input_.size() - position_);
  if (max_chunk_ > 0) n = std::min(n, max_chunk_);
  if (n > 0) std::memcpy(buffer, input_.data() + position_, n);
  position_ += n;
  return {static_cast<long>(n), 0};
}

ChannelResult MemoryChannel::Send(const char* data, std::size_t size) {
  if (closed_) return {-1, kSocketErrorShutdown};
  written_->append(data, size);
  return {static_cast<long>(size), 0};
}

void MemoryChannel::Close() { closed_ = true; }

}  // namespace transport
