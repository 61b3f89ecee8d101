// Turning a decoded attachment name into the name of a file in the attachment directory.
#pragma once

#include <string>
#include <string_view>

namespace store {

// Name used when a decoded attachment name leaves nothing to store it under.
inline constexpr std::string_view kFallbackAttachmentName = "attachment.dat";

// The clean-up of a decoded name: split like comma-separated text (commas and runs of
// bytes at or below the space; quoted pieces keep their inner text), assemble from the
// last piece back to the first keeping only pieces not already in the result, remove
// full-width spaces and TABs. The result is then made a safe file name (SafeFileName).
std::string CleanAttachmentName(std::string_view decoded);

// Makes a Shift_JIS name one plain file name of its folder: "/" and "\" (as separators,
// never a Shift_JIS trail byte) become "_", NUL and control bytes are dropped, a name of
// only dots gets `fallback`, and the name is cut at a character boundary so that its
// UTF-8 form (the file system's) fits in 255 bytes, keeping the extension.
std::string SafeFileName(std::string_view name,
                         std::string_view fallback = kFallbackAttachmentName);

}  // namespace store
