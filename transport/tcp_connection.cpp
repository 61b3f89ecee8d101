// The line-oriented connection: buffered input, line and reply reading, writing, the socket
// holder and the client's connect.
#include "transport/tcp_connection.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "transport/posix_channel.h"

namespace transport {
namespace {

// Compacting the input buffer costs a move of what is left; do it only when the consumed part
// is large and outweighs the rest, so reading many short lines stays linear.
constexpr std::size_t kCompactThreshold = 64 * 1024;

bool IsLocalhostWord(const std::string& host) {
  static const char kWord[] = "LOCALHOST";
  if (host.size() != sizeof kWord - 1) return false;
  for (std::size_t i = 0; i < host.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(host[i])) != kWord[i]) return false;
  }
  return true;
}

bool ClosesSocketOnReceive(int error) {
  return error == kSocketErrorShutdown || error == kSocketErrorConnAborted;
}

bool ClosesSocketOnSend(int error) {
  return error == kSocketErrorShutdown || error == kSocketErrorConnAborted ||
         error == kSocketErrorConnReset;
}

}  // namespace

std::string StatusText(TIdStatus status, const std::string& argument) {
  switch (status) {
    case hsResolving:
      return "Resolving hostname " + argument + ".";
    case hsConnecting:
      return "Connecting to " + argument + ".";
    case hsConnected:
      return "Connected.";
    case hsDisconnecting:
      return "Disconnecting.";
    case hsDisconnected:
      return "Disconnected.";
    case hsStatusText:
      return argument;
  }
  return argument;
}

// ---- TIdSocketHandle ----

TIdSocketHandle::TIdSocketHandle() = default;
TIdSocketHandle::~TIdSocketHandle() { CloseSocket(); }

void TIdSocketHandle::AllocateSocket() {
  CloseSocket();
  auto socket = std::make_unique<PosixChannel>();
  socket_ = socket.get();
  channel_ = std::move(socket);
}

void TIdSocketHandle::Attach(std::unique_ptr<ByteChannel> channel) {
  CloseSocket();
  channel_ = std::move(channel);
}

void TIdSocketHandle::Wrap(
    const std::function<std::unique_ptr<ByteChannel>(std::unique_ptr<ByteChannel>)>& wrap) {
  if (!channel_) throw EIdClosedSocket();
  socket_ = nullptr;  // socket options no longer apply once something sits on top
  channel_ = wrap(std::move(channel_));
}

void TIdSocketHandle::Bind(const std::string& ip, int port) {
  if (socket_ != nullptr) socket_->Bind(ip, port);
}

void TIdSocketHandle::SetPeer(const std::string& ip, int port) {
  peer_ip_ = ip;
  peer_port_ = port;
}

void TIdSocketHandle::SetNagle(bool use_nagle) {
  if (socket_ != nullptr) socket_->SetNoDelay(!use_nagle);
}

void TIdSocketHandle::Connect() {
  if (socket_ != nullptr) socket_->Connect(peer_ip_, peer_port_);
}

bool TIdSocketHandle::Readable(int timeout_ms) {
  if (!channel_) throw EIdClosedSocket();
  return channel_->WaitReadable(timeout_ms);
}

ChannelResult TIdSocketHandle::Receive(char* buffer, std::size_t size) {
  if (!channel_) throw EIdClosedSocket();
  return channel_->Receive(buffer, size);
}

ChannelResult TIdSocketHandle::Send(const char* data, std::size_t size, int timeout_ms) {
  if (!channel_) throw EIdClosedSocket();
  channel_->SetSendTimeout(timeout_ms);
  return channel_->Send(data, size);
}

void TIdSocketHandle::CloseSocket() {
  if (!channel_) return;
  channel_->ShutdownSend();
  channel_->Close();
  channel_.reset();
  socket_ = nullptr;
}

// ---- TIdIOHandlerSocket ----

void TIdIOHandlerSocket::DoStatus(TIdStatus status, const std::string& argument) {
  if (OnStatus) OnStatus(status, StatusText(status, argument));
}

void TIdIOHandlerSocket::Open() { binding_.CloseSocket(); }

void TIdIOHandlerSocket::ConnectClient(const std::string& host, int port,
                                       const std::string& bound_ip, int bound_port) {
  try {
    binding_.AllocateSocket();
    binding_.Bind(bound_ip, bound_port);
    std::string ip;
    if (IsDottedIPv4(host)) {
      ip = host;
    } else {
      DoStatus(hsResolving, host);
      ip = IsLocalhostWord(host) ? "127.0.0.1" : ResolveIPv4(host);
    }
    binding_.SetPeer(ip, port);
    binding_.SetNagle(UseNagle);
    DoStatus(hsConnecting, ip);
    binding_.Connect();
  } catch (...) {
    binding_.CloseSocket();
    throw;
  }
}

