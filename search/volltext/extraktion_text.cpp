// Text out of markup (HTML, XML) and RTF, read leniently: whatever is not
// understood is passed over, nothing is refused.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "search/volltext/extraktion.h"
#include "search/volltext/faltung.h"

namespace vxm::volltext::auslese_intern {
namespace {

void Utf8Anhaengen(char32_t c, std::string& aus) {
  if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return;
  ::vxm::Utf8Anhaengen(c, aus);
}

struct Entitaet {
  const char* Name;
  char32_t Zeichen;
};
constexpr Entitaet kEntitaeten[] = {
    {"amp", '&'},     {"lt", '<'},       {"gt", '>'},      {"quot", '"'},    {"apos", '\''},
    {"nbsp", 0xA0},   {"auml", 0xE4},    {"ouml", 0xF6},   {"uuml", 0xFC},   {"Auml", 0xC4},
    {"Ouml", 0xD6},   {"Uuml", 0xDC},    {"szlig", 0xDF},  {"euro", 0x20AC}, {"sect", 0xA7},
    {"copy", 0xA9},   {"reg", 0xAE},     {"deg", 0xB0},    {"eacute", 0xE9}, {"egrave", 0xE8},
    {"aacute", 0xE1}, {"agrave", 0xE0},  {"ndash", 0x2013}, {"mdash", 0x2014}, {"bdquo", 0x201E},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"hellip", 0x2026},
    {"shy", 0xAD},    {"laquo", 0xAB},   {"raquo", 0xBB},  {"middot", 0xB7}, {"times", 0xD7}};

// Tags that do not break a word: text on both sides of them runs on.
bool Inline(std::string_view name) {
  static constexpr std::string_view kInline[] = {"a",     "b",   "i",    "u",     "em",  "strong",
                                                 "span",  "font", "sup", "sub",   "small", "big",
                                                 "tt",    "code", "abbr", "acronym", "mark", "q",
                                                 "s",     "strike", "var", "kbd", "samp", "cite"};
  for (auto n : kInline)
    if (name.size() == n.size() && std::equal(n.begin(), n.end(), name.begin(), [](char x, char y) {
          return x == std::tolower(static_cast<unsigned char>(y));
        }))
      return true;
  return false;
}

}  // namespace

std::string MarkupText(std::string_view s) {
  std::string aus;
  aus.reserve(s.size() / 2);
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '<') {
      if (s.compare(i, 4, "<!--") == 0) {
        const auto e = s.find("-->", i + 4);
        i = e == std::string_view::npos ? s.size() : e + 3;
        aus += ' ';
        continue;
      }
      if (s.compare(i, 9, "<![CDATA[") == 0) {
        const auto e = s.find("]]>", i + 9);
        const std::size_t ende = e == std::string_view::npos ? s.size() : e;
        aus.append(s.substr(i + 9, ende - i - 9));
        i = e == std::string_view::npos ? s.size() : e + 3;
        continue;
      }
      std::size_t n = i + 1;
      if (n < s.size() && s[n] == '/') ++n;
      std::size_t nameEnde = n;
      while (nameEnde < s.size() && (std::isalnum(static_cast<unsigned char>(s[nameEnde])) ||
                                     s[nameEnde] == ':' || s[nameEnde] == '-'))
        ++nameEnde;
      const std::string_view name = s.substr(n, nameEnde - n);
      const auto e = s.find('>', nameEnde);
      if (e == std::string_view::npos) break;
      i = e + 1;
      // Script and style bodies are code, not text.
      if (s[n - 1] != '/' && (name == "script" || name == "style" || name == "SCRIPT" || name == "STYLE")) {
        const auto schluss = s.find(name == "script" || name == "SCRIPT" ? "</" : "</", i);
        i = schluss == std::string_view::npos ? s.size() : schluss;
        continue;
      }
      if (!Inline(name)) aus += ' ';
      continue;
    }
    if (c == '&') {
      const auto e = s.find(';', i);
      if (e != std::string_view::npos && e - i <= 10) {
        const std::string_view ent = s.substr(i + 1, e - i - 1);
        char32_t z = 0;
        if (!ent.empty() && ent[0] == '#') {
          const bool hex = ent.size() > 1 && (ent[1] == 'x' || ent[1] == 'X');
          z = static_cast<char32_t>(std::strtoul(std::string(ent.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10));
        } else {
          for (const auto& en : kEntitaeten)
            if (ent == en.Name) z = en.Zeichen;
        }
        if (z) {
          Utf8Anhaengen(z, aus);
          i = e + 1;
          continue;
        }
      }
    }
    aus += c;
    ++i;
  }
  return aus;
}

