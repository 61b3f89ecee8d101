// Attachment file names.
#include "store/attachment_name.h"

#include <vector>

#include "platform/codepage.h"

namespace store {
namespace {

constexpr size_t kMaxNameBytes = 255;  // the file system's limit, in UTF-8
constexpr size_t kMaxExtensionBytes = 64;

bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Length of the character at s[i]: 2 for a lead byte with a valid trail byte, else 1.
size_t CharLength(std::string_view s, size_t i) {
  if (platform::IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
      IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
    return 2;
  }
  return 1;
}

// Pieces the way comma-separated text is split: commas and runs of blanks separate
// them, a double-quoted piece keeps its inner text ("" inside stands for one quote).
// A NUL ends the text.
std::vector<std::string> CommaPieces(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> pieces;
  size_t p = 0;
  auto skip_blanks = [&] {
    while (p < text.size() && IsBlank(text[p])) ++p;
  };
  skip_blanks();
  while (p < text.size()) {
    std::string piece;
    if (text[p] == '"') {
      ++p;
      while (p < text.size()) {
        if (text[p] == '"') {
          if (p + 1 < text.size() && text[p + 1] == '"') {
            piece.push_back('"');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        size_t n = CharLength(text, p);
        piece.append(text.substr(p, n));
        p += n;
      }
    } else {
      while (p < text.size() && !IsBlank(text[p]) && text[p] != ',') {
        size_t n = CharLength(text, p);
        piece.append(text.substr(p, n));
        p += n;
      }
    }
    pieces.push_back(std::move(piece));
    skip_blanks();
    if (p < text.size() && text[p] == ',') {
      ++p;
      skip_blanks();
    }
  }
  return pieces;
}

std::string RemoveWideSpacesAndTabs(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLength(s, i);
    bool wide_space = n == 2 && s[i] == '\x81' && s[i + 1] == '\x40';
    if (!wide_space && s[i] != '\t') out.append(s.substr(i, n));
    i += n;
  }
  return out;
}

size_t Utf8Length(std::string_view sjis) { return platform::Cp932ToUtf8(sjis).size(); }

// Cuts `stem` at a character boundary so that its UTF-8 form takes at most `limit` bytes.
std::string CutToUtf8Bytes(std::string_view stem, size_t limit) {
  size_t used = 0;
  size_t end = 0;
  while (end < stem.size()) {
    size_t n = CharLength(stem, end);
    size_t bytes = Utf8Length(stem.substr(end, n));
    if (used + bytes > limit) break;
    used += bytes;
    end += n;
  }
  return std::string(stem.substr(0, end));
}

}  // namespace

std::string CleanAttachmentName(std::string_view decoded) {
  std::vector<std::string> pieces = CommaPieces(decoded);
  std::string name;
  if (!pieces.empty()) {
    name = pieces.back();
    for (size_t i = pieces.size() - 1; i-- > 0;) {
      const std::string& piece = pieces[i];
      // An empty piece occurs nowhere and adds nothing.
      if (piece.empty() || name.find(piece) == std::string::npos) name = piece + name;
    }
  }
  return SafeFileName(RemoveWideSpacesAndTabs(name));
}

std::string SafeFileName(std::string_view name, std::string_view fallback) {
  std::string clean;
  for (size_t i = 0; i < name.size();) {
    size_t n = CharLength(name, i);
    unsigned char b = static_cast<unsigned char>(name[i]);
    if (n == 2) {
      clean.append(name.substr(i, 2));  // a trail byte 0x5C here is part of the character
    } else if (b == '/' || b == '\\') {
      clean.push_back('_');
    } else if (b < 0x20 || b == 0x7F) {
      // NUL and control bytes cannot stand in a file name.
    } else if (platform::IsSjisLeadByte(b)) {
      clean.push_back('_');  // a lead byte without its trail byte
    } else {
      clean.push_back(static_cast<char>(b));
    }
    i += n;
  }
  if (clean.find_first_not_of('.') == std::string::npos) return std::string(fallback);
  if (Utf8Length(clean) <= kMaxNameBytes) return clean;

  std::string extension;
  size_t dot = clean.rfind('.');
  if (dot != std::string::npos && dot > 0 &&
      Utf8Length(std::string_view(clean).substr(dot)) <= kMaxExtensionBytes) {
    extension = clean.substr(dot);
    clean.resize(dot);
  }
  std::string cut = CutToUtf8Bytes(clean, kMaxNameBytes - Utf8Length(extension)) + extension;
  if (cut.find_first_not_of('.') == std::string::npos) return std::string(fallback);
  return cut;
}

}  // namespace store
