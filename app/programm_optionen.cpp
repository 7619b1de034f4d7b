#include "app/programm_optionen.h"

#include <cctype>
#include <cstdlib>
#include <set>
#include <system_error>

#include "basis/aufrufparameter.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"

namespace vxm::programm {
namespace fs = std::filesystem;
namespace {

bool IstWindowsForm(const std::string& p) {
  return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

std::optional<int32_t> Zahl(const std::string& text) {
  // Digits only (blanks around them allowed): "7.5" would be rounded to
  // another entity's number.
  const std::size_t a = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
  if (a == std::string::npos) return std::nullopt;
  std::size_t i = text[a] == '-' || text[a] == '+' ? a + 1 : a;
  if (i > e) return std::nullopt;
  for (; i <= e; ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
  try {
    return AlsLong(Variant(text));
  } catch (const VbFehler&) {
    return std::nullopt;
  }
}

// "C=/srv/vxm;D=/mnt/daten" as VXM_LAUFWERKE writes it. Relative folders are
// taken from the working folder.
bool LaufwerkeLesen(const std::string& text, std::map<char, fs::path>& ordner, std::string& fehler) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t ende = text.find(';', start);
    if (ende == std::string::npos) ende = text.size();
    const std::string eintrag = text.substr(start, ende - start);
    start = ende + 1;
    if (eintrag.empty()) continue;
    if (eintrag.size() < 3 || eintrag[1] != '=' || !std::isalpha(static_cast<unsigned char>(eintrag[0]))) {
      fehler = "Laufwerk nicht in der Form X=ORDNER: " + eintrag;
      return false;
    }
    const char buchstabe = static_cast<char>(std::toupper(static_cast<unsigned char>(eintrag[0])));
    std::error_code ec;
    ordner[buchstabe] = fs::absolute(eintrag.substr(2), ec).lexically_normal();
  }
  if (ordner.empty()) {
    fehler = "Kein Laufwerk angegeben.";
    return false;
  }
  return true;
}

std::string LaufwerkeSchreiben(const std::map<char, fs::path>& ordner) {
  std::string text;
  for (const auto& [buchstabe, pfad] : ordner) {
    if (!text.empty()) text += ';';
    text += std::string(1, buchstabe) + "=" + pfad.string();
  }
  return text;
}

// A path of this machine on a mapped drive in its Windows form ("C:\A\B");
// the drive whose folder holds it most closely wins.
std::optional<std::string> AlsWindowsPfad(const std::map<char, fs::path>& ordner, const std::string& host) {
  std::error_code ec;
  const fs::path ziel = fs::weakly_canonical(fs::absolute(host, ec), ec);
  std::optional<std::string> bestes;
  std::size_t tiefe = 0;
  for (const auto& [buchstabe, pfad] : ordner) {
    const fs::path wurzel = fs::weakly_canonical(pfad, ec);
    const fs::path rest = ziel.lexically_relative(wurzel);
    if (rest.empty() || *rest.begin() == "..") continue;
    const auto n = static_cast<std::size_t>(std::distance(wurzel.begin(), wurzel.end()));
    if (bestes && n <= tiefe) continue;
    std::string windows = std::string(1, buchstabe) + ":";
    for (const auto& teil : rest) {
      if (teil == ".") continue;
      windows += "\\" + teil.string();
    }
    if (windows.size() == 2) windows += "\\";
    bestes = windows;
    tiefe = n;
  }
  return bestes;
}

const Werte::mapped_type* Wert(const Werte& werte, const char* schluessel) {
  const auto it = werte.find(schluessel);
  return it == werte.end() ? nullptr : &it->second;
}

}  // namespace

Befehlszeile BefehlszeileLesen(const std::vector<std::string>& argumente) {
  Befehlszeile b;
  static const std::set<std::string> mitWert = {kDatenbank, kFirmenDatenbank, kMandant,
                                                kObjekt,    kBe,              kBn};
  std::string laufwerke;
  for (std::size_t i = 0; i < argumente.size() && b.Fehler.empty(); ++i) {
    const std::string& a = argumente[i];
    if (a == "--hilfe" || a == "-h" || a == "--help") {
      b.Hilfe = true;
      continue;
    }
    if (a == "--anlegen") {
      b.Anlegen = true;
      continue;
    }
    const bool istFoto = a == "--bildschirmfoto";
    const bool istLaufwerk = a == "--laufwerk";
    const std::string name = a.rfind("--", 0) == 0 ? a.substr(2) : std::string();
    if (!istFoto && !istLaufwerk && !mitWert.count(name)) {
      b.Fehler = "Unbekannte Angabe: " + a;
      break;
    }
    if (i + 1 >= argumente.size()) {
      b.Fehler = "Wert fehlt nach " + a;
      break;
    }
    const std::string& wert = argumente[++i];
    if (istFoto) {
      b.Bildschirmfoto = wert;
    } else if (istLaufwerk) {
      laufwerke += (laufwerke.empty() ? "" : ";") + wert;
    } else if (name == kObjekt || name == kBe || name == kBn) {
      if (!Zahl(wert)) {
        b.Fehler = "Keine ganze Zahl nach " + a;
        b.Fehler += ": " + wert;
      }
      b.Angaben[name] = wert;
    } else if (wert.empty()) {
      b.Fehler = "Leerer Wert nach " + a;
    } else {
      b.Angaben[name] = wert;
    }
  }
  if (b.Fehler.empty() && !laufwerke.empty()) {
    std::map<char, fs::path> ordner;
    if (LaufwerkeLesen(laufwerke, ordner, b.Fehler)) b.Angaben[kLaufwerke] = LaufwerkeSchreiben(ordner);
  }
  return b;
}

std::string Hilfetext() {
  return R"(Aufruf: vxmdorvex [OPTIONEN]

Öffnet die Dokumentenverwaltung vxmDorvex ohne die Hausverwaltung: das
Programm ruft die Komponente selbst mit ihrem Parameterfeld auf und zeigt
die Ablage des gewählten Mandanten, Objekts, der Bestandseinheit oder des
Bestandnehmers. Jede angegebene Option bleibt in den Einstellungen des
Benutzers (~/.config/VXM/vxmdorvex.conf) und gilt bei den nächsten Starts,
bis sie wieder angegeben wird.

Datenbanken und Ablage (Feld des Parameterfelds in Klammern):
  --datenbank DATEI         Datenbank der Hausverwaltung mit Objekten,
                            Bestandseinheiten und Bestandnehmern (Feld 0);
                            neben ihr liegt das Keyword-Register vxmdok.mdb.
                            Vorgabe: C:\VXM\VXMDAT\vxmdaten.mdb
  --firmendatenbank DATEI   Datenbank mit dem Firmenstamm AllgFirmenDaten
                            (Feld 1). Vorgabe: C:\VXM\VXMDAT\firma.mdb
  --mandant NAME            Ordner des Mandanten unter VXMDOK (Feld 3).
                            Vorgabe: 1
  --objekt N                Objektnummer (Feld 70; 0 = kein Objekt: der
                            Ordner des Mandanten wird gezeigt). Vorgabe: 0
  --be N                    Nummer der Bestandseinheit (Feld 71; 0 = keine)
  --bn N                    Nummer des Bestandnehmers (Feld 72; 0 = keiner)
  --laufwerk X=ORDNER       Ordner dieses Rechners hinter Laufwerk X:, auch
                            mehrmals (ersetzt die behaltenen Laufwerke).
                            Vorgabe: VXM_LAUFWERKE, sonst die eigene Ablage.

Dateien werden in Windows-Form (C:\VXM\VXMDAT\vxmdaten.mdb) oder als Pfad
dieses Rechners auf einem der Laufwerke angegeben.

Weitere Optionen:
  --anlegen                 fehlende Datenbanken leer anlegen (Hausverwaltung,
                            Firmenstamm, Keyword-Register); vorhandene
                            bleiben unberührt
  --bildschirmfoto DATEI.png
                            das Fenster ohne Anzeige öffnen, als Bild
                            speichern und wieder schließen
  --hilfe                   diese Hilfe

Ohne Datenbanken und Laufwerke arbeitet das Programm mit seiner eigenen
Ablage: Laufwerk C: ist ~/.local/share/vxmdorvex/laufwerk-c; ihre
Datenbanken werden beim ersten Start leer angelegt.

Exit-Status: 0 in Ordnung, 1 Fehler beim Anlegen oder beim Bild, 2 falscher
Aufruf oder fehlende Datenbank, 3 keine Anzeige.
)";
}

