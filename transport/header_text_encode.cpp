// The writer's encoded words: runs of header words that need encoding become RFC 2047 words.
#include <string>
#include <string_view>
#include <vector>

#include "jtext/base64.h"
#include "transport/header_text.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

constexpr std::size_t kMaxWordLength = 75;

bool IsWordSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool NeedsEncoding(unsigned char c, std::string_view specials) {
  return c < 32 || c >= 127 || specials.find(static_cast<char>(c)) != std::string_view::npos;
}

// Length of the encoded word "=?charset?X?payload?=" starting at `pos`, or 0 when none does.
std::size_t EncodedWordAt(std::string_view text, std::size_t pos) {
  if (text.substr(pos, 2) != "=?") return 0;
  std::size_t q1 = text.find('?', pos + 2);
  if (q1 == std::string_view::npos || q1 == pos + 2 || q1 + 2 >= text.size() ||
      text[q1 + 2] != '?') {
    return 0;
  }
  char letter = mime::AsciiUpper(text[q1 + 1]);
  if (letter != 'B' && letter != 'Q') return 0;
  std::size_t end = text.find("?=", q1 + 3);
  if (end == std::string_view::npos) return 0;
  for (std::size_t i = pos; i < end; ++i) {
    if (NeedsEncoding(static_cast<unsigned char>(text[i]), "")) return 0;
  }
  return end + 2 - pos;
}

// Appends one encoded word with `payload` (base64 or Q text already made).
class WordWriter {
 public:
  WordWriter(const HeaderCharsetSetting& setting, std::string& out)
      : prefix_("=?" + setting.charset + "?" + setting.encoding + "?"), out_(out) {}
  // Bytes of payload one B word can carry.
  std::size_t BCapacity() const { return (kMaxWordLength - prefix_.size() - 2) / 4 * 3; }
  std::size_t QCapacity() const { return kMaxWordLength - prefix_.size() - 2; }
  void B(std::string_view bytes) {
    Open();
    jtext::Base64EncodeAppend(bytes, out_);
    out_ += "?=";
  }
  void Q(std::string_view text) {
    Open();
    out_ += text;
    out_ += "?=";
  }
  // Another encoded word (or an existing one) follows: white space between two encoded words
  // is dropped by every reader, and RFC 2047 requires it.
  void Separate() {
    if (written_) out_ += ' ';
  }
  void Kept(std::string_view word) {
    Separate();
    out_ += word;
    written_ = true;
  }

 private:
  void Open() {
    Separate();
    out_ += prefix_;
    written_ = true;
  }
  std::string prefix_;
  std::string& out_;
  bool written_ = false;
};

void EncodeJisRun(std::string_view run, WordWriter& w, bool one_word) {
  // In a display name Python's reader keeps the white space between two encoded words while
  // RFC 2047 readers drop it; only a single word reads the same everywhere, so a name is one
  // word even past 75 characters.
  const std::size_t capacity = one_word ? run.size() + 6 : w.BCapacity();
  for (const auto& piece : SplitIso2022Jp(run, capacity)) w.B(piece);
}

// Single-byte charsets: words of whole bytes.
void EncodeByteRun(std::string_view run, std::string_view specials, WordWriter& w,
                   bool q_encoding) {
  if (!q_encoding) {
    for (std::size_t i = 0; i < run.size(); i += w.BCapacity()) w.B(run.substr(i, w.BCapacity()));
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string word;
  for (char ch : run) {
    unsigned char c = static_cast<unsigned char>(ch);
    std::string item;
    if (c == ' ') {
      item = "_";
    } else if (!NeedsEncoding(c, specials) && c != '?' && c != '=' && c != '_') {
      item = std::string(1, ch);
    } else {
      item = {'=', kHex[c >> 4], kHex[c & 15]};
    }
    if (!word.empty() && word.size() + item.size() > w.QCapacity()) {
      w.Q(word);
      word.clear();
    }
    word += item;
  }
  if (!word.empty()) w.Q(word);
}

// Encodes a run of words that need it; encoded words already in it stay whole.
void EncodeRun(std::string_view run, std::string_view specials, const HeaderCharsetSetting& setting,
               bool jis, bool phrase, std::string& out) {
  WordWriter w(setting, out);
  auto encode = [&](std::string_view piece) {
    if (piece.empty()) return;
    if (jis) {
      EncodeJisRun(piece, w, phrase);
    } else {
      EncodeByteRun(piece, specials, w, setting.encoding == 'Q');
    }
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i < run.size();) {
    std::size_t kept =
        (i == 0 || IsWordSeparator(run[i - 1]) || run[i - 1] != '=') ? EncodedWordAt(run, i) : 0;
    if (kept == 0) {
      ++i;
      continue;
    }
    encode(run.substr(start, i - start));
    w.Kept(run.substr(i, kept));
    i += kept;
    start = i;
  }
  encode(run.substr(start));
}

}  // namespace

