// The MIME reader: turns the lines of one message (after RETR, or from a stored file) into the
// message model. Text parts keep their bytes after transfer decoding; attachments go to
// temporary files; a message without a boundary is kept as it came.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "transport/message.h"

namespace transport {

class TIdTCPConnection;

// Where the reader takes its lines from: the bytes before each LF, one CR before the LF
// dropped, with the connection's limit on line length.
class TIdLineSource {
 public:
  virtual ~TIdLineSource() = default;
  // The next line; the view stays valid until the next call. Raises like ReadLine.
  virtual std::string_view ReadLine() = 0;
};

// Lines from a connection's line reader.
class ConnectionLineSource final : public TIdLineSource {
 public:
  explicit ConnectionLineSource(TIdTCPConnection& connection) : connection_(connection) {}
  std::string_view ReadLine() override;

 private:
  TIdTCPConnection& connection_;
  std::string line_;
};

// Lines from bytes in memory, under the same rules as the connection's line reader (a line
// over `max_line_length` bytes before its LF raises "Max line length exceeded."). With
// `as_stored_file` the bytes are followed by the end marker a stored message file gets (the
// last line is completed and a "." line follows); otherwise running out of bytes raises
// "Connection Closed Gracefully." as a closed connection would.
class MemoryLineSource final : public TIdLineSource {
 public:
  MemoryLineSource(std::string_view bytes, bool as_stored_file, std::size_t max_line_length = 16384)
      : bytes_(bytes), as_stored_file_(as_stored_file), max_line_length_(max_line_length) {}
  std::string_view ReadLine() override;

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool as_stored_file_;
  bool marker_given_ = false;
  bool empty_line_given_ = false;
  std::size_t max_line_length_;
};

// Reads header lines into msg.Headers up to an empty line or ".", then ParseHeaders. Answers
// the line that ended the header.
std::string ReadHeader(TIdMessage& msg, TIdLineSource& source);
std::string ReadHeader(TIdMessage& msg, TIdTCPConnection& connection);

// Reads the body and parts up to the `delimiter` line.
void ReadBody(TIdMessage& msg, TIdLineSource& source, std::string_view delimiter = ".");
void ReadBody(TIdMessage& msg, TIdTCPConnection& connection, std::string_view delimiter = ".");

// Fills the message's fields from msg.Headers.
void ParseHeaders(TIdMessage& msg);

// Clears `msg` and reads `bytes` as the content of a stored message file.
void LoadFromBytes(TIdMessage& msg, std::string_view bytes, bool headers_only = false);

}  // namespace transport
