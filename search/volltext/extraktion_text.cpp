// Text out of markup (HTML, XML) and RTF, read leniently: whatever is not
// understood is passed over, nothing is refused.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

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

// RTF: groups, control words, \'hh in the document's code page (taken as
// Windows-1252), \uN with its \ucN fallback characters; destinations marked
// with \* and the font, colour and style tables are skipped.
std::string RtfText(std::string_view s) {
  std::string aus;
  struct Zustand {
    bool Ueberspringen = false;
    int Uc = 1;
  };
  std::vector<Zustand> stapel{Zustand{}};
  int auslassen = 0;  // fallback characters still to skip after \uN
  std::string cp;     // \'hh bytes waiting to be decoded together
  auto cpAusgeben = [&] {
    if (!cp.empty()) {
      aus += AlsUtf8(cp);
      cp.clear();
    }
  };
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    Zustand& z = stapel.back();
    if (c == '{') {
      cpAusgeben();
      if (stapel.size() > 1000) break;  // hostile nesting
      stapel.push_back(z);
      ++i;
      if (s.compare(i, 2, "\\*") == 0) stapel.back().Ueberspringen = true;
      continue;
    }
    if (c == '}') {
      cpAusgeben();
      if (stapel.size() > 1) stapel.pop_back();
      ++i;
      continue;
    }
    if (c == '\\') {
      ++i;
      if (i >= s.size()) break;
      const char d = s[i];
      if (d == '\'') {
        if (i + 2 < s.size()) {
          const unsigned long b = std::strtoul(std::string(s.substr(i + 1, 2)).c_str(), nullptr, 16);
          if (auslassen > 0) {
            --auslassen;
          } else if (!z.Ueberspringen) {
            cp += static_cast<char>(b);
          }
        }
        i += 3;
        continue;
      }
      cpAusgeben();
      if (!std::isalpha(static_cast<unsigned char>(d))) {
        // Control symbols: \\ \{ \} stand for themselves, \~ is a blank.
        if (!z.Ueberspringen && (d == '\\' || d == '{' || d == '}')) aus += d;
        if (!z.Ueberspringen && d == '~') aus += ' ';
        if (!z.Ueberspringen && (d == '\n' || d == '\r')) aus += '\n';
        ++i;
        continue;
      }
      std::size_t e = i;
      while (e < s.size() && std::isalpha(static_cast<unsigned char>(s[e]))) ++e;
      const std::string_view wort = s.substr(i, e - i);
      std::size_t zahlAnfang = e;
      if (e < s.size() && (s[e] == '-' || std::isdigit(static_cast<unsigned char>(s[e])))) {
        ++e;
        while (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) ++e;
      }
      const long zahl = e > zahlAnfang ? std::strtol(std::string(s.substr(zahlAnfang, e - zahlAnfang)).c_str(), nullptr, 10) : 0;
      if (e < s.size() && s[e] == ' ') ++e;
      i = e;
      if (wort == "fonttbl" || wort == "colortbl" || wort == "stylesheet" || wort == "pict" ||
          wort == "object" || wort == "themedata" || wort == "datastore" || wort == "listtable" ||
          wort == "listoverridetable" || wort == "rsidtbl" || wort == "generator" || wort == "latentstyles") {
        z.Ueberspringen = true;
      } else if (z.Ueberspringen) {
      } else if (wort == "par" || wort == "line" || wort == "row" || wort == "sect" || wort == "page") {
        aus += '\n';
      } else if (wort == "tab" || wort == "cell" || wort == "emspace" || wort == "enspace") {
        aus += ' ';
      } else if (wort == "uc") {
        z.Uc = static_cast<int>(zahl);
      } else if (wort == "u") {
        Utf8Anhaengen(static_cast<char32_t>(zahl < 0 ? zahl + 65536 : zahl), aus);
        auslassen = z.Uc;
      } else if (wort == "emdash") {
        aus += "\xE2\x80\x94";
      } else if (wort == "endash") {
        aus += "\xE2\x80\x93";
      } else if (wort == "lquote" || wort == "rquote") {
        aus += '\'';
      } else if (wort == "ldblquote" || wort == "rdblquote") {
        aus += '"';
      } else if (wort == "bullet") {
        aus += "\xE2\x80\xA2";
      }
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (auslassen > 0) {
      --auslassen;
    } else if (!z.Ueberspringen) {
      cp += c;
    }
    ++i;
  }
  cpAusgeben();
  return aus;
}

}  // namespace vxm::volltext::auslese_intern
