// Record sets: the rows of one query, read when opened, with a current row
// that moves over them; a set over one table writes its changes at once.
#include <climits>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "platform/verbindung.h"

namespace vxm {

// --- Recordset -----------------------------------------------------------------

namespace {
struct Feldinfo {
  std::string name;      // as the query names it
  std::string tabelle;   // table of origin, when the column is a plain field
  std::string ursprung;  // field of origin
};
struct Zeile {
  std::vector<Variant> werte;
  int64_t rowid = 0;
  bool geloescht = false;
};
}  // namespace

struct Recordset::Impl {
  std::shared_ptr<Datenbank> db;
  std::string tabelle;  // changeable when not empty
  std::vector<Feldinfo> felder;
  std::vector<Zeile> zeilen;
  long pos = 0;
  int32_t anzahl = 0;
  enum class Modus { Keiner, Bearbeiten, Neu } modus = Modus::Keiner;
  std::vector<std::pair<std::string, Variant>> puffer;  // table field -> new value
  std::vector<Spalteninfo> tabellenSpalten;

  ~Impl() {
    try {
      Abbrechen();
    } catch (...) {
    }
  }

  const std::string& Datei() const { return db->Datei(); }
  Verbindung& v() const { return db->Anbindung(); }

  int Index(std::string_view name) const {
    std::string n(name);
    auto ohneKlammern = [](std::string s) {
      if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
      return s;
    };
    n = ohneKlammern(n);
    for (std::size_t i = 0; i < felder.size(); ++i)
      if (GleichOhneFall(felder[i].name, n)) return static_cast<int>(i);
    const auto punkt = n.rfind('.');
    if (punkt != std::string::npos) {
      const std::string tab = ohneKlammern(n.substr(0, punkt)), feld = ohneKlammern(n.substr(punkt + 1));
      for (std::size_t i = 0; i < felder.size(); ++i)
        if (GleichOhneFall(felder[i].tabelle, tab) &&
            (GleichOhneFall(felder[i].ursprung, feld) || GleichOhneFall(felder[i].name, feld)))
          return static_cast<int>(i);
    }
    return -1;
  }

  [[noreturn]] void FeldFehlt(std::string_view name) const {
    throw VbFehler(fehlernr::FeldFehlt, "Das Feld " + std::string(name) +
                                           " ist in dieser Datensatzgruppe nicht vorhanden.");
  }