void TIdIOHandlerSocket::OpenOn(std::unique_ptr<ByteChannel> channel) {
  binding_.Attach(std::move(channel));
}

bool TIdIOHandlerSocket::Readable(int timeout_ms) { return binding_.Readable(timeout_ms); }

ChannelResult TIdIOHandlerSocket::Receive(char* buffer, std::size_t size) {
  return binding_.Receive(buffer, size);
}

ChannelResult TIdIOHandlerSocket::Send(const char* data, std::size_t size, int timeout_ms) {
  return binding_.Send(data, size, timeout_ms);
}

// ---- TIdTCPConnection ----

TIdTCPConnection::TIdTCPConnection() = default;

TIdTCPConnection::~TIdTCPConnection() = default;

std::string_view TIdTCPConnection::InputBuffer() const {
  return std::string_view(input_).substr(input_start_);
}

void TIdTCPConnection::DoStatus(TIdStatus status, const std::string& argument) {
  if (OnStatus) OnStatus(status, StatusText(status, argument));
}

TIdIOHandlerSocket& TIdTCPConnection::PrepareHandler() {
  if (io_handler_ && io_handler_->Connected()) throw EIdAlreadyConnected();
  if (!io_handler_) io_handler_ = std::make_unique<TIdIOHandlerSocket>();
  io_handler_->OnStatus = OnStatus;
  io_handler_->Open();
  ResetInput();
  return *io_handler_;
}

void TIdTCPConnection::ResetInput() {
  input_.clear();
  input_start_ = 0;
  closed_gracefully_ = false;
}

void TIdTCPConnection::CloseQuietly() { io_handler_.reset(); }

void TIdTCPConnection::OpenOnChannel(std::unique_ptr<ByteChannel> channel) {
  PrepareHandler().OpenOn(std::move(channel));
}

void TIdTCPConnection::CheckForDisconnect(bool raise, bool ignore_buffer) {
  // Without a handler there never was a connection to lose; callers raise "Not Connected".
  if (!io_handler_) return;
  bool disconnected;
  if (closed_gracefully_ && io_handler_->Connected()) {
    io_handler_->Close();
    DoStatus(hsDisconnected);
    if (OnDisconnected) OnDisconnected();
    disconnected = true;
  } else {
    disconnected = !io_handler_->Connected();
  }
  if (disconnected && (InputBuffer().empty() || ignore_buffer) && raise) {
    throw EIdConnClosedGracefully();
  }
}

bool TIdTCPConnection::IsConnected() {
  CheckForDisconnect(false, false);
  return io_handler_ && io_handler_->Connected();
}

int TIdTCPConnection::ReadFromSocket(bool raise_if_disconnected, int timeout,
                                     bool raise_on_timeout) {
  if (timeout == -1) timeout = ReadTimeout;
  if (timeout == 0) timeout = -1;  // no limit
  CheckForDisconnect(raise_if_disconnected, false);
  if (!io_handler_ || !io_handler_->Connected()) {
    if (raise_if_disconnected) throw EIdNotConnected();
    return 0;
  }
  receive_buffer_.resize(static_cast<std::size_t>(std::max(RecvBufferSize, 1)));
  long received = 0;
  do {
    if (!io_handler_->Readable(timeout)) {
      if (raise_on_timeout) throw EIdReadTimeout();
      return -1;
    }
    ChannelResult result = io_handler_->Receive(receive_buffer_.data(), receive_buffer_.size());
    if (result.failed()) {
      if (!ClosesSocketOnReceive(result.error)) throw EIdSocketError(result.error);
      io_handler_->Close();
      if (InputBuffer().empty()) throw EIdSocketError(result.error);
      received = 0;
    } else {
      received = result.count;
      closed_gracefully_ = received == 0;
      input_.append(receive_buffer_.data(), static_cast<std::size_t>(received));
    }
    CheckForDisconnect(raise_if_disconnected, false);
  } while (received == 0 && io_handler_->Connected());
  return static_cast<int>(received);
}

void TIdTCPConnection::ConsumeInput(std::size_t count) {
  input_start_ += count;
  if (input_start_ >= input_.size()) {
    input_.clear();
    input_start_ = 0;
  } else if (input_start_ > kCompactThreshold && input_start_ > input_.size() / 2) {
    input_.erase(0, input_start_);
    input_start_ = 0;
  }
}

