// Message keys (the Message-ID, or a key made from the date) and the file stems made
// from them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace store {

// "<" + date as "yyyy/mm/dd_hhnnss" + "tegamin_TKWorld>".
std::string GeneratedKey(double date);

// The key of a received message: its Message-ID when it has one; otherwise a key made
// from its date when that is at or after 1899-12-31, else from the current local time.
std::string ReceivedMessageKey(std::string_view message_id, std::optional<double> date);

// Keys compare without regard to letter case everywhere in the store.
bool SameKey(std::string_view a, std::string_view b);

// The file stem of a key: spaces removed, then < > \ / | * : " ? mapped to 0 9 8 7 6 5 _ + -.
// Whatever could still leave the folder or is no valid name (NUL and control bytes, a stem of
// "." or ".." or an empty one) is neutralised, so a stem is always one plain file name. A key
// of up to 50 bytes (spaces removed) keeps the whole mapped key; a longer one keeps its first
// 41 bytes, "~" and 8 hex digits of a fingerprint of the whole key (letter case ignored), so
// two keys that agree in their first 50 bytes never share a message file or attachment
// directory.
std::string FileStem(std::string_view key);

// The stem stores written before long keys had their own stems: the mapped key cut to 50
// bytes. PrepareFolderIndex moves such files to the current stem.
std::string LegacyFileStem(std::string_view key);

}  // namespace store
