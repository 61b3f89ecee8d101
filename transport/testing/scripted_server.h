// A scripted mail server for tests: listens on 127.0.0.1 (port chosen by the system), accepts
// one client in a thread and plays a transcript, failing on any byte the script did not expect.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace transport::testing {

// One step of a transcript.
struct ScriptStep {
  enum Kind {
    kSend,    // the server sends `bytes`
    kExpect,  // the client must send exactly `bytes` next
    kClose,   // the server closes the connection now (the rest of the script is unused)
    kStall,   // the server stays silent until the client sends or closes (or the guard time ends)
    kData,    // the client sends a message text ending in CR LF "." CR LF; kept for DataBlocks
  };
  Kind kind;
  std::string bytes;
};

// Parses a transcript: one step per line, "S: " (server sends) or "C: " (client sends) followed
// by the bytes with C escapes spelled out (\r \n \t \\ \xHH); "CLOSE" and "STALL" on their own
// lines; "C: <DATA>" for a message text of any content up to and including the CR LF "." CR LF
// that ends it; blank lines and lines starting with "#" are ignored. Line breaks of the script
// itself are not part of any step: every CR LF on the wire is written "\r\n".
std::vector<ScriptStep> ParseScript(const std::string& text);

class ScriptedServer {
 public:
  // Starts listening and serving at once. Each wait (accept, expected bytes, final close) gives
  // up after `guard_ms` so a broken client cannot hang the test.
  explicit ScriptedServer(std::vector<ScriptStep> steps, int guard_ms = 10000);
  explicit ScriptedServer(const std::string& script, int guard_ms = 10000)
      : ScriptedServer(ParseScript(script), guard_ms) {}
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int Port() const { return port_; }
  // Waits for the session to end (the client closes after the last step) and answers what went
  // wrong: an empty text when every step was played and the client sent nothing else.
  std::string Finish();
  // Everything the client sent.
  std::string Received();
  // The message texts matched by "C: <DATA>" steps, without the final "." CR LF.
  std::vector<std::string> DataBlocks();

 private:
  void Serve();
  void Fail(const std::string& what);

  std::vector<ScriptStep> steps_;
  int guard_ms_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::string received_;
  std::vector<std::string> data_blocks_;
  std::string failures_;
  std::thread thread_;
};

}  // namespace transport::testing
