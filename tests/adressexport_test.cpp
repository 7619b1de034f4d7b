// The hosts' address export. Its source belongs to the programs, so it is
// compiled into this test directly.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>

#include "app/adressexport.cpp"
#include "basis/zustand.h"
#include "create/buerodatei.h"
#include "create/libreoffice.h"
#include "create/serienbrief.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

std::string Befehlsausgabe(const std::string& befehl) { return test::Befehl(befehl, false).Text; }

class AdressExportTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
    OrdnerAnlegenHost("C:\\DOK");
    datenbank_ = Host("C:\\VXM\\VXMDAT") / "daten.mdb";
    auto& p = Zustand().AufrufParameter;
    p[slot::Datenbank] = Variant("C:\\VXM\\VXMDAT\\daten.mdb");
  }
  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(datenbank_.c_str(), &db), SQLITE_OK);
    char* fehler = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &fehler), SQLITE_OK) << (fehler ? fehler : "");
    sqlite3_free(fehler);
    sqlite3_close(db);
  }
  fs::path datenbank_;
};

TEST_F(AdressExportTest, ZeilenDerMieterEinesObjektsMitAdresseDesObjekts) {
  wirt::BeispieladressenAnlegen(datenbank_);
  wirt::BeispieladressenAnlegen(datenbank_);  // a second call adds nothing
  auto zeilen = wirt::AdressZeilen(datenbank_, 7, false);
  ASSERT_EQ(zeilen.size(), 4u);
  EXPECT_EQ(zeilen[0], wirt::kAdressSpalten);
  EXPECT_EQ(zeilen[1], (std::vector<std::string>{"Herr", "Jürgen Müller", "Lindenstraße 12", "01067", "Dresden",
                                                 "7 Wohnanlage Lindenhof", "1", "1"}));
  EXPECT_EQ(zeilen[3][2], "Postfach 11 22");  // own address wins over the Objekt's
  EXPECT_EQ(wirt::AdressZeilen(datenbank_, 0, true).size(), 5u);  // no Objekt: everybody
  EXPECT_EQ(wirt::AdressZeilen(datenbank_, 7, true)[2].back(), "548,00");
  EXPECT_EQ(wirt::AdressZeilen(datenbank_, 99, false).size(), 1u);
}

// Field names are case-blind: the host database spells the postcode ObjPlz.
TEST_F(AdressExportTest, FeldnamenOhneRuecksichtAufGrossschreibung) {
  Sql("CREATE TABLE ObjDaten (objnummer INTEGER PRIMARY KEY, ObjBezeichnung TEXT, ObjStrasse TEXT, ObjPlz TEXT, "
      "ObjOrt TEXT);"
      "CREATE TABLE Bestandnehmerdaten (BnObjNr INTEGER, BnBeNr INTEGER, BnBnNr INTEGER, BnName TEXT, BNANREDE TEXT, "
      "bnvorschreibung TEXT);"
      "INSERT INTO ObjDaten VALUES (7, 'Wohnanlage', 'Müllerstraße 12', '80469', 'München');"
      "INSERT INTO Bestandnehmerdaten VALUES (7, 3, 2, 'Jürgen Bäcker', 'Herr', '672,50');");
  const auto zeilen = wirt::AdressZeilen(datenbank_, 7, true);
  ASSERT_EQ(zeilen.size(), 2u);
  EXPECT_EQ(zeilen[1], (std::vector<std::string>{"Herr", "Jürgen Bäcker", "Müllerstraße 12", "80469", "München",
                                                 "7 Wohnanlage", "3", "2", "672,50"}));
}

TEST_F(AdressExportTest, NurPflichtspaltenVorhanden) {
  Sql("CREATE TABLE Bestandnehmerdaten (BnObjNr INTEGER, BnBeNr INTEGER, BnBnNr INTEGER, BnName TEXT);"
      "INSERT INTO Bestandnehmerdaten VALUES (7, 2, 1, 'Ohne Adresse');");
  auto zeilen = wirt::AdressZeilen(datenbank_, 7, false);
  ASSERT_EQ(zeilen.size(), 2u);
  EXPECT_EQ(zeilen[1], (std::vector<std::string>{"", "Ohne Adresse", "", "", "", "7", "2", "1"}));
}