std::vector<Variant> Start::Parameter() const {
  std::vector<Variant> info(kParameterAnzahl);
  info[slot::Datenbank] = Variant(Datenbank);
  info[slot::FirmenDatenbank] = Variant(FirmenDatenbank);
  info[slot::Mandant] = Variant(Mandant);
  info[slot::Verbindung] = Variant("Access 2000;");
  info[slot::Objekt] = Variant(Objekt);
  info[slot::Bestandseinheit] = Variant(Be);
  info[slot::Bestandnehmer] = Variant(Bn);
  return info;
}

std::string Start::DatenOrdner() const {
  const auto schnitt = Datenbank.rfind('\\');
  std::string ordner = schnitt == std::string::npos ? Datenbank : Datenbank.substr(0, schnitt);
  if (ordner.size() == 2) ordner += '\\';  // the root of a drive keeps its backslash
  return ordner;
}

std::string Start::Register() const {
  const auto schnitt = Datenbank.rfind('\\');
  return (schnitt == std::string::npos ? std::string() : Datenbank.substr(0, schnitt + 1)) + "vxmdok.mdb";
}

std::string Start::Wurzel() const {
  std::string ordner = DatenOrdner();
  if (!ordner.empty() && ordner.back() == '\\') ordner.pop_back();
  const auto schnitt = ordner.rfind('\\');
  return (schnitt == std::string::npos ? ordner : ordner.substr(0, schnitt)) + "\\VXMDOK";
}

