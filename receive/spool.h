// One message fetched with RETR, kept exactly as the server sent it (lines still dot-stuffed,
// the closing "." included), so it can be parsed from there, hashed and, when the reader cannot
// make sense of it, kept whole. Ordinary mail stays in memory; a message past a few megabytes
// goes on in a temporary file, so a large attachment never has to fit in memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "transport/message.h"
#include "transport/pop3.h"

namespace receive {

class Spool {
 public:
  Spool();
  ~Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // RETR n into the spool. False, with the spool empty, when the server refused (-ERR).
  // Connection failures and time-outs raise as the client does.
  bool Fetch(transport::TIdPOP3& pop, int number);
  // The header of message n only ("TOP n 0") when the server listed TOP, else the whole
  // message as Fetch does. Whole() tells which one the spool holds.
  bool FetchHeader(transport::TIdPOP3& pop, int number);
  bool Whole() const { return whole_; }

  // Parses the spooled message into `msg` (cleared first). False when the reader raised; `msg`
  // then holds whatever the reader got to, and `error` the reader's message.
  bool Parse(transport::TIdMessage& msg, std::string& error) const;

  // The message as it came, dot-stuffing removed, each line ended with CR LF.
  std::string RawText() const;
  // Copies RawText() into a file at a native path (streamed, for large messages).
  void SaveRaw(const std::filesystem::path& destination) const;

  // A fingerprint of the message's bytes: the same message gives the same value on every fetch.
  std::uint64_t ContentHash() const { return hash_; }
  std::uint64_t Size() const { return size_; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  void Reset();
  bool FetchReply(transport::TIdPOP3& pop, const std::string& command);
  void Append(std::string_view line);
  template <typename Sink>
  void ForEachRawLine(Sink&& sink) const;

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  std::string memory_;    // the message while it is small
  bool in_file_ = false;  // the message went on in the file
  bool file_used_ = false;
  bool whole_ = true;
  std::uint64_t hash_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace receive
