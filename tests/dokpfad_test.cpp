// The document path at start-up: company record, the user's settings and the
// host data folder, without a window.
#include "component/dokpfad.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

#include "basis/einstellungen.h"
#include "basis/zustand.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

// The company record in memory; nullopt is a table without rows.
class FirmaImSpeicher : public Firmenstamm {
 public:
  std::optional<std::string> Pfad = std::string();
  std::vector<std::string> Geschrieben;
  std::optional<std::string> DokPfadLesen() override { return Pfad; }
  void DokPfadSchreiben(const std::string& pfad) override {
    if (!Pfad) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
    Pfad = pfad;
    Geschrieben.push_back(pfad);
  }
};

class DokPfad : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    const char* alt = std::getenv("VXM_REGISTRY");
    altRegistry_ = alt ? std::optional<std::string>(alt) : std::nullopt;
    setenv("VXM_REGISTRY", (temp_ / "registry.ini").c_str(), 1);
  }
  void TearDown() override {
    if (altRegistry_) {
      setenv("VXM_REGISTRY", altRegistry_->c_str(), 1);
    } else {
      unsetenv("VXM_REGISTRY");
    }
    Umgebung::TearDown();
  }
  static void Setzen(const char* name, const std::string& wert) {
    SaveSetting(kRegAnwendung, kRegAbschnitt, name, wert);
  }
  static std::string Gelesen(const char* name) {
    std::string wert;
    RegWertLesen(kRegSchluessel, name, wert);
    return wert;
  }
  DokPfadEntscheidung Festlegen(Firmenstamm& firma) {
    DokPfadAbgleich a(firma, *dialoge_, datenbank_);
    return a.Festlegen();
  }
  std::vector<std::string> Texte() const {
    std::vector<std::string> t;
    for (auto& m : dialoge_->Gezeigt) t.push_back(m.Text);
    return t;
  }

  FirmaImSpeicher firma_;
  const std::string datenbank_ = "C:\\VXM\\VXMDAT\\daten.mdb";
  std::optional<std::string> altRegistry_;
};

TEST_F(DokPfad, OhneFirmenUndDokumentpfadGibtDerDatenordnerDieWurzel) {
  Setzen(kRegDatPfad, "C:\\X\\VXMDAT");
  // The first reconciliation alone: the parent of the data folder goes to
  // the company record, the parent + "\VXMDOK" to the settings.
  DokPfadAbgleich a(firma_, *dialoge_, datenbank_);
  a.Abgleichen();
  EXPECT_EQ(a.KonfigDokPfad(), "C:\\X");
  EXPECT_EQ(Gelesen(kRegDokPfad), "C:\\X\\VXMDOK");
  EXPECT_EQ(firma_.Pfad, "C:\\X");

  // The whole decision: the second reconciliation sets the settings value
  // to the company record's path; the root is below it.
  fs::remove(temp_ / "registry.ini");
  Setzen(kRegDatPfad, "C:\\X\\VXMDAT");
  FirmaImSpeicher firma;
  const auto d = Festlegen(firma);
  EXPECT_FALSE(d.Entladen);
  EXPECT_EQ(d.DokWurzel, "C:\\X\\VXMDOK");
  EXPECT_EQ(d.KonfigDokPfad, "C:\\X\\VXMDOK");
  EXPECT_EQ(Gelesen(kRegDokPfad), "C:\\X");
  EXPECT_EQ(firma.Pfad, "C:\\X");
  EXPECT_TRUE(fs::is_directory(Host("C:\\X")));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());

  // A company table without rows is left alone.
  fs::remove(temp_ / "registry.ini");
  Setzen(kRegDatPfad, "C:\\X\\VXMDAT");
  FirmaImSpeicher ohneZeile;
  ohneZeile.Pfad = std::nullopt;
  DokPfadAbgleich b(ohneZeile, *dialoge_, datenbank_);
  b.Abgleichen();
  EXPECT_EQ(b.KonfigDokPfad(), "C:\\X");
  EXPECT_EQ(Gelesen(kRegDokPfad), "C:\\X\\VXMDOK");
  EXPECT_TRUE(berichte_->empty());
}

