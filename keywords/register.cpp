#include "keywords/register.h"

#include <algorithm>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "keywords/registerzugriff.h"
#include "keywords/serverregister.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/jetsql.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {

namespace meldung {
std::string Doppelt(const std::string& keyword, const std::string& datei) {
  return "Das Keywort " + keyword + " wurde der Datei " + datei + " bereits zugewiesen! Keine doppelten Einträge möglich";
}
std::string EntfernenFrage(const std::string& keyword, const std::string& datei) {
  return "Achtung: Wollen Sie das Keywort " + keyword + " aus der Datei " + datei + " wirklich entfernen?";
}
std::string NameVorhanden(const std::string& neu) { return "Das Keyword " + neu + " ist bereits vorhanden!"; }
std::string AlleDateienFrage(int64_t anzahl) {
  return "Wollen Sie die Änderung für ALLE Dateien, die das Keywort betreffen jetzt geltend machen?\r(insgesamt konnten " +
         std::to_string(anzahl) + " davon betroffene Dateien gefunden werden.)";
}
std::string KeywordFehlt(const std::string& keyword) {
  return "Das Keywort " + keyword + " ist nicht mehr vorhanden! Vorgang wird abgebrochen...";
}
std::string NurGrossKlein(const std::string& datei, const std::string& zwilling) {
  return "Die Datei " + datei + " unterscheidet sich von der Datei " + zwilling +
         " im selben Ordner nur in der Groß- und Kleinschreibung. Das Register hält die beiden nicht auseinander; "
         "bitte benennen Sie " + zwilling + " um.";
}
std::string NichtsVeraendert(const std::string& grund, const std::string& nichtGetan) {
  return grund + "\r\n" + nichtGetan + ", es wurde nichts verändert.";
}
}  // namespace meldung

namespace {

using sql::Abfrage;

int32_t NeuesKeyword(Datenbank& db, const std::string& name) {
  return static_cast<int32_t>(sql::Einfuegen(db, "INSERT INTO Keyword (Keyword) VALUES (?1)").Text(1, name).Ausfuehren());
}

int32_t DateiAnmelden(Datenbank& db, const AktuelleDatei& d) {
  return static_cast<int32_t>(sql::Einfuegen(db, "INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)")
                                  .Text(1, d.Name)
                                  .Text(2, d.Ordner)
                                  .Ausfuehren());
}

void Verknuepfen(Datenbank& db, int32_t datei, int32_t keyword) {
  Abfrage(db, "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)")
      .Zahl(1, datei)
      .Zahl(2, keyword)
      .Ausfuehren();
}

// Ids of every keyword whose name equals `name` (case-blind), table order.
std::vector<int32_t> GleichnamigeKeywords(Datenbank& db, const std::string& name) {
  Abfrage a(db, "SELECT KeywordID, Keyword FROM Keyword WHERE KeywordSchluessel = ?1 ORDER BY rowid");
  a.Text(1, Falten(name));
  std::vector<int32_t> ids;
  while (a.Zeile())
    if (GleichOhneFall(a.Spalte(1), name)) ids.push_back(static_cast<int32_t>(a.ZahlSpalte(0)));
  return ids;
}

// What a change of one file's keywords locks on a server (see Transaktion):
// the file by its folded name and folder, new keywords by their folded name.
std::string DateiSperre(const AktuelleDatei& d) { return "Datei\x1f" + Falten(d.Name) + "\x1f" + Falten(d.Ordner); }
std::string KeywordSperre(const std::string& name) { return "Keyword\x1f" + Falten(name); }

// Deletes the file's row when no existing keyword is linked to it any more,
// together with links that point to vanished keywords.
bool AbmeldenWennLeer(Datenbank& db, int32_t datei) {
  if (!KeywordsDerDatei(db, datei).empty()) return false;
  Abfrage(db, "DELETE FROM KeywordZwischentabelle WHERE Dateinummer = ?1").Zahl(1, datei).Ausfuehren();
  return Abfrage(db, "DELETE FROM Dateiinfo WHERE Dateinummer = ?1").Zahl(1, datei).Ausfuehren() > 0;
}

}  // namespace

int32_t DateiNummer(Datenbank& reg, const AktuelleDatei& d) { return DateiNummerDerDatei(reg, d.Name, d.Ordner); }

std::vector<std::string> KeywordsDerDateiLesen(Datenbank& reg, int32_t nr) {
  return nr == 0 ? std::vector<std::string>{} : KeywordsDerDatei(reg, nr);
}

std::vector<std::string> AlleKeywords(Datenbank& reg) {
  Abfrage a(reg, "SELECT Keyword FROM Keyword ORDER BY rowid");
  std::vector<std::string> namen;
  while (a.Zeile()) namen.emplace_back(a.Spalte(0));
  return namen;
}