  // The table field behind a name, for changes; empty when there is none
  // (`berechnet`: the name is a computed column of the query).
  std::string TabellenFeldSuchen(std::string_view name, bool* berechnet = nullptr) const {
    const int i = Index(name);
    if (i >= 0) {
      if (felder[i].ursprung.empty() || !GleichOhneFall(felder[i].tabelle, tabelle)) {
        if (berechnet) *berechnet = true;
        return {};
      }
      return felder[i].ursprung;
    }
    std::string n(name);
    if (n.size() >= 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
    if (const auto punkt = n.rfind('.'); punkt != std::string::npos) {
      if (!GleichOhneFall(n.substr(0, punkt), tabelle)) return {};
      n = n.substr(punkt + 1);
    }
    for (const auto& s : tabellenSpalten)
      if (GleichOhneFall(s.name, n)) return s.name;
    return {};
  }

  std::string TabellenFeld(std::string_view name) const {
    bool berechnet = false;
    std::string feld = TabellenFeldSuchen(name, &berechnet);
    if (berechnet) throw VbFehler(3164, "Das Feld " + std::string(name) + " kann nicht geändert werden.");
    if (feld.empty()) FeldFehlt(name);
    return feld;
  }

  void Aenderbar() const {
    if (tabelle.empty())
      throw VbFehler(fehlernr::SchreibgeschuetztDb,
                     "Diese Datensatzgruppe kann nicht geändert werden (Abfrage über mehrere Tabellen "
                     "oder mit Gruppierung).");
  }

  bool Gueltig() const { return pos >= 0 && pos < static_cast<long>(zeilen.size()); }

  void Aktuell() const {
    if (!Gueltig())
      throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
    if (zeilen[static_cast<std::size_t>(pos)].geloescht)
      throw VbFehler(fehlernr::DatensatzGeloescht, "Der Datensatz ist gelöscht.");
  }

  Variant* Gepuffert(const std::string& feld) {
    for (auto& [n, w] : puffer)
      if (GleichOhneFall(n, feld)) return &w;
    return nullptr;
  }

  // Reads the stored values of one row into the fields that come from the table.
  void ZeileLesen(Zeile& z) {
    std::string sql = "SELECT ";
    std::vector<std::size_t> welche;
    for (std::size_t i = 0; i < felder.size(); ++i) {
      if (felder[i].ursprung.empty() || !GleichOhneFall(felder[i].tabelle, tabelle)) continue;
      if (!welche.empty()) sql += ", ";
      sql += v().Bezeichner(felder[i].ursprung);
      welche.push_back(i);
    }
    if (welche.empty()) return;
    sql += " FROM " + v().Bezeichner(tabelle) + " WHERE " + v().ZeilenSpalte() + " = " + v().Platzhalter(1);
    Befehl& b = v().Gespeichert(sql);
    b.Zuruecksetzen();
    b.ZahlBinden(1, z.rowid);
    if (b.Schritt())
      for (std::size_t k = 0; k < welche.size(); ++k) z.werte[welche[k]] = b.Wert(static_cast<int>(k));
    b.Zuruecksetzen();
  }

  // Leaves Edit or AddNew. The transaction of AddNew only kept the new key
  // reserved; the record set itself wrote nothing in it, so it is closed
  // without rolling back what other record sets of the file did meanwhile.
  void Abbrechen() {
    const bool neu = modus == Modus::Neu;
    modus = Modus::Keiner;
    puffer.clear();
    if (neu) {
      try {
        db->Bestaetigen();
      } catch (...) {
        db->Verwerfen();
        throw;
      }
    }
  }

  void Ueberspringen(int richtung) {
    while (Gueltig() && zeilen[static_cast<std::size_t>(pos)].geloescht) pos += richtung;
  }
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

Recordset Datenbank::OpenRecordset(std::string_view sql) {
  Verbindung& v = Anbindung();
  JetAnweisung a = JetUebersetzen(sql, v.Ziel(), true, v.Katalog());
  std::unique_ptr<Befehl> st;
  try {
    st = v.Vorbereiten(a.Sql, sql);
  } catch (const VbFehler&) {
    if (!a.IstAbfrage) throw;
    // a view or a table without row id: no table order to keep, no changes
    a = JetUebersetzen(sql, v.Ziel(), false, v.Katalog());
    st = v.Vorbereiten(a.Sql, sql);
  }
  if (!a.IstAbfrage) st->Pruefen();  // a syntax error is reported as such
  if (!a.IstAbfrage || !st->NurLesend())
    throw VbFehler(3219, "Die Anweisung liefert keine Datensätze: " + std::string(sql));

  Recordset rs;
  rs.impl_ = std::make_unique<Recordset::Impl>();
  auto& r = *rs.impl_;
  r.db = Selbst();
  const int n = st->Spaltenzahl();
  int erste = 0;
  if (!a.Tabelle.empty() && n > 0 && st->Spaltenname(0) == kZeilenSpalte) {
    erste = 1;
    r.tabelle = a.Tabelle;
    r.tabellenSpalten = v.Spalten(a.Tabelle);
    if (r.tabellenSpalten.empty()) r.tabelle.clear();  // a view
  }
  // The row-id column of a server table is no field ("SELECT *" returns it).
  std::vector<int> spalten;
  for (int i = erste; i < n; ++i) {
    std::string name = st->Spaltenname(i);
    if (name == kServerZeilenSpalte) continue;
    spalten.push_back(i);
    r.felder.push_back({std::move(name), st->Herkunftstabelle(i), st->Herkunftsfeld(i)});
  }
  while (st->Schritt()) {
    Zeile z;
    if (erste) z.rowid = st->ZahlWert(0);
    z.werte.reserve(spalten.size());
    for (int i : spalten) z.werte.push_back(st->Wert(i));
    r.zeilen.push_back(std::move(z));
  }
  r.anzahl = static_cast<int32_t>(r.zeilen.size());
  return rs;
}

// A deleted row stays current until the next move, as in the host's
// "Delete, MoveNext" loops.
bool Recordset::Eof() const { return !impl_ || impl_->pos >= static_cast<long>(impl_->zeilen.size()); }
bool Recordset::Bof() const { return !impl_ || impl_->pos < 0 || impl_->zeilen.empty(); }

void Recordset::MoveFirst() {
  if (!impl_) return;
  impl_->Abbrechen();
  impl_->pos = 0;
  impl_->Ueberspringen(+1);
}

void Recordset::MoveLast() {
  if (!impl_) return;
  impl_->Abbrechen();
  impl_->pos = static_cast<long>(impl_->zeilen.size()) - 1;
  impl_->Ueberspringen(-1);
  if (impl_->pos < 0) impl_->pos = static_cast<long>(impl_->zeilen.size());  // empty: at the end
}

void Recordset::MoveNext() {
  if (Eof()) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  impl_->Abbrechen();
  ++impl_->pos;
  impl_->Ueberspringen(+1);
}

void Recordset::MovePrevious() {
  if (Bof()) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  impl_->Abbrechen();
  --impl_->pos;
  impl_->Ueberspringen(-1);
}

int32_t Recordset::RecordCount() const { return impl_ ? impl_->anzahl : 0; }

Variant Recordset::Feld(std::string_view name) const {
  if (!impl_) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  auto& r = *impl_;
  if (r.modus != Impl::Modus::Keiner) {
    const std::string feld = r.TabellenFeldSuchen(name);
    if (!feld.empty()) {
      if (const Variant* w = r.Gepuffert(feld)) return *w;
      if (r.modus == Impl::Modus::Neu) return Variant(NullWert{});
    } else if (r.modus == Impl::Modus::Neu) {
      if (r.Index(name) < 0) r.FeldFehlt(name);
      return Variant(NullWert{});
    }
  }
  const int i = r.Index(name);
  if (i < 0) r.FeldFehlt(name);
  r.Aktuell();
  return r.zeilen[static_cast<std::size_t>(r.pos)].werte[static_cast<std::size_t>(i)];
}

std::string Recordset::Text(std::string_view name) const {
  const Variant v = Feld(name);
  if (v.IstNull() || v.IstLeer()) return {};
  return AlsText(v);
}

int32_t Recordset::Zahl(std::string_view name) const {
  const Variant v = Feld(name);
  if (v.IstNull() || v.IstLeer()) return 0;
  return AlsLong(v);
}

void Recordset::FeldSetzen(std::string_view name, const Variant& wert) {
  if (!impl_ || impl_->modus == Impl::Modus::Keiner)
    throw VbFehler(fehlernr::OhneEditOderAddNew, "Ein Feld kann nur nach Edit oder AddNew gesetzt werden.");
  auto& r = *impl_;
  const std::string feld = r.TabellenFeld(name);
  if (Variant* w = r.Gepuffert(feld))
    *w = wert;
  else
    r.puffer.emplace_back(feld, wert);
}

std::vector<std::string> Recordset::Feldnamen() const {
  std::vector<std::string> aus;
  if (impl_)
    for (const auto& f : impl_->felder) aus.push_back(f.name);
  return aus;
}

void Recordset::Edit() {
  if (!impl_) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  auto& r = *impl_;
  r.Aenderbar();
  r.Abbrechen();
  r.Aktuell();
  r.modus = Impl::Modus::Bearbeiten;
}

void Recordset::AddNew() {
  if (!impl_) throw VbFehler(fehlernr::SchreibgeschuetztDb, "Keine Datensatzgruppe geöffnet.");
  auto& r = *impl_;
  r.Aenderbar();
  r.Abbrechen();
  // The new key must be known before the row is stored, and no other
  // process may take it meanwhile: the write lock is held until Update or
  // CancelUpdate.
  r.db->Beginnen();
  r.modus = Impl::Modus::Neu;
  try {
    for (const auto& s : r.tabellenSpalten) {
      if (!s.schluessel) continue;
      const int64_t neu = r.v().NaechsterSchluessel(r.tabelle);
      r.puffer.emplace_back(s.name, neu <= INT32_MAX ? Variant(static_cast<int32_t>(neu))
                                                     : Variant(static_cast<double>(neu)));
    }
  } catch (...) {
    r.Abbrechen();
    throw;
  }
}

void Recordset::Update() {
  if (!impl_ || impl_->modus == Impl::Modus::Keiner)
    throw VbFehler(fehlernr::OhneEditOderAddNew, "Update ohne Edit oder AddNew.");
  auto& r = *impl_;
  Verbindung& v = r.v();
  const std::string t = v.Bezeichner(r.tabelle);
  if (r.modus == Impl::Modus::Bearbeiten) {
    if (r.puffer.empty()) {
      r.modus = Impl::Modus::Keiner;
      return;
    }
    r.db->Schreibpruefung();
    Zeile& z = r.zeilen[static_cast<std::size_t>(r.pos)];
    std::string sql = "UPDATE " + t + " SET ";
    for (std::size_t i = 0; i < r.puffer.size(); ++i)
      sql += (i ? ", " : "") + v.Bezeichner(r.puffer[i].first) + " = " + v.Platzhalter(static_cast<int>(i + 1));
    sql += " WHERE " + v.ZeilenSpalte() + " = " + v.Platzhalter(static_cast<int>(r.puffer.size() + 1));
    auto st = v.Vorbereiten(sql, sql);
    for (std::size_t i = 0; i < r.puffer.size(); ++i) st->Binden(static_cast<int>(i + 1), r.puffer[i].second);
    st->ZahlBinden(static_cast<int>(r.puffer.size() + 1), z.rowid);
    while (st->Schritt()) {
    }
    r.modus = Impl::Modus::Keiner;
    r.puffer.clear();
    r.ZeileLesen(z);
    return;
  }
  // AddNew
  try {
    std::string spalten, werte;
    for (std::size_t i = 0; i < r.puffer.size(); ++i) {
      spalten += (i ? ", " : "") + v.Bezeichner(r.puffer[i].first);
      werte += (i ? ", " : "") + v.Platzhalter(static_cast<int>(i + 1));
    }
    const std::string sql = r.puffer.empty() ? "INSERT INTO " + t + " DEFAULT VALUES"
                                             : "INSERT INTO " + t + " (" + spalten + ") VALUES (" + werte + ")";
    auto st = v.Vorbereiten(v.MitNeuerZeile(sql), sql);
    for (std::size_t i = 0; i < r.puffer.size(); ++i) st->Binden(static_cast<int>(i + 1), r.puffer[i].second);
    st->Schritt();
    Zeile z;
    z.rowid = v.NeueZeile(*st);
    st->Zuruecksetzen();
    z.werte.assign(r.felder.size(), Variant(NullWert{}));
    r.ZeileLesen(z);
    r.db->Bestaetigen();
    r.modus = Impl::Modus::Keiner;
    r.puffer.clear();
    // The new row joins the set at its end; the current row stays.
    const bool amEnde = r.pos >= static_cast<long>(r.zeilen.size());
    r.zeilen.push_back(std::move(z));
    if (amEnde) r.pos = static_cast<long>(r.zeilen.size());
    ++r.anzahl;
  } catch (...) {
    r.Abbrechen();  // nothing of the new row is kept
    throw;
  }
}

void Recordset::CancelUpdate() {
  if (impl_) impl_->Abbrechen();
}

void Recordset::Delete() {
  if (!impl_) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  auto& r = *impl_;
  r.Aenderbar();
  r.Abbrechen();
  r.Aktuell();
  r.db->Schreibpruefung();
  Zeile& z = r.zeilen[static_cast<std::size_t>(r.pos)];
  Verbindung& v = r.v();
  Befehl& st = v.Gespeichert("DELETE FROM " + v.Bezeichner(r.tabelle) + " WHERE " + v.ZeilenSpalte() + " = " +
                             v.Platzhalter(1));
  st.Zuruecksetzen();
  st.ZahlBinden(1, z.rowid);
  st.Schritt();
  st.Zuruecksetzen();
  z.geloescht = true;
  --r.anzahl;
}


}  // namespace vxm