TEST_F(DokPfad, FirmenstammGewinntUndWirdGrossGeschrieben) {
  // A different settings value is overwritten.
  firma_.Pfad = "C:\\A";
  Setzen(kRegDokPfad, "C:\\B");
  auto d = Festlegen(firma_);
  EXPECT_FALSE(d.Entladen);
  EXPECT_EQ(Gelesen(kRegDokPfad), "C:\\A");
  EXPECT_EQ(d.DokWurzel, "C:\\A\\VXMDOK");
  // Only the configured level is created; "\VXMDOK" below it is not.
  EXPECT_TRUE(fs::is_directory(Host("C:\\A")));
  EXPECT_FALSE(fs::exists(Host("C:\\A\\VXMDOK")));

  // First start on a workstation: no settings value, a lower-case record.
  fs::remove(temp_ / "registry.ini");
  FirmaImSpeicher firma;
  firma.Pfad = "c:\\neu\\ablage";
  d = Festlegen(firma);
  EXPECT_EQ(firma.Pfad, "C:\\NEU\\ABLAGE");
  EXPECT_EQ(Gelesen(kRegDokPfad), "C:\\NEU\\ABLAGE");
  EXPECT_EQ(d.DokWurzel, "C:\\NEU\\ABLAGE\\VXMDOK");
  EXPECT_TRUE(fs::is_directory(Host("C:\\neu\\ablage")));

  // A path that already names the store is the root itself.
  FirmaImSpeicher mitDok;
  mitDok.Pfad = "C:\\S\\VXMDOK";
  d = Festlegen(mitDok);
  EXPECT_EQ(d.DokWurzel, "C:\\S\\VXMDOK");
  EXPECT_EQ(d.KonfigDokPfad, "C:\\S\\VXMDOK");
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(DokPfad, SettingsWertFuelltDenLeerenFirmenstamm) {
  Setzen(kRegDokPfad, "C:\\Ablage");
  DokPfadAbgleich a(firma_, *dialoge_, datenbank_);
  a.Abgleichen();
  EXPECT_EQ(a.KonfigDokPfad(), "C:\\Ablage");
  EXPECT_EQ(firma_.Geschrieben, (std::vector<std::string>{"C:\\Ablage"}));
  // An empty value counts as read and leaves everything as it was.
  Setzen(kRegDokPfad, "");
  FirmaImSpeicher leer;
  DokPfadAbgleich b(leer, *dialoge_, datenbank_);
  b.Abgleichen();
  EXPECT_EQ(b.KonfigDokPfad(), "");
  EXPECT_TRUE(leer.Geschrieben.empty());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(DokPfad, FehlendesLaufwerkMeldetUndEntlaedt) {
  firma_.Pfad = "q:\\Daten";
  DokPfadAbgleich a(firma_, *dialoge_, datenbank_, "", "C:\\VORHER");
  const auto d = a.Festlegen();
  EXPECT_TRUE(d.Entladen);
  EXPECT_EQ(d.DokWurzel, "C:\\VORHER");  // not decided
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  const auto& m = dialoge_->Gezeigt.back();
  EXPECT_EQ(m.Text,
            "Laufwerkspfad \"Q:\" nicht gefunden!\r\nBitte überprüfen Sie den angegebenen Pfad im Firmenstamm!");
  EXPECT_EQ(m.Titel, "Pfad nicht gefunden!");
  EXPECT_EQ(m.Stil, vbCritical);
  EXPECT_TRUE(firma_.Geschrieben.empty());
}

TEST_F(DokPfad, OhneJedenPfadMeldetUndNimmtDieAbgeleiteteWurzel) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
  const auto d = Festlegen(firma_);
  EXPECT_FALSE(d.Entladen);
  EXPECT_EQ(d.DokWurzel, "C:\\VXM\\VXMDOK");
  EXPECT_TRUE(fs::is_directory(Host("C:\\VXM\\VXMDOK")));
  EXPECT_EQ(firma_.Pfad, "C:\\VXM\\VXMDOK");
  EXPECT_EQ(Gelesen(kRegDokPfad), "C:\\VXM\\VXMDOK");
  // Once, from the first reconciliation; the second finds the record.
  EXPECT_EQ(Texte(), (std::vector<std::string>{kMeldungInstallationFehlerhaft}));
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbOKOnly);
}

TEST_F(DokPfad, AbgeleiteteWurzelNichtAnlegbarMeldetUndEntlaedt) {
  DokPfadAbgleich a(firma_, *dialoge_, "Q:\\VXMDAT\\daten.mdb");
  const auto d = a.Festlegen();
  EXPECT_TRUE(d.Entladen);
  EXPECT_EQ(d.DokWurzel, "Q:\\VXMDOK");
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text,
            "Der angegebene Pfad für die Dokumentenverwaltung konnte nicht erstellt werden\r\n"
            "Es ist anzunehmen dass ihre Einstellungen falsch konfiguriert wurden...");
  EXPECT_EQ(dialoge_->Gezeigt.back().Titel, "");
}