namespace {

// Destinations whose group holds no text.
bool OhneText(std::string_view w) {
  for (const char* d : {"fonttbl", "colortbl", "stylesheet", "pict", "object", "themedata", "datastore", "listtable",
                        "listoverridetable", "rsidtbl", "generator", "latentstyles"})
    if (w == d) return true;
  return false;
}

// Appends what a control word stands for; false for words standing for nothing.
bool Zeichen(std::string_view w, std::string& aus) {
  if (w == "par" || w == "line" || w == "row" || w == "sect" || w == "page") aus += '\n';
  else if (w == "tab" || w == "cell" || w == "emspace" || w == "enspace") aus += ' ';
  else if (w == "emdash") aus += "\xE2\x80\x94";
  else if (w == "endash") aus += "\xE2\x80\x93";
  else if (w == "lquote" || w == "rquote") aus += '\'';
  else if (w == "ldblquote" || w == "rdblquote") aus += '"';
  else if (w == "bullet") aus += "\xE2\x80\xA2";
  else return false;
  return true;
}

class RtfLeser {
 public:
  explicit RtfLeser(std::string_view s) : s_(s) {}

  std::string Lesen() {
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (c == '{' || c == '}') {
        CpAusgeben();
        if (c == '{' && !GruppeAuf()) break;
        if (c == '}' && stapel_.size() > 1) stapel_.pop_back();
        if (c == '}') ++i_;
      } else if (c == '\\') {
        if (++i_ >= s_.size()) break;
        Steuerung();
      } else {
        if (c != '\r' && c != '\n') Byte(c);
        ++i_;
      }
    }
    CpAusgeben();
    return std::move(aus_);
  }

 private:
  struct Zustand {
    bool Ueberspringen = false;
    int Uc = 1;
  };

  void CpAusgeben() {
    if (cp_.empty()) return;
    aus_ += AlsUtf8(cp_);
    cp_.clear();
  }

  // A byte of text in the code page, unless it is a fallback of \uN.
  void Byte(char c) {
    if (auslassen_ > 0) --auslassen_;
    else if (!stapel_.back().Ueberspringen) cp_ += c;
  }

  bool GruppeAuf() {
    if (stapel_.size() > 1000) return false;  // hostile nesting
    stapel_.push_back(stapel_.back());
    ++i_;
    if (s_.compare(i_, 2, "\\*") == 0) stapel_.back().Ueberspringen = true;
    return true;
  }

  // After a backslash: \'hh, a control symbol or a control word.
  void Steuerung() {
    const char d = s_[i_];
    if (d == '\'') {
      if (i_ + 2 < s_.size())
        Byte(static_cast<char>(std::strtoul(std::string(s_.substr(i_ + 1, 2)).c_str(), nullptr, 16)));
      i_ += 3;
      return;
    }
    CpAusgeben();
    const bool ueberspringen = stapel_.back().Ueberspringen;
    if (!std::isalpha(static_cast<unsigned char>(d))) {
      // Control symbols: \\ \{ \} stand for themselves, \~ is a blank.
      if (!ueberspringen && (d == '\\' || d == '{' || d == '}')) aus_ += d;
      if (!ueberspringen && d == '~') aus_ += ' ';
      if (!ueberspringen && (d == '\n' || d == '\r')) aus_ += '\n';
      ++i_;
      return;
    }
    std::size_t e = i_;
    while (e < s_.size() && std::isalpha(static_cast<unsigned char>(s_[e]))) ++e;
    const std::string_view wort = s_.substr(i_, e - i_);
    const std::size_t zahlAnfang = e;
    if (e < s_.size() && (s_[e] == '-' || std::isdigit(static_cast<unsigned char>(s_[e])))) {
      ++e;
      while (e < s_.size() && std::isdigit(static_cast<unsigned char>(s_[e]))) ++e;
    }
    const long zahl =
        e > zahlAnfang ? std::strtol(std::string(s_.substr(zahlAnfang, e - zahlAnfang)).c_str(), nullptr, 10) : 0;
    if (e < s_.size() && s_[e] == ' ') ++e;
    i_ = e;
    Steuerwort(wort, zahl);
  }

  void Steuerwort(std::string_view wort, long zahl) {
    Zustand& z = stapel_.back();
    if (OhneText(wort)) {
      z.Ueberspringen = true;
    } else if (z.Ueberspringen || Zeichen(wort, aus_)) {
    } else if (wort == "uc") {
      z.Uc = static_cast<int>(zahl);
    } else if (wort == "u") {
      Utf8Anhaengen(static_cast<char32_t>(zahl < 0 ? zahl + 65536 : zahl), aus_);
      auslassen_ = z.Uc;
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
  std::string aus_;
  std::string cp_;  // \'hh bytes waiting to be decoded together
  std::vector<Zustand> stapel_{Zustand{}};
  int auslassen_ = 0;  // fallback characters still to skip after \uN
};

}  // namespace

// RTF: groups, control words, \'hh in the document's code page (taken as
// Windows-1252), \uN with its \ucN fallback characters; destinations marked
// with \* and the font, colour and style tables are skipped.
std::string RtfText(std::string_view s) { return RtfLeser(s).Lesen(); }

}  // namespace vxm::volltext::auslese_intern
