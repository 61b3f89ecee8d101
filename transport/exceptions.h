// Exceptions raised by the mail transport: one family rooted in EIdException whose messages
// are the English texts the user sees in the default error box.
#pragma once

#include <stdexcept>
#include <string>

namespace transport {

// Root of every transport failure. Message() is the whole text (server replies may hold any
// byte, NUL included); what() is the same text as a C string.
class EIdException : public std::runtime_error {
 public:
  explicit EIdException(const std::string& message)
      : std::runtime_error(message), message_(message) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// Connect on a connection whose socket is open: "Already connected."
class EIdAlreadyConnected : public EIdException {
 public:
  EIdAlreadyConnected();
};

// No socket could be created: "Cannot allocate socket."
class EIdInvalidSocket : public EIdException {
 public:
  EIdInvalidSocket();
};

// A resolve, connect, send or receive error of the system. The number is the socket error
// number of the table in SocketErrorText (system errno values are mapped onto it), and the
// message is "Socket Error # <n>" CR LF <text>.
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int error_number);
  int LastError() const { return error_number_; }

 private:
  int error_number_;
};

// A read or write needs a connection and there is none: "Not Connected".
class EIdNotConnected : public EIdException {
 public:
  EIdNotConnected();
};

// Receive or send on a handler whose socket is closed: "Disconnected."
class EIdClosedSocket : public EIdException {
 public:
  EIdClosedSocket();
};

// The peer closed and no buffered data is left for the read: "Connection Closed Gracefully."
class EIdConnClosedGracefully : public EIdException {
 public:
  EIdConnClosedGracefully();
};

// A line longer than the connection's MaxLineLength: "Max line length exceeded."
class EIdReadLnMaxLineLengthExceeded : public EIdException {
 public:
  EIdReadLnMaxLineLengthExceeded();
};

// A wait for incoming data expired: "Read Timeout".
class EIdReadTimeout : public EIdException {
 public:
  EIdReadTimeout();
};

// A server reply whose code is not among the allowed ones. The message is the reply text
// (each line followed by CR LF); ReplyErrorCode is the reply's numeric code.
class EIdProtocolReplyError : public EIdException {
 public:
  EIdProtocolReplyError(int reply_code, const std::string& message)
      : EIdException(message), reply_code_(reply_code) {}
  int ReplyErrorCode() const { return reply_code_; }

 private:
  int reply_code_;
};

// A text that should hold a decimal integer does not: "'<text>' is not a valid integer value".
// This is the general conversion failure, not a transport exception.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& text)
      : std::runtime_error("'" + text + "' is not a valid integer value") {}
};

// The decimal value of `text` (optional sign, digits, surrounding blanks allowed); raises
// EConvertError otherwise.
int StrToInt(const std::string& text);

// Socket error numbers of the table the user sees (Windows-style numbering).
inline constexpr int kSocketErrorInterrupted = 10004;
inline constexpr int kSocketErrorBadFile = 10009;
inline constexpr int kSocketErrorAccess = 10013;
inline constexpr int kSocketErrorFault = 10014;
inline constexpr int kSocketErrorInvalid = 10022;
inline constexpr int kSocketErrorTooManyFiles = 10024;
inline constexpr int kSocketErrorWouldBlock = 10035;
inline constexpr int kSocketErrorInProgress = 10036;
inline constexpr int kSocketErrorAlready = 10037;
inline constexpr int kSocketErrorNotSocket = 10038;
inline constexpr int kSocketErrorDestAddrRequired = 10039;
inline constexpr int kSocketErrorMessageSize = 10040;
inline constexpr int kSocketErrorProtoType = 10041;
inline constexpr int kSocketErrorNoProtoOpt = 10042;
inline constexpr int kSocketErrorProtoNotSupported = 10043;
inline constexpr int kSocketErrorSocketNotSupported = 10044;
inline constexpr int kSocketErrorOpNotSupported = 10045;
inline constexpr int kSocketErrorPfNotSupported = 10046;
inline constexpr int kSocketErrorAfNotSupported = 10047;
inline constexpr int kSocketErrorAddrInUse = 10048;
inline constexpr int kSocketErrorAddrNotAvailable = 10049;
inline constexpr int kSocketErrorNetDown = 10050;
inline constexpr int kSocketErrorNetUnreachable = 10051;
inline constexpr int kSocketErrorNetReset = 10052;
inline constexpr int kSocketErrorConnAborted = 10053;
inline constexpr int kSocketErrorConnReset = 10054;
inline constexpr int kSocketErrorNoBufs = 10055;
inline constexpr int kSocketErrorIsConn = 10056;
inline constexpr int kSocketErrorNotConn = 10057;
inline constexpr int kSocketErrorShutdown = 10058;
inline constexpr int kSocketErrorTooManyRefs = 10059;
inline constexpr int kSocketErrorTimedOut = 10060;
inline constexpr int kSocketErrorConnRefused = 10061;
inline constexpr int kSocketErrorLoop = 10062;
inline constexpr int kSocketErrorNameTooLong = 10063;
inline constexpr int kSocketErrorHostDown = 10064;
inline constexpr int kSocketErrorHostUnreachable = 10065;
inline constexpr int kSocketErrorNotEmpty = 10066;
inline constexpr int kSocketErrorHostNotFound = 11001;

// The text shown for a socket error number; empty for numbers outside the table.
std::string SocketErrorText(int error_number);

}  // namespace transport
