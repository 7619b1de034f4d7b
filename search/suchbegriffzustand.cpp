// Term tracking of the search box in keyword mode.
#include "search/suchbegriffzustand.h"

#include <algorithm>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "platform/dialoge.h"
#include "platform/text.h"

namespace vxm {
namespace {

bool InListe(const std::vector<std::string>& liste, int32_t von, int32_t bis, const std::string& name) {
  for (int32_t i = std::max(von, 0); i <= bis && i < static_cast<int32_t>(liste.size()); ++i)
    if (!liste[i].empty() && GleichOhneFall(liste[i], name)) return true;
  return false;
}

// Grows a term list so that index i exists (the lists have no fixed end).
void Platz(std::vector<std::string>& liste, int32_t i) {
  if (i >= static_cast<int32_t>(liste.size())) liste.resize(static_cast<std::size_t>(i) + 1);
}

char32_t ErstesZeichen(std::string_view text) {
  std::size_t i = 0;
  return text.empty() ? 0 : Utf8Lesen(text, i);
}

char32_t LetztesZeichen(std::string_view text) { return ErstesZeichen(LetzteZeichen(text, 1)); }

// The text without its last `anzahl` characters.
std::string OhneLetzte(std::string_view text, std::size_t anzahl) {
  return std::string(text.substr(0, text.size() - LetzteZeichen(text, anzahl).size()));
}

// White space as a line edit trims it.
bool IstLeerraum(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::string Getrimmt(std::string_view text) {
  while (!text.empty() && IstLeerraum(ErstesZeichen(text))) {
    std::size_t i = 0;
    NaechstesZeichen(text, i);
    text.remove_prefix(i);
  }
  while (!text.empty() && IstLeerraum(LetztesZeichen(text))) text.remove_suffix(LetzteZeichen(text, 1).size());
  return std::string(text);
}

}  // namespace

void SuchbegriffZustand::Zuruecksetzen() {
  z_.SuchKeyAnzahl = 0;
  z_.SuchTeilLaenge = 0;
  z_.WildAnzahl = 0;
  z_.SuchTeil.clear();
  for (auto& w : z_.WildKeys) w.clear();
}

void SuchbegriffZustand::Leeren() {
  for (auto& k : z_.SuchKeys) k.clear();
  Zuruecksetzen();
}

void SuchbegriffZustand::TextGesetzt() { z_.TextWirdGesetzt = false; }

namespace {

// The box's text with ";" for a typed separator; a leading separator is
// dropped (letters and digits stay).
std::string MitSemikolon(std::string_view text) {
  std::string neu(text);
  if (!neu.empty() && !IstBuchstabeOderZiffer(ErstesZeichen(neu))) {
    std::size_t i = 0;
    NaechstesZeichen(neu, i);
    neu.erase(0, i);
  }
  return neu + ";";
}

}  // namespace

void SuchbegriffZustand::BegriffSchliessen(std::string begriff) {
  ++z_.SuchKeyAnzahl;
  Platz(z_.SuchKeys, z_.SuchKeyAnzahl);
  z_.SuchKeys[z_.SuchKeyAnzahl] = std::move(begriff);
  z_.SuchTeil.clear();
}

void SuchbegriffZustand::Rueckschritt(std::string_view text) {
  if (text.empty()) {
    Zuruecksetzen();
  } else if (z_.SuchTeilLaenge >= 1 && !z_.SuchTeil.empty()) {
    z_.SuchTeil = OhneLetzte(z_.SuchTeil, 1);
    z_.SuchTeilLaenge = static_cast<int32_t>(Zeichenzahl(z_.SuchTeil));
  } else if (z_.SuchTeil.empty() && z_.SuchKeyAnzahl > 0) {
    // The last completed term is open again; a wildcard gives back the
    // keywords it stood for.
    Platz(z_.SuchKeys, z_.SuchKeyAnzahl);
    std::string& letzter = z_.SuchKeys[z_.SuchKeyAnzahl];
    z_.SuchTeil = letzter;
    z_.SuchTeilLaenge = static_cast<int32_t>(Zeichenzahl(letzter));
    const auto stern = letzter.find('*');
    if (stern != std::string::npos) {
      const std::string praefix = letzter.substr(0, stern);
      letzter.clear();
      for (int32_t i = 0; i < z_.WildAnzahl && i < static_cast<int32_t>(z_.WildKeys.size()); ++i)
        if (!z_.WildKeys[i].empty() && BeginntMitOhneFall(z_.WildKeys[i], praefix)) {
          z_.WildKeys[i].clear();
          --z_.WildAnzahl;
        }
    }
    z_.SuchKeyAnzahl = std::max(0, z_.SuchKeyAnzahl - 1);
  }
}

SuchfeldAnzeige SuchbegriffZustand::Taste(const SuchTaste& taste, std::string_view text) {
  SuchfeldAnzeige a;
  const bool rueck = taste.art == SuchTaste::Art::Rueckschritt;
  const bool eingabe = taste.art == SuchTaste::Art::Eingabe;
  const char32_t c = rueck || eingabe ? 0 : taste.zeichen;
  // Cursor keys, modifiers and other control characters leave the terms alone.
  if (!rueck && !eingabe && (c < 32 || c == 127)) return a;
  const bool alnum = c && IstBuchstabeOderZiffer(c);
  bool semikolon = eingabe || c == U';';
  // A separator: ";" goes into the box instead and completes the term.
  if (!rueck && !eingabe && !alnum && c != U'*' && c != U';') {
    a.Text = MitSemikolon(text);
    z_.TextWirdGesetzt = true;
    semikolon = true;
    a.Verschluckt = true;  // the separator itself never reaches the box
  }
  if (rueck) {
    z_.LetztesZeichen = "\b";
  } else if (eingabe) {
    z_.LetztesZeichen = "\r";
  } else {
    z_.LetztesZeichen.clear();
    Utf8Anhaengen(c, z_.LetztesZeichen);
  }
  if (alnum) {
    z_.SuchTeil += z_.LetztesZeichen;
    ++z_.SuchTeilLaenge;
  } else if (c == U'*') {
    BegriffSchliessen(z_.SuchTeil + "*");
    z_.SuchTeilLaenge = 0;
  } else if (semikolon) {
    if (!z_.SuchTeil.empty()) BegriffSchliessen(z_.SuchTeil);
    z_.SuchTeilLaenge = 0;
  } else if (rueck) {
    Rueckschritt(text);
  }
  return a;
}

SuchfeldAnzeige SuchbegriffZustand::TextGeaendert(std::string_view text, bool schluesselModus,
                                                  const KeywordsMitAnfang& keywords) {
  SuchfeldAnzeige a;
  // Input filter of the keyword mode: a last character that can be no part
  // of a term goes at once. The name and text modes keep what was typed
  // ("*.pdf", a phrase with blanks).
  if (!text.empty() && schluesselModus) {
    const char32_t c = LetztesZeichen(text);
    if (!IstBuchstabeOderZiffer(c) && c != U';' && c != U'*') {
      a.Eingabe = OhneLetzte(text, 1);
      return a;
    }
  }
  if (!schluesselModus) {
    z_.TextWirdGesetzt = false;
    return a;
  }
  if (!z_.TextWirdGesetzt) {
    if (text.empty()) {
      a.ListeVerstecken = true;
      for (int32_t i = 1; i <= z_.SuchKeyAnzahl && i < static_cast<int32_t>(z_.SuchKeys.size()); ++i)
        z_.SuchKeys[i].clear();
      // The counts go with the entries: stale counts would search for empty
      // terms after the box was emptied.
      Zuruecksetzen();
    } else if (!z_.SuchTeil.empty() && IsAlphaNumeric(z_.SuchTeil)) {
      std::vector<std::string> vorschlaege;
      for (auto& name : keywords(z_.SuchTeil)) {
        if (InListe(z_.SuchKeys, 1, z_.SuchKeyAnzahl, name) || InListe(z_.WildKeys, 0, z_.WildAnzahl - 1, name))
          continue;
        vorschlaege.push_back(std::move(name));
      }
      a.Vorschlaege = std::move(vorschlaege);
    } else if (z_.LetztesZeichen == "*") {
      const std::string letzter = z_.SuchKeyAnzahl > 0 && z_.SuchKeyAnzahl < static_cast<int32_t>(z_.SuchKeys.size())
                                      ? z_.SuchKeys[z_.SuchKeyAnzahl]
                                      : std::string();
      for (auto& name : keywords(letzter.substr(0, letzter.find('*')))) {
        Platz(z_.WildKeys, z_.WildAnzahl);
        z_.WildKeys[z_.WildAnzahl++] = std::move(name);
      }
      a.Text = std::string(text) + ";";
      z_.TextWirdGesetzt = true;
    } else if (z_.LetztesZeichen != "\b") {
      z_.SuchTeil.clear();
      z_.SuchTeilLaenge = 0;
      a.ListeVerstecken = true;
    }
  }
  if (z_.TextWirdGesetzt) a.CaretAnsEnde = true;
  // A rewrite asked for here stays marked until it is done.
  if (!a.Text) z_.TextWirdGesetzt = false;
  return a;
}

SuchfeldAnzeige SuchbegriffZustand::VorschlagGewaehlt(const std::optional<std::string>& keyword,
                                                      std::string_view text, Dialoge& meldungen) {
  SuchfeldAnzeige a;
  if (!keyword) {
    meldungen.MsgBox(kMeldungVorschlagMarkieren, vbOKOnly, "");
    return a;
  }
  // The keyword takes the place of the open term.
  const std::string vorher = OhneLetzte(text, static_cast<std::size_t>(std::max(0, z_.SuchTeilLaenge)));
  a.ListeVerstecken = true;
  a.Text = vorher + *keyword + ";";
  z_.TextWirdGesetzt = true;
  a.CaretAnsEnde = true;
  ++z_.SuchKeyAnzahl;
  Platz(z_.SuchKeys, z_.SuchKeyAnzahl);
  z_.SuchKeys[z_.SuchKeyAnzahl] = *keyword;
  z_.SuchTeil.clear();
  z_.SuchTeilLaenge = 0;
  return a;
}

void SuchbegriffZustand::BegriffAnhaengen(const std::string& begriff) {
  if (begriff.empty() || InListe(z_.SuchKeys, 1, z_.SuchKeyAnzahl, begriff)) return;
  ++z_.SuchKeyAnzahl;
  Platz(z_.SuchKeys, z_.SuchKeyAnzahl);
  z_.SuchKeys[z_.SuchKeyAnzahl] = begriff;
}

SuchfeldAnzeige SuchbegriffZustand::AusListeGewaehlt(const std::string& keyword, std::string_view text,
                                                     bool schluesselModus) {
  SuchfeldAnzeige a;
  if (!schluesselModus) {
    a.Eingabe = text.empty() ? keyword : std::string(text) + " " + keyword;
    return a;
  }
  // In keyword mode each chosen keyword is a term of its own, as if it had
  // been typed and completed with ";": joined by a blank, two keywords would
  // be searched as one name that no keyword has. What stands in the box
  // before becomes a term first: the term being typed, or, when the text was
  // not typed term by term (pasted, an earlier choice), its ";"-separated parts.
  if (!z_.SuchTeil.empty()) {
    BegriffAnhaengen(z_.SuchTeil);
  } else if (z_.SuchKeyAnzahl == 0) {
    std::size_t anfang = 0;
    while (anfang <= text.size()) {
      const std::size_t ende = std::min(text.find(';', anfang), text.size());
      BegriffAnhaengen(Getrimmt(text.substr(anfang, ende - anfang)));
      anfang = ende + 1;
    }
  }
  z_.SuchTeil.clear();
  z_.SuchTeilLaenge = 0;
  const bool neu = !InListe(z_.SuchKeys, 1, z_.SuchKeyAnzahl, keyword);
  BegriffAnhaengen(keyword);
  std::string neuerText(text);
  if (!neuerText.empty() && neuerText.back() != ';') neuerText += ';';
  if (neu) neuerText += keyword + ";";
  a.Text = neuerText;
  z_.TextWirdGesetzt = true;
  return a;
}

}  // namespace vxm