std::optional<Start> StartErmitteln(const Befehlszeile& aufruf, const Werte& behalten,
                                    const fs::path& eigenerOrdner, std::string& fehler) {
  const Werte werte = ZuBehalten(behalten, aufruf.Angaben);
  Start s;

  // The drive table: given or kept, else the environment, else the own store.
  std::map<char, fs::path> ordner;
  const char* umgebung = std::getenv("VXM_LAUFWERKE");
  if (const auto* text = Wert(werte, kLaufwerke)) {
    if (!LaufwerkeLesen(*text, ordner, fehler)) return std::nullopt;
  } else if (umgebung && *umgebung) {
    if (!LaufwerkeLesen(umgebung, ordner, fehler)) {
      fehler = "VXM_LAUFWERKE: " + fehler;
      return std::nullopt;
    }
  } else {
    ordner['C'] = eigenerOrdner;
    s.EigeneAblage = !Wert(werte, kDatenbank) && !Wert(werte, kFirmenDatenbank);
  }
  for (const auto& [buchstabe, pfad] : ordner) {
    std::error_code ec;
    if (s.EigeneAblage) fs::create_directories(pfad, ec);
    if (!fs::is_directory(pfad, ec)) {
      fehler = std::string("Ordner für Laufwerk ") + buchstabe + ": nicht gefunden: " + pfad.string();
      return std::nullopt;
    }
    s.Laufwerke.Zuordnen(buchstabe, pfad);
  }
  s.LaufwerkeText = LaufwerkeSchreiben(ordner);
  s.Laufwerke.AktuellerOrdnerSetzen(std::string(1, ordner.begin()->first) + ":\\");

  // The databases, in Windows form on a mapped drive.
  const auto datei = [&](const char* schluessel, const char* vorgabe, std::string& ziel) {
    const auto* wert = Wert(werte, schluessel);
    std::string pfad = wert ? *wert : vorgabe;
    if (!IstWindowsForm(pfad)) {
      const auto windows = AlsWindowsPfad(ordner, pfad);
      if (!windows) {
        fehler = pfad + " liegt auf keinem Laufwerk (--laufwerk X=ORDNER ordnet einen Ordner zu).";
        return false;
      }
      pfad = *windows;
    }
    try {
      ziel = s.Laufwerke.Aufloesen(pfad).Windows();
    } catch (const VbFehler&) {
      fehler = pfad.size() >= 2 && !s.Laufwerke.Ordner(pfad[0])
                   ? "Laufwerk " + pfad.substr(0, 2) + " ist keinem Ordner zugeordnet (--laufwerk " +
                         pfad.substr(0, 1) + "=ORDNER): " + pfad
                   : "Ungültiger Dateiname: " + pfad;
      return false;
    }
    if (ziel.size() <= 3) {
      fehler = "Keine Datei angegeben: " + pfad;
      return false;
    }
    return true;
  };
  if (!datei(kDatenbank, kStandardDatenbank, s.Datenbank)) return std::nullopt;
  if (!datei(kFirmenDatenbank, kStandardFirmenDatenbank, s.FirmenDatenbank)) return std::nullopt;

  const auto* mandant = Wert(werte, kMandant);
  s.Mandant = mandant ? *mandant : kStandardMandant;
  // One folder below VXMDOK: a path would lead beside or above the store.
  if (s.Mandant == "." || s.Mandant == ".." || s.Mandant.find_first_of("\\/:") != std::string::npos) {
    fehler = "Kein gültiger Ordnername für --mandant: " + s.Mandant;
    return std::nullopt;
  }
  for (auto [schluessel, ziel] : {std::pair{kObjekt, &s.Objekt}, {kBe, &s.Be}, {kBn, &s.Bn}}) {
    const auto* wert = Wert(werte, schluessel);
    if (!wert) continue;
    const auto zahl = Zahl(*wert);
    if (!zahl) {
      fehler = std::string("Keine ganze Zahl für --") + schluessel + ": " + *wert;
      return std::nullopt;
    }
    *ziel = *zahl;
  }
  return s;
}

