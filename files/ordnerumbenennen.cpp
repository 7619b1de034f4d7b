#include "files/ordnerumbenennen.h"

#include <optional>

#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "platform/dienste.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

OrdnerUmbenennung Abgelehnt(int32_t nummer, std::string meldung, bool register_ = false) {
  OrdnerUmbenennung u;
  u.Fehlernummer = nummer;
  u.Meldung = std::move(meldung);
  u.RegisterFehler = register_;
  return u;
}

OrdnerUmbenennung Umbenannt(const std::string& neu, int64_t zeilen) {
  OrdnerUmbenennung u;
  u.Umbenannt = true;
  u.NeuerPfad = neu;
  u.Zeilen = zeilen;
  return u;
}

// Renamed, but the commit failed: the record stays and says what to do.
OrdnerUmbenennung RegisterNachAbbruch(Datenbank& db, const std::string& neu, int64_t zeilen, const VbFehler& e) {
  OrdnerUmbenennung u = Umbenannt(neu, 0);
  try {
    RegisterVorhabenAbschliessen(db);
    u.Zeilen = zeilen;
  } catch (const VbFehler& e2) {
    u.Fehlernummer = e2.Nummer;
    u.Meldung = "Der Ordner heißt jetzt " + neu + ", das Register konnte aber noch nicht nachgeführt werden (" +
                e.Beschreibung + "). Es wird beim nächsten Öffnen nachgeführt.";
  }
  return u;
}

// One try under the record v; nothing when another process's clean-up
// dropped the record before this one held the lock.
std::optional<OrdnerUmbenennung> Versuch(Datenbank& db, const Vorhaben& v) {
  const std::string& alt = v.QuellOrdner;
  const std::string& neu = v.ZielOrdner;
  bool umbenannt = false;
  int64_t zeilen = 0;
  try {
    Transaktion t(db);
    if (!VorhabenVorhanden(db, v.Nummer)) return std::nullopt;
    VbFehler fehler(0, "");
    {
      Transaktion zeilenTx(db);
      zeilen = RegisterOrdnerNachziehen(db, alt, neu);
      try {
        Dienste().Dateien->Name(alt, neu);
        umbenannt = true;
      } catch (const VbFehler& e) {
        fehler = e;  // the rows go back with zeilenTx
        if (e.Nummer == fehlernr::DateiExistiert)
          fehler.Beschreibung = "Es gibt bereits einen Ordner oder eine Datei " + neu + ".";
      }
      // A failure of the register from here on is no failed rename: the
      // record completes it (below).
      if (umbenannt) zeilenTx.Bestaetigen();
    }
    VorhabenLoeschen(db, v.Nummer);
    t.Bestaetigen();
    if (!umbenannt) return Abgelehnt(fehler.Nummer, fehler.Beschreibung);
    return Umbenannt(neu, zeilen);
  } catch (const VbFehler& e) {
    if (umbenannt) return RegisterNachAbbruch(db, neu, zeilen, e);
    VorhabenVerwerfen(db, v.Nummer);
    return Abgelehnt(e.Nummer, e.Beschreibung, true);
  }
}

}  // namespace

bool GueltigerDateiname(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) return false;
  return true;
}

OrdnerUmbenennung OrdnerUmbenennen(Datenbank& db, const std::string& ordner, const std::string& neuerName) {
  std::string alt = ordner;
  while (alt.size() > 3 && alt.back() == '\\') alt.pop_back();
  const auto strich = alt.rfind('\\');
  if (strich == std::string::npos || strich + 1 >= alt.size())
    return Abgelehnt(fehlernr::UngueltigerAufruf, "Ein Laufwerk kann nicht umbenannt werden: " + ordner);
  if (!GueltigerDateiname(neuerName))
    return Abgelehnt(fehlernr::DateinameFalsch,
                     "Der Name \"" + neuerName + "\" ist als Ordnername nicht zulässig (leer, \".\", \"..\" oder "
                     "eines der Zeichen \\ / : * ? \" < > |).");
  try {
    Dienste().Dateien->GetFolder(alt);
  } catch (const VbFehler&) {
    return Abgelehnt(fehlernr::DateiNichtGefunden, "Der Ordner " + alt + " wurde nicht gefunden.");
  }

  Vorhaben v;
  v.Art = VorhabenArt::OrdnerUmbenennen;
  v.QuellOrdner = alt;
  v.ZielOrdner = alt.substr(0, strich) + "\\" + neuerName;
  for (int versuch = 0; versuch < 3; ++versuch) {
    try {
      v.Nummer = VorhabenEintragen(db, v);
    } catch (const VbFehler& e) {
      return Abgelehnt(e.Nummer, e.Beschreibung, true);
    }
    if (auto u = Versuch(db, v)) return *u;
  }
  return Abgelehnt(fehlernr::Gesperrt,
                   "Die Datenbank " + db.Datei() + " ist durch einen anderen Vorgang gesperrt. Bitte versuchen Sie "
                   "es später noch einmal.",
                   true);
}

}  // namespace vxm