namespace {

// The keywords of an input, split and its wildcards resolved; the same name
// twice (also through a wildcard) is one keyword.
std::vector<std::string> NamenDerEingabe(Datenbank& reg, const std::string& eingabe) {
  KeyZerlegen(reg, eingabe, static_cast<int32_t>(Zeichenzahl(eingabe)));
  const auto& z = Zustand();
  std::vector<std::string> namen;
  for (int32_t i = 0; i < z.KeyAnzahl && i < static_cast<int32_t>(z.KeyTeile.size()); ++i) {
    const std::string& t = z.KeyTeile[static_cast<std::size_t>(i)];
    if (t.empty()) continue;
    if (std::none_of(namen.begin(), namen.end(), [&](const std::string& n) { return GleichOhneFall(n, t); }))
      namen.push_back(t);
  }
  return namen;
}

// The register's own statements, in one transaction.
void EingebenHier(Datenbank& reg, const AktuelleDatei& datei, const std::vector<std::string>& namen,
                  const std::vector<std::string>& sperren, EingabeErgebnis& e) {
  Transaktion t(reg, sperren);
  // Known keywords are linked first, then the new ones, each in the order
  // typed: the file's list shows them in that order.
  std::vector<int32_t> ids;
  std::vector<const std::string*> neu;
  for (const auto& n : namen) {
    if (const int32_t id = KeywordIdSuchen(reg, n)) {
      ids.push_back(id);
    } else {
      neu.push_back(&n);
    }
  }
  for (const std::string* n : neu) {
    ids.push_back(NeuesKeyword(reg, *n));
    e.NeueKeywords.push_back(*n);
  }
  int32_t nr = DateiNummer(reg, datei);
  if (nr == 0) nr = DateiAnmelden(reg, datei);
  for (const int32_t id : ids) {
    if (VerknuepfungVorhanden(reg, nr, id)) {
      // The name as stored (a typed name may differ in case).
      Abfrage a(reg, "SELECT Keyword FROM Keyword WHERE KeywordID = ?1");
      a.Zahl(1, id);
      e.Doppelte.push_back(a.Zeile() ? std::string(a.Spalte(0)) : std::string());
    } else {
      Verknuepfen(reg, nr, id);
    }
  }
  t.Bestaetigen();
  e.Dateinummer = nr;
}

}  // namespace

EingabeErgebnis KeywordsEingeben(Datenbank& reg, const AktuelleDatei& datei, const std::string& eingabe) {
  EingabeErgebnis e;
  const std::vector<std::string> namen = eingabe.empty() ? std::vector<std::string>{} : NamenDerEingabe(reg, eingabe);
  // Nothing typed, separators only, or a wildcard without match and nothing else.
  if (namen.empty()) {
    e.Fehler = meldung::LeereEingabe;
    return e;
  }
  if (namen.size() > kHoechstensKeywordsJeEingabe) {
    e.Fehler = meldung::ZuVieleKeywords;
    return e;
  }
  if (const std::string z = GrossKleinZwilling(reg, datei.Name, datei.Ordner); !z.empty()) {
    e.Fehler = meldung::NurGrossKlein(datei.Name, z) + " Die Keywörter wurden nicht gespeichert.";
    return e;
  }
  std::vector<std::string> sperren{DateiSperre(datei)};
  for (const auto& n : namen) sperren.push_back(KeywordSperre(n));
  if (auto s = EingebenAufServer(reg, datei, namen, sperren)) {
    for (std::size_t i = 0; i < namen.size(); ++i)
      if (s->Neu[i]) e.NeueKeywords.push_back(namen[i]);
    e.Doppelte = std::move(s->Doppelte);
    e.Dateinummer = s->Dateinummer;
  } else {
    EingebenHier(reg, datei, namen, sperren, e);
  }
  Zustand().AktDateinummer = e.Dateinummer;
  return e;
}

ZuweisungErgebnis KeywordZuweisen(Datenbank& reg, const AktuelleDatei& datei, const std::string& keyword) {
  ZuweisungErgebnis e;
  Transaktion t(reg);
  e.Dateinummer = DateiNummer(reg, datei);
  const int32_t id = KeywordIdSuchen(reg, keyword);
  if (id == 0) {
    e.Meldung = meldung::KeywordFehlt(keyword);
    return e;
  }
  if (e.Dateinummer == 0) {
    if (const std::string z = GrossKleinZwilling(reg, datei.Name, datei.Ordner); !z.empty()) {
      e.Meldung = meldung::NurGrossKlein(datei.Name, z) + " Die Keywörter wurden nicht gespeichert.";
      return e;
    }
  }
  if (e.Dateinummer == 0) {
    e.Dateinummer = DateiAnmelden(reg, datei);
  } else if (VerknuepfungVorhanden(reg, e.Dateinummer, id)) {
    e.Meldung = meldung::BereitsZugewiesen;
    return e;
  }
  Verknuepfen(reg, e.Dateinummer, id);
  t.Bestaetigen();
  e.Angehaengt = true;
  return e;
}

