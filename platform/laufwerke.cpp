#include "platform/laufwerke.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace fs = std::filesystem;
namespace {

char Buchstabe(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool IstLaufwerksangabe(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

void NamePruefen(const std::string& name) {
  for (char c : name) {
    auto b = static_cast<unsigned char>(c);
    if (b < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
        c == '*') {
      throw VbFehler::Standard(fehlernr::DateinameFalsch);
    }
  }
}

// Windows drops the dots and blanks a name ends in ("Akte. " is "Akte").
std::string OhneEndpunkte(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

// Splits "A\B\..\C" into names, folding "." and "..". A ".." at the drive
// root stays at the root. `rohe` receives each name as written, trailing
// dots and blanks included.
void Anhaengen(std::vector<std::string>& teile, std::vector<std::string>& rohe,
               std::string_view rest) {
  std::size_t i = 0;
  while (i <= rest.size()) {
    std::size_t j = rest.find('\\', i);
    if (j == std::string_view::npos) j = rest.size();
    std::string roh(rest.substr(i, j - i));
    i = j + 1;
    std::string name = roh;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name == "..") {
      if (!teile.empty()) {
        teile.pop_back();
        rohe.pop_back();
      }
      continue;
    }
    name = OhneEndpunkte(std::move(name));
    if (name.empty()) continue;  // "", ".", "..." and the like name the folder itself
    NamePruefen(name);
    teile.push_back(std::move(name));
    rohe.push_back(std::move(roh));
  }
}

}  // namespace

std::string AufgeloesterPfad::Windows() const {
  std::string s(1, Laufwerk);
  s += ":\\";
  for (std::size_t i = 0; i < Teile.size(); ++i) {
    if (i) s += '\\';
    s += Teile[i];
  }
  return s;
}

Laufwerkstabelle::Laufwerkstabelle() = default;

void Laufwerkstabelle::Zuordnen(char buchstabe, fs::path ordner) {
  ordner_[Buchstabe(buchstabe)] = std::move(ordner);
}

void Laufwerkstabelle::Entfernen(char buchstabe) { ordner_.erase(Buchstabe(buchstabe)); }

std::vector<char> Laufwerkstabelle::Buchstaben() const {
  std::vector<char> v;
  for (const auto& [b, _] : ordner_) v.push_back(b);
  return v;
}

std::optional<fs::path> Laufwerkstabelle::Ordner(char buchstabe) const {
  auto it = ordner_.find(Buchstabe(buchstabe));
  if (it == ordner_.end()) return std::nullopt;
  return it->second;
}

void Laufwerkstabelle::AktuellerOrdnerSetzen(std::string_view windowsPfad) {
  aktuell_ = Aufloesen(windowsPfad).Windows();
}

namespace {

// The drive and names of a path in Windows form ("\" only), from the
// current folder where it is relative; rohe keeps the names as written.
void TeileLesen(std::string_view rest, const std::string& aktuell, AufgeloesterPfad& ergebnis,
                std::vector<std::string>& rohe) {
  AufgeloesterPfad basis;
  std::vector<std::string> basisRoh;
  basis.Laufwerk = Buchstabe(aktuell[0]);
  Anhaengen(basis.Teile, basisRoh, std::string_view(aktuell).substr(2));
  bool relativ = false;
  if (IstLaufwerksangabe(rest)) {
    ergebnis.Laufwerk = Buchstabe(rest[0]);
    rest.remove_prefix(2);
    // "D:name" is relative to the current folder when that lies on D.
    relativ = (rest.empty() || rest[0] != '\\') && ergebnis.Laufwerk == basis.Laufwerk;
  } else {
    ergebnis.Laufwerk = basis.Laufwerk;
    relativ = rest[0] != '\\';
  }
  if (relativ) {
    ergebnis.Teile = basis.Teile;
    rohe = basisRoh;
  }
  Anhaengen(ergebnis.Teile, rohe, rest);
}

// The entry of the folder that a name means: the name as written when it
// exists exactly so, then the name, then its first case-blind twin.
std::optional<std::string> EintragSuchen(const fs::path& ordner, const std::string& name, const std::string& roh) {
  std::error_code ec;
  // A name ending in dots or blanks that exists exactly so was made by
  // another program of this machine; it is that entry that is meant (as
  // listed), not the one Windows would make of it.
  if (roh != name && fs::exists(fs::symlink_status(ordner / roh, ec))) return roh;
  if (fs::exists(fs::symlink_status(ordner / name, ec))) return name;
  std::optional<std::string> gefunden;
  if (fs::is_directory(ordner, ec)) {
    for (const auto& eintrag : fs::directory_iterator(ordner, ec)) {
      std::string n = eintrag.path().filename().string();
      if (GleichOhneFall(n, name) && (!gefunden || n < *gefunden)) gefunden = n;
    }
  }
  return gefunden;
}

}  // namespace

AufgeloesterPfad Laufwerkstabelle::Aufloesen(std::string_view eingabe) const {
  if (eingabe.empty()) throw VbFehler::Standard(fehlernr::UngueltigerAufruf);
  std::string p(eingabe);
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
    // Network shares are not reachable from this machine.
    throw VbFehler::Standard(fehlernr::PfadNichtGefunden);
  }
  AufgeloesterPfad ergebnis;
  std::vector<std::string> rohe;  // the names as written, beside ergebnis.Teile
  TeileLesen(p, aktuell_, ergebnis, rohe);

  auto wurzel = Ordner(ergebnis.Laufwerk);
  if (!wurzel) throw VbFehler::Standard(fehlernr::PfadNichtGefunden);
  std::error_code ec;
  if (!fs::is_directory(*wurzel, ec)) throw VbFehler::Standard(fehlernr::NichtBereit);

  ergebnis.Eingabe = ergebnis.Teile;
  fs::path host = *wurzel;
  bool vorhanden = true;
  for (std::size_t k = 0; k < ergebnis.Teile.size(); ++k) {
    auto& name = ergebnis.Teile[k];
    if (vorhanden) {
      if (const auto eintrag = EintragSuchen(host, name, rohe[k])) {
        if (*eintrag == rohe[k]) ergebnis.Eingabe[k] = rohe[k];
        name = *eintrag;
      } else {
        vorhanden = false;
      }
    }
    host /= name;
  }
  ergebnis.Host = host;
  return ergebnis;
}

Laufwerkstabelle Laufwerkstabelle::AusUmgebung() {
  Laufwerkstabelle t;
  const char* wert = std::getenv("VXM_LAUFWERKE");
  if (wert && *wert) {
    std::string_view s(wert);
    while (!s.empty()) {
      std::size_t j = s.find(';');
      std::string_view eintrag = s.substr(0, j);
      s = j == std::string_view::npos ? std::string_view{} : s.substr(j + 1);
      if (eintrag.size() >= 3 && eintrag[1] == '=' &&
          std::isalpha(static_cast<unsigned char>(eintrag[0]))) {
        t.Zuordnen(eintrag[0], fs::path(std::string(eintrag.substr(2))));
      }
    }
  }
  if (t.ordner_.empty()) {
    std::error_code ec;
    t.Zuordnen('C', fs::current_path(ec));
  }
  t.aktuell_ = std::string(1, t.ordner_.begin()->first) + ":\\";
  return t;
}

}  // namespace vxm