Werte ZuBehalten(const Werte& behalten, const Werte& angaben) {
  Werte werte = behalten;
  for (const auto& [schluessel, wert] : angaben) werte[schluessel] = wert;
  return werte;
}

std::vector<Datenbankdatei> FehlendeDatenbanken(const Start& start) {
  std::vector<Datenbankdatei> fehlend;
  const std::pair<Datenbankdatei::Art, std::string> dateien[] = {
      {Datenbankdatei::Art::Hostdaten, start.Datenbank},
      {Datenbankdatei::Art::Firmendaten, start.FirmenDatenbank},
      {Datenbankdatei::Art::Register, start.Register()},
  };
  for (const auto& [art, windows] : dateien) {
    const fs::path host = start.Laufwerke.Aufloesen(windows).Host;
    std::error_code ec;
    if (fs::exists(host, ec)) continue;
    // one file named twice (company data in the host database) is made once
    bool schonDa = false;
    for (const auto& d : fehlend) schonDa = schonDa || d.Host == host;
    if (!schonDa) fehlend.push_back({art, windows, host});
  }
  return fehlend;
}

void DatenbankenAnlegen(const std::vector<Datenbankdatei>& dateien) {
  for (const auto& d : dateien) {
    std::error_code ec;
    fs::create_directories(d.Host.parent_path(), ec);
    if (ec)
      throw VbFehler(fehlernr::PfadNichtGefunden,
                     "Ordner " + d.Host.parent_path().string() + " konnte nicht angelegt werden (" + ec.message() + ").");
    const std::string host = d.Host.string();
    switch (d.Inhalt) {
      case Datenbankdatei::Art::Hostdaten:
        HostdatenAnlegen(host);
        break;
      case Datenbankdatei::Art::Register:
        RegisterAnlegen(host);
        break;
      case Datenbankdatei::Art::Firmendaten:
        FirmendatenAnlegen(host);
        try {
          // the document path is read from and written to the first row
          DatenbankOeffnenHost(d.Host)->Execute(
              "INSERT INTO AllgFirmenDaten (FirmenNr, VXMDOKPfad) VALUES (1, \"\")");
        } catch (...) {
          for (const char* endung : {"", "-wal", "-shm", "-journal"}) fs::remove(host + endung, ec);
          throw;
        }
        break;
    }
  }
}

void WurzelAnlegen(const Start& start) {
  std::error_code ec;
  const fs::path host = start.Laufwerke.Aufloesen(start.Wurzel()).Host;
  fs::create_directories(host, ec);
  if (ec)
    throw VbFehler(fehlernr::PfadNichtGefunden,
                   "Ordner " + host.string() + " konnte nicht angelegt werden (" + ec.message() + ").");
}

std::string FehlendeMelden(const std::vector<Datenbankdatei>& dateien) {
  std::string text = dateien.size() == 1 ? "Datenbank nicht gefunden:" : "Datenbanken nicht gefunden:";
  for (const auto& d : dateien) text += "\n  " + d.Windows + " (" + d.Host.string() + ")";
  text += "\nMit --anlegen werden fehlende Datenbanken leer angelegt.";
  return text;
}

}  // namespace vxm::programm
