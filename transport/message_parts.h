// The parts of a message: text parts and attachments (whose bytes live in a file), each with
// its own header lines, kept in order by TIdMessageParts.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transport/header_list.h"

namespace transport {

enum class TIdPartKind { kText, kAttachment };

class TIdMessagePart {
 public:
  virtual ~TIdMessagePart() = default;
  TIdMessagePart(const TIdMessagePart&) = delete;
  TIdMessagePart& operator=(const TIdMessagePart&) = delete;

  virtual TIdPartKind Kind() const = 0;

  // The part's header lines; the named values below are read from and written to them.
  TIdHeaderList Headers;
  // Lines written after the part's generated header.
  TIdHeaderList ExtraHeaders;

  std::string ContentType() const { return Headers.GetValue("Content-Type"); }
  void SetContentType(std::string_view v) { Headers.SetValue("Content-Type", v); }
  std::string ContentTransfer() const { return Headers.GetValue("Content-Transfer-Encoding"); }
  void SetContentTransfer(std::string_view v) { Headers.SetValue("Content-Transfer-Encoding", v); }
  std::string ContentID() const { return Headers.GetValue("Content-ID"); }
  void SetContentID(std::string_view v) { Headers.SetValue("Content-ID", v); }
  std::string ContentDisposition() const { return Headers.GetValue("Content-Disposition"); }
  void SetContentDisposition(std::string_view v) { Headers.SetValue("Content-Disposition", v); }

 protected:
  TIdMessagePart() = default;
};

// A text part: its body lines as received (after transfer decoding).
class TIdText : public TIdMessagePart {
 public:
  TIdPartKind Kind() const override { return TIdPartKind::kText; }
  std::vector<std::string> Body;
};

// An attachment whose bytes are in the file StoredPath.
class TIdAttachment : public TIdMessagePart {
 public:
  TIdAttachment() = default;
  // An attachment for sending: the user's file, never deleted by the part.
  explicit TIdAttachment(std::string path);
  ~TIdAttachment() override;

  TIdPartKind Kind() const override { return TIdPartKind::kAttachment; }

  std::string FileName;
  std::string StoredPath;
  // When true the file at StoredPath is removed when the part is destroyed.
  bool DeleteTempFile = false;

  // Copies the stored file to `destination`, which must not exist yet; afterwards the stored
  // file counts as temporary. Raises EIdException "Error saving attachment." on failure.
  bool SaveToFile(const std::string& destination);
};

class TIdMessageParts {
 public:
  std::size_t Count() const { return parts_.size(); }
  TIdMessagePart& operator[](std::size_t i) { return *parts_[i]; }
  const TIdMessagePart& operator[](std::size_t i) const { return *parts_[i]; }

  TIdText& AddText();
  TIdAttachment& AddAttachment(std::string path);  // for sending
  TIdMessagePart& Add(std::unique_ptr<TIdMessagePart> part);
  void Clear() { parts_.clear(); }

  // The counts the writer looks at before writing.
  std::size_t AttachmentCount() const;
  std::size_t RelatedPartCount() const;  // attachments with a Content-ID
  std::size_t TextPartCount() const;

 private:
  std::vector<std::unique_ptr<TIdMessagePart>> parts_;
};

// The last component of a path written with "/" or "\" separators.
std::string LastPathComponent(std::string_view path);

}  // namespace transport
