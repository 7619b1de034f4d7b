// The form in which the full-text index stores and compares text: letter
// case and diacritics folded ("Müller", "MULLER" and "müller" meet; "ß" is
// "ss"), every run of white space one blank, soft hyphens and zero-width
// marks dropped, ligatures spelled out. A phrase found in the folded text
// of a file is found by the byte search in its bytes, and more besides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxm::volltext {

std::string Falten(std::string_view text);

// The same, with the byte offset in `text` where each byte of the result
// came from (one entry per result byte, plus one for the end).
std::string Falten(std::string_view text, std::vector<std::uint32_t>& herkunft);

// Finds a folded phrase in unfolded text as Falten(text).find(phrase)
// would, without folding the text: only characters whose folded form holds
// the phrase's first byte are folded further. For checking candidates of
// the index, where most text is passed over.
class Faltsucher {
 public:
  explicit Faltsucher(std::string gefaltet);
  // The first match: `von` and `bis` delimit the characters of `text`
  // whose folded forms make it up.
  bool Finden(std::string_view text, std::size_t& von, std::size_t& bis) const;
  const std::string& Phrase() const { return p_; }

 private:
  // Compares the folded text from byte i on (FaltenKern's state `blank`)
  // with the phrase from byte k on.
  bool Weiter(std::string_view text, std::size_t i, std::size_t k, bool blank, std::size_t& bis) const;
  // The next byte from i on that may start a match (n when none).
  std::size_t NaechsterAnfang(const unsigned char* d, std::size_t i, std::size_t n) const;
  std::string p_;
  bool interessant_[256] = {};  // raw bytes that may start a match
  // When at most two ASCII bytes may start one (besides every byte beyond
  // ASCII), they are looked for 16 bytes at a time.
  unsigned char anfang_[2] = {};
  bool breit_ = false;
  // Bytes that may follow such an ASCII start (both cases of the phrase's
  // second byte; white space, control and non-ASCII bytes always may).
  unsigned char folge_[2] = {};
};

// Number of characters (code points) of a folded text.
std::size_t Zeichen(std::string_view gefaltet);

// True when the folded byte at `i` of `s` is part of a word (letter, digit
// or any character beyond ASCII).
bool Wortzeichen(std::string_view s, std::size_t i);

// Text of mixed or unknown encoding as UTF-8: valid UTF-8 sequences stay,
// every other byte is read as Windows-1252.
std::string AlsUtf8(std::string_view bytes);

}  // namespace vxm::volltext