TEST_F(DokPfad, MehrAlsZwanzigFehlendeEbenenWerdenGemeldetUndDerStartGehtWeiter) {
  std::string tief = "C:\\T";
  for (int i = 0; i < 24; ++i) tief += "\\E" + std::to_string(i);
  firma_.Pfad = tief;
  const auto d = Festlegen(firma_);
  EXPECT_FALSE(d.Entladen);
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ((*berichte_)[0].Nummer, fehlernr::IndexAusserhalb);
  // The top levels were not remembered, so nothing below them exists.
  EXPECT_FALSE(fs::exists(Host("C:\\T")));
  EXPECT_EQ(d.DokWurzel, Gross(tief) + "\\VXMDOK");
}

// The company record in a real company database.
class DokPfadDatenbank : public DokPfad {
 protected:
  void TearDown() override {
    quelle_.Schliessen();
    DokPfad::TearDown();
  }
  void Sql(const std::string& skript) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Host(firmaDatei_).c_str(), &db), SQLITE_OK);
    char* fehler = nullptr;
    const int rc = sqlite3_exec(db, skript.c_str(), nullptr, nullptr, &fehler);
    sqlite3_free(fehler);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);
  }
  std::string Feld() {
    Recordset rs = DatenbankOeffnen(firmaDatei_)->OpenRecordset("SELECT * FROM AllgFirmenDaten");
    return rs.Text("VXMDOKPfad");
  }
  Datenquelle quelle_{"FIData"};
  const std::string firmaDatei_ = "C:\\firma.mdb";
};

TEST_F(DokPfadDatenbank, DerFirmenstammWirdGelesenUndGeschrieben) {
  FirmendatenAnlegen(Host(firmaDatei_).string());
  quelle_.DatabaseName = firmaDatei_;
  FirmenstammQuelle firma(quelle_);
  // No row: nothing to read; writing the settings value there is an error
  // for the general report.
  EXPECT_EQ(firma.DokPfadLesen(), std::nullopt);
  Setzen(kRegDokPfad, "C:\\Ablage");
  DokPfadAbgleich a(firma, *dialoge_, datenbank_);
  a.Abgleichen();
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ((*berichte_)[0].Nummer, fehlernr::KeinAktuellerDatensatz);

  Sql("INSERT INTO AllgFirmenDaten(Firmenname) VALUES('Hausverwaltung');");
  EXPECT_EQ(firma.DokPfadLesen(), std::string());
  const auto d = DokPfadAbgleich(firma, *dialoge_, datenbank_).Festlegen();
  EXPECT_EQ(d.DokWurzel, "C:\\ABLAGE\\VXMDOK");
  EXPECT_EQ(Feld(), "C:\\ABLAGE");
}

TEST_F(DokPfadDatenbank, FirmenstammOhneDasFeldZaehltNicht) {
  Sql("CREATE TABLE AllgFirmenDaten(Firmenname TEXT); INSERT INTO AllgFirmenDaten VALUES('x');");
  quelle_.DatabaseName = firmaDatei_;
  FirmenstammQuelle firma(quelle_);
  Setzen(kRegDokPfad, "C:\\Ablage");
  // The reconciliation ends silently: not even the settings are read.
  DokPfadAbgleich a(firma, *dialoge_, datenbank_);
  a.Abgleichen();
  EXPECT_EQ(a.KonfigDokPfad(), "");
  EXPECT_TRUE(berichte_->empty());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(DokPfadDatenbank, FehlendeFirmendatenbankGehtAnDenLadefehler) {
  quelle_.DatabaseName = firmaDatei_;  // never created
  FirmenstammQuelle firma(quelle_);
  std::vector<int32_t> nummern;
  DokPfadAbgleich a(firma, *dialoge_, datenbank_);
  a.Ladefehler = [&](const std::exception& e) {
    nummern.push_back(dynamic_cast<const VbFehler&>(e).Nummer);
    return false;  // the window unloaded itself
  };
  const auto d = a.Festlegen();
  EXPECT_TRUE(d.Entladen);
  EXPECT_EQ(nummern, (std::vector<int32_t>{fehlernr::DatenbankFehlt}));
  // The reconciliation reports its own error and goes on.
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ((*berichte_)[0].Nummer, fehlernr::DatenbankFehlt);
  EXPECT_FALSE(fs::exists(Host(firmaDatei_)));

  // Without a handler the error is reported and the start goes on.
  OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
  DokPfadAbgleich b(firma, *dialoge_, datenbank_);
  EXPECT_FALSE(b.Festlegen().Entladen);
  EXPECT_EQ(berichte_->size(), 4u);
}

}  // namespace
}  // namespace vxm
