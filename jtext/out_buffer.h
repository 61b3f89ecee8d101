// Output of the single-pass converters: a byte string written through a raw pointer that
// grows geometrically, so the hot loops pay one comparison per step and no allocation.
#pragma once

#include <cstring>
#include <string>

namespace jtext::detail {

class OutBuffer {
 public:
  explicit OutBuffer(size_t expected) {
    buf_.resize(expected < 32 ? 32 : expected);
    Rebase(0);
  }

  // Makes room for n more bytes; the returned pointer stays valid until the next call.
  unsigned char* Room(size_t n) {
    if (static_cast<size_t>(end_ - p_) < n) Grow(n);
    return p_;
  }
  // Marks the bytes written through the pointer returned by Room, up to p, as used.
  void SetEnd(unsigned char* p) { p_ = p; }

  void Append(const void* data, size_t n) {
    std::memcpy(Room(n), data, n);
    p_ += n;
  }

  std::string Take() {
    buf_.resize(static_cast<size_t>(p_ - Base()));
    return std::move(buf_);
  }

 private:
  unsigned char* Base() { return reinterpret_cast<unsigned char*>(buf_.data()); }
  void Rebase(size_t used) {
    p_ = Base() + used;
    end_ = Base() + buf_.size();
  }
  void Grow(size_t n) {
    size_t used = static_cast<size_t>(p_ - Base());
    size_t want = buf_.size() * 2;
    if (want < used + n) want = used + n;
    buf_.resize(want);
    Rebase(used);
  }

  std::string buf_;
  unsigned char* p_ = nullptr;
  unsigned char* end_ = nullptr;
};

}  // namespace jtext::detail
