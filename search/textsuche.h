// Case-blind search for a phrase in the bytes of a file.
//
// Stores hold text in Windows-1252 (moved over from Windows) and in UTF-8,
// while the phrase comes from the window as UTF-8. A phrase is therefore
// looked for in both byte forms, each folded for letter case the way the
// host folds (ASCII letters, the Latin-1 letters such as ä/Ä, é/É, and
// š/Š, ž/Ž, œ/Œ, ÿ/Ÿ; ß has no upper case).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/suchsteuerung.h"

namespace vxm {

inline constexpr const char* kMeldungParameter = "Paramter stimmen nicht!";

// A phrase prepared for searching: its UTF-8 and its Windows-1252 byte form
// (the latter only when every character has one), each in an upper- and a
// lower-case spelling of the same length.
class Suchphrase {
 public:
  explicit Suchphrase(std::string_view text);

  bool Leer() const { return formen_.empty(); }
  // Longest byte form: how far a match may reach over a block border.
  std::size_t MaxLaenge() const { return maxLaenge_; }

  // Offset of the first match lying wholly inside [daten, daten + n), or
  // npos; `laenge` receives the byte length of that match.
  std::size_t Finden(const char* daten, std::size_t n, std::size_t* laenge = nullptr) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  struct Form {
    std::string Gross, Klein;
    bool Vollpruefung = false;  // a character whose case forms differ in more than one byte
    std::size_t I1 = 0, I2 = 0; // two positions checked first, 32 bytes at a time
    unsigned char M1 = 0, V1 = 0, M2 = 0, V2 = 0;  // (byte | M) == V accepts both cases
  };
  std::size_t FormFinden(const Form& f, const unsigned char* p, std::size_t n) const;
  bool Passt(const Form& f, const unsigned char* p) const;

  std::vector<Form> formen_;
  std::size_t maxLaenge_ = 0;
};

// 1-based position of the first case-blind occurrence of `text` in the file
// at or after the 1-based position `start`; 0 when there is none, the file
// does not exist or the text is empty (and when the search was cancelled).
std::int64_t TextInDateiSuchen(const std::string& datei, const std::string& text,
                               std::int64_t start = 1, SuchSteuerung* steuerung = nullptr);

// True when `text` occurs in the file; `zeilen` receives each line holding
// a match once, without its delimiters. A line runs from after the nearest
// `anfang` or `ende` before the match to the next `anfang` or `ende` after
// it (or the file's end). A missing file or an empty text or delimiter shows
// "Paramter stimmen nicht!" and gives false.
bool ZeilenMitText(const std::string& datei, const std::string& text,
                   std::vector<std::string>& zeilen, const std::string& anfang,
                   const std::string& ende, SuchSteuerung* steuerung = nullptr);

namespace suche_intern {
// The same searches on an open file descriptor of this machine.
std::int64_t TextInDeskriptor(int fd, const Suchphrase& phrase, std::int64_t start,
                              SuchSteuerung* steuerung);
bool ZeilenInDeskriptor(int fd, const Suchphrase& phrase, std::vector<std::string>* zeilen,
                        std::string_view anfang, std::string_view ende,
                        SuchSteuerung* steuerung);
// ... and on bytes already in memory (file systems other than this machine's).
std::int64_t TextInBytes(std::string_view bytes, const Suchphrase& phrase, std::int64_t start);
bool ZeilenInBytes(std::string_view bytes, const Suchphrase& phrase,
                   std::vector<std::string>* zeilen, std::string_view anfang,
                   std::string_view ende);
}  // namespace suche_intern

}  // namespace vxm
