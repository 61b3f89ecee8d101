// Tab-separated records: splitting, joining and the seven-field index record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace store {

using Fields = std::vector<std::string>;

// Splits file text into lines; CR, LF and CR LF all end a line, and a line end after the
// last line adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Splits at every TAB: n TABs give n + 1 fields, an empty line one empty field.
Fields SplitRecord(std::string_view line);

// Joins with TAB. A TAB, CR or LF inside a field would shift the fields of the record or
// break the line, so each becomes a space.
std::string JoinRecord(const Fields& fields);

// Field positions of a folder index or sent index record.
enum FieldIndex : int {
  kKeyField = 0,
  kSubjectField = 1,
  kSenderField = 2,  // recipients in the sent index
  kDateField = 3,
  kSizeField = 4,
  kAttachmentField = 5,
  kStateField = 6,
  kRecordFieldCount = 7,
};

// State field values.
inline constexpr std::string_view kStateUnread = "1";
inline constexpr std::string_view kStateRead = "2";
inline constexpr std::string_view kStateNone = "#";  // sent index only
// Attachment flag values.
inline constexpr std::string_view kHasAttachments = "1";
inline constexpr std::string_view kNoAttachments = "2";

// Field `index` of a record line, or "" when the line has fewer fields.
std::string GetField(std::string_view line, int index);

// The line with field `index` replaced (missing fields in between are added empty).
std::string WithField(std::string_view line, int index, std::string_view value);

}  // namespace store