std::vector<std::string> SplitIso2022Jp(std::string_view jis, std::size_t max_bytes) {
  std::vector<std::string> pieces;
  std::string piece;
  bool piece_kanji = false;
  auto flush = [&] {
    if (piece_kanji) piece += "\x1b(B";
    pieces.push_back(std::move(piece));
    piece.clear();
    piece_kanji = false;
  };
  bool kanji = false;
  for (std::size_t i = 0; i < jis.size();) {
    if (jis[i] == '\x1b' && i + 2 < jis.size()) {
      std::string_view esc = jis.substr(i + 1, 2);
      if (esc == "$B" || esc == "$@" || esc == "(B" || esc == "(J") {
        kanji = esc[0] == '$';
        i += 3;
        continue;
      }
    }
    std::string_view ch = jis.substr(i, kanji ? 2 : 1);
    i += ch.size();
    std::size_t need = piece.size() + ch.size() + (kanji != piece_kanji ? 3 : 0) + (kanji ? 3 : 0);
    if (!piece.empty() && need > max_bytes) flush();
    if (kanji != piece_kanji) {
      piece += kanji ? "\x1b$B" : "\x1b(B";
      piece_kanji = kanji;
    }
    piece += ch;
  }
  if (!piece.empty()) flush();
  return pieces;
}

std::string EncodeHeaderText(std::string_view input, std::string_view specials,
                             const HeaderCharsetSetting& setting, HeaderContext context) {
  std::string converted;
  std::string_view text = input;
  if (setting.convert_from_sjis) {
    converted = SjisToIso2022Jp(input);
    text = converted;
  }
  const bool jis = mime::EqualsIgnoringCase(setting.charset, "ISO-2022-JP");
  auto word_needs = [&](std::string_view word) {
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (std::size_t kept = EncodedWordAt(word, i); kept > 0 && i > 0) return true;
      if (NeedsEncoding(static_cast<unsigned char>(word[i]), specials)) return true;
    }
    return false;
  };
  // Splits off the next word: [from, word_start) is white space, [word_start, word_end) the
  // word.
  auto next_word = [&](std::size_t from, std::size_t& word_start, std::size_t& word_end) {
    word_start = from;
    while (word_start < text.size() && IsWordSeparator(text[word_start])) ++word_start;
    word_end = word_start;
    while (word_end < text.size() && !IsWordSeparator(text[word_end])) ++word_end;
  };
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t ws, we;
    next_word(pos, ws, we);
    if (ws == we || !word_needs(text.substr(ws, we - ws))) {
      out.append(text.substr(pos, we - pos));
      pos = we;
      continue;
    }
    out.append(text.substr(pos, ws - pos));
    std::size_t run_end = we;
    while (true) {
      std::size_t ns, ne;
      next_word(run_end, ns, ne);
      if (ns == ne || !word_needs(text.substr(ns, ne - ns))) break;
      run_end = ne;
    }
    EncodeRun(text.substr(ws, run_end - ws), specials, setting, jis,
              context == HeaderContext::kPhrase, out);
    pos = run_end;
  }
  return out;
}

}  // namespace transport