std::string TIdTCPConnection::TakeLine(std::size_t length, std::size_t terminator_length) {
  std::string line = input_.substr(input_start_, length);
  ConsumeInput(length + terminator_length);
  return line;
}

std::string TIdTCPConnection::ReadLine(const std::string& terminator, int timeout, int max_length) {
  const std::string& term = terminator.empty() ? std::string("\n") : terminator;
  if (max_length == -1) max_length = MaxLineLength;
  const auto limit = static_cast<std::size_t>(std::max(max_length, 0));
  std::size_t scan_from = 0;
  for (;;) {
    std::string_view buffer = InputBuffer();
    std::size_t found = buffer.find(term, scan_from);
    std::size_t length = found == std::string_view::npos ? buffer.size() : found;
    if (max_length > 0 && length > limit) {
      if (MaxLineAction == maException) throw EIdReadLnMaxLineLengthExceeded();
      return TakeLine(limit, 0);
    }
    if (found != std::string_view::npos) {
      std::string line = TakeLine(found, term.size());
      if (term == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    scan_from = buffer.size() >= term.size() ? buffer.size() - term.size() + 1 : 0;
    CheckForDisconnect(true, true);
    if (ReadFromSocket(true, timeout, timeout == -1) == -1) return {};
  }
}

std::string TIdTCPConnection::ReadNonBlankLine(int max_tries) {
  for (int i = 0; i < max_tries; ++i) {
    std::string line = TrimReplyLine(ReadLine());
    if (!line.empty()) return line;
  }
  return {};
}

void TIdTCPConnection::Capture(std::vector<std::string>& lines, const std::string& delimiter,
                               bool unstuff_dots) {
  for (;;) {
    std::string line = ReadLine();
    if (line == delimiter) return;
    if (unstuff_dots && line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
    lines.push_back(std::move(line));
  }
}

void TIdTCPConnection::Write(std::string_view text) {
  if (text.empty()) return;
  CheckForDisconnect(true, true);
  if (!io_handler_ || !io_handler_->Connected()) throw EIdNotConnected();
  std::size_t sent = 0;
  while (sent < text.size()) {
    ChannelResult result = io_handler_->Send(text.data() + sent, text.size() - sent, WriteTimeout);
    if (result.failed()) {
      if (ClosesSocketOnSend(result.error)) io_handler_->Close();
      throw EIdSocketError(result.error);
    }
    closed_gracefully_ = result.count == 0;
    CheckForDisconnect(true, false);
    sent += static_cast<std::size_t>(result.count);
  }
}

void TIdTCPConnection::WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  Write(line);
}

int TIdTCPConnection::ReadReply() {
  std::vector<std::string> lines;
  lines.push_back(ReadNonBlankLine());
  if (ReplyIsMultiLine(lines.front())) {
    for (;;) {
      lines.push_back(ReadNonBlankLine());
      if (ReplyIsLastLine(lines.front(), lines.back())) break;
    }
  }
  last_reply_.ParseLines(lines);
  return last_reply_.NumericCode();
}

void TIdTCPConnection::CheckReply(int code, const std::vector<int>& allowed) const {
  if (allowed.empty() || (allowed.size() == 1 && allowed.front() == -1)) return;
  if (std::find(allowed.begin(), allowed.end(), code) == allowed.end()) {
    throw EIdProtocolReplyError(code, last_reply_.JoinedText());
  }
}

int TIdTCPConnection::SendCommand(const std::string& text, const std::vector<int>& allowed) {
  // A line break inside an argument (an address or a password taken from a file) would let it
  // smuggle further commands to the server: refuse before anything is sent.
  if (text.find_first_of("\r\n") != std::string::npos) {
    throw EIdException("Line break inside a command.");
  }
  WriteLine(text);
  ReadReply();
  CheckReply(last_reply_.NumericCode(), allowed);
  return last_reply_.NumericCode();
}

void TIdTCPConnection::Disconnect() {
  bool was_open = IsConnected();
  if (was_open) {
    DoStatus(hsDisconnecting);
    io_handler_->Close();
  }
  io_handler_.reset();
  if (was_open) {
    if (OnDisconnected) OnDisconnected();
    DoStatus(hsDisconnected);
  }
}

// ---- TIdTCPClient ----

void TIdTCPClient::Connect(int /*timeout*/) {
  TIdIOHandlerSocket& handler = PrepareHandler();
  handler.ConnectClient(Host, Port, BoundIP, BoundPort);
  DoStatus(hsConnected);
  if (OnConnected) OnConnected();
}

}  // namespace transport