EntfernenErgebnis KeywordEntfernen(Datenbank& reg, const AktuelleDatei& datei, const std::string& keyword) {
  // The rows kept for both spellings are the other file's (the server finds by name alone).
  if (!GrossKleinZwilling(reg, datei.Name, datei.Ordner).empty()) return {};
  if (auto s = EntfernenAufServer(reg, datei, keyword, {DateiSperre(datei)})) return *s;
  EntfernenErgebnis e;
  Transaktion t(reg, {DateiSperre(datei)});
  e.Dateinummer = DateiNummer(reg, datei);
  if (e.Dateinummer == 0) return e;
  const int32_t id = KeywordIdSuchen(reg, keyword);
  if (id != 0) {
    e.Entfernt = Abfrage(reg, "DELETE FROM KeywordZwischentabelle WHERE KeywordID = ?1 AND Dateinummer = ?2")
                     .Zahl(1, id)
                     .Zahl(2, e.Dateinummer)
                     .Ausfuehren() > 0;
  }
  e.Abgemeldet = AbmeldenWennLeer(reg, e.Dateinummer);
  t.Bestaetigen();
  return e;
}

std::optional<EntfernenErgebnis> KeywordEntfernenNachFrage(Datenbank& reg, const AktuelleDatei& datei,
                                                           const std::string& keyword) {
  auto& meldungen = *Dienste().Meldungen;
  if (meldungen.MsgBox(meldung::EntfernenFrage(keyword, datei.Name), vbYesNo + vbQuestion, "") != vbYes) {
    meldungen.MsgBox(meldung::Abgebrochen, vbOKOnly, "");
    return std::nullopt;
  }
  return KeywordEntfernen(reg, datei, keyword);
}

std::string UmbenennenPruefen(Datenbank& reg, const std::string& neu) {
  if (neu.empty()) return meldung::LeereEingabe;
  if (KeywordIdSuchen(reg, neu) != 0) return meldung::NameVorhanden(neu);
  return {};
}

int64_t DateienDesKeywords(Datenbank& reg, const std::string& alt) {
  const int32_t id = KeywordIdSuchen(reg, alt);
  if (id == 0) return 0;
  Abfrage a(reg, "SELECT COUNT(*) FROM KeywordZwischentabelle WHERE KeywordID = ?1");
  a.Zahl(1, id);
  return a.Zeile() ? a.ZahlSpalte(0) : 0;
}

UmbenennenErgebnis KeywordUmbenennenAlle(Datenbank& reg, const std::string& alt, const std::string& neu) {
  UmbenennenErgebnis e;
  Transaktion t(reg);
  e.Meldung = UmbenennenPruefen(reg, neu);
  if (!e.Meldung.empty()) return e;
  for (int32_t id : GleichnamigeKeywords(reg, alt)) {
    Abfrage(reg, "UPDATE Keyword SET Keyword = ?1 WHERE KeywordID = ?2").Text(1, neu).Zahl(2, id).Ausfuehren();
    e.Geaendert = true;
  }
  t.Bestaetigen();
  return e;
}

UmbenennenErgebnis KeywordUmbenennenDiese(Datenbank& reg, const AktuelleDatei& datei, const std::string& alt,
                                          const std::string& neu) {
  UmbenennenErgebnis e;
  Transaktion t(reg);
  e.Meldung = UmbenennenPruefen(reg, neu);
  if (!e.Meldung.empty()) return e;
  const int32_t altId = KeywordIdSuchen(reg, alt);
  e.Dateinummer = DateiNummer(reg, datei);
  // Without a link to move, no keyword is created (it would belong to no file).
  if (altId == 0 || e.Dateinummer == 0 || !VerknuepfungVorhanden(reg, e.Dateinummer, altId)) return e;
  const int32_t neuId = NeuesKeyword(reg, neu);
  Abfrage(reg,
          "UPDATE KeywordZwischentabelle SET KeywordID = ?1 WHERE rowid = (SELECT rowid FROM KeywordZwischentabelle "
          "WHERE KeywordID = ?2 AND Dateinummer = ?3 ORDER BY rowid LIMIT 1)")
      .Zahl(1, neuId)
      .Zahl(2, altId)
      .Zahl(3, e.Dateinummer)
      .Ausfuehren();
  t.Bestaetigen();
  e.Geaendert = true;
  return e;
}

}  // namespace vxm