TEST_F(AdressExportTest, FehlendeDatenbankOderTabelleIstEinFehler) {
  try {
    wirt::AdressZeilen(datenbank_, 7, false);
    FAIL() << "keine Datenbank";
  } catch (const VbFehler& f) {
    EXPECT_EQ(f.Nummer, 3024);
  }
  EXPECT_FALSE(fs::exists(datenbank_));  // read-only: nothing created
  Sql("CREATE TABLE ObjDaten (objnummer INTEGER);");
  try {
    wirt::AdressZeilen(datenbank_, 7, false);
    FAIL() << "keine Tabelle";
  } catch (const VbFehler& f) {
    EXPECT_EQ(f.Nummer, 3078);
  }
}

// No tenant for the Objekt: no workbook, and the reason.
TEST_F(AdressExportTest, OhneBestandnehmerKeineMappe) {
  Sql("CREATE TABLE Bestandnehmerdaten (BnObjNr INTEGER, BnBeNr INTEGER, BnBnNr INTEGER, BnName TEXT);"
      "INSERT INTO Bestandnehmerdaten VALUES (8, 1, 1, 'Anderes Objekt');");
  Zustand().AufrufParameter[slot::Objekt] = Variant(int32_t{7});
  Dienste().Komponenten.AdressExport = [] { return std::make_unique<wirt::TabellenAdressExport>(); };
  const std::time_t jetzt = std::time(nullptr);
  const auto e = AdressenExportieren("ETTI", "C:\\DOK", jetzt);
  EXPECT_EQ(e.Fehler, "Für das Objekt 7 sind in der Datenbank keine Bestandnehmer eingetragen.");
  EXPECT_FALSE(fs::exists(Host(AdressDateiName("C:\\DOK", "ETTI", jetzt))));
}

// The whole road with LibreOffice: export, a letter, the preparation; the
// workbook is read back to check the rows and that postcodes stayed text.
TEST_F(AdressExportTest, EchteMappeUndSerienbrief) {
  ASSERT_TRUE(LibreOfficeVorhanden());
  wirt::BeispieladressenAnlegen(datenbank_);
  auto& p = Zustand().AufrufParameter;
  p[slot::Objekt] = Variant(int32_t{7});
  Dienste().Komponenten.AdressExport = [] { return std::make_unique<wirt::TabellenAdressExport>(); };
  const std::time_t jetzt = std::time(nullptr);
  auto e = AdressenExportieren("VORS", "C:\\DOK", jetzt);
  ASSERT_TRUE(e.Fehler.empty()) << e.Fehler;
  ASSERT_EQ(e.Datei, AdressDateiName("C:\\DOK", "VORS", jetzt));
  const fs::path mappe = Host(e.Datei);
  EXPECT_TRUE(IstOle2Datei(mappe));

  const fs::path profil = temp_ / "profil", csv = temp_ / "csv";
  Befehlsausgabe("soffice --headless --norestore --nologo -env:UserInstallation=" + DateiUrl(profil) +
                 " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" + csv.string() + "' '" +
                 mappe.string() + "' 2>&1");
  std::ifstream ein(csv / (mappe.stem().string() + ".csv"));
  std::string text((std::istreambuf_iterator<char>(ein)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Anrede,Name,Straße,PLZ,Ort,Objekt,BE,BN,Vorschreibung"), std::string::npos) << text;
  EXPECT_NE(text.find("Herr,Jürgen Müller,Lindenstraße 12,01067,Dresden"), std::string::npos) << text;
  EXPECT_NE(text.find("Weiß & Söhne GmbH"), std::string::npos) << text;
  EXPECT_EQ(text.find("Petra"), std::string::npos);  // another Objekt

  DateiAnlegen("C:\\DOK\\Brief.doc", "Brief");
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", jetzt);
  EXPECT_TRUE(SerienbriefVorbereiten(e.Datei, "C:\\DOK\\Brief.doc", ausgabe));
  EXPECT_EQ(Inhalt(ausgabe), "Brief");
  EXPECT_NE(Inhalt(DatenquelleName(ausgabe)).find(DateiUrl(fs::absolute(mappe))), std::string::npos);
}

}  // namespace
}  // namespace vxm
