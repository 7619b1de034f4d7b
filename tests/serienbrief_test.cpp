// Serial letters: dated names, the address export step and the preparation
// of the output document with its data source.
#include <gtest/gtest.h>

#include <cstdio>

#include "basis/zustand.h"
#include "create/libreoffice.h"
#include "create/serienbrief.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

std::time_t Ortszeit(int jahr, int monat, int tag, int stunde = 12) {
  std::tm t{};
  t.tm_year = jahr - 1900;
  t.tm_mon = monat - 1;
  t.tm_mday = tag;
  t.tm_hour = stunde;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(KurzDatumTest, TagMonatJahrMitFuehrendenNullen) {
  EXPECT_EQ(KurzDatum(Ortszeit(2026, 12, 7)), "07.12.2026");
  EXPECT_EQ(KurzDatum(Ortszeit(2027, 1, 31, 0)), "31.01.2027");
  EXPECT_EQ(KurzDatum(Ortszeit(2028, 2, 29, 23)), "29.02.2028");
}

TEST(KurzDatumTest, NamenDerSerienbriefDateien) {
  const std::time_t t = Ortszeit(2026, 3, 5);
  EXPECT_EQ(AusgabeDokumentName("C:\\VXMDOK\\1\\7", t), "C:\\VXMDOK\\1\\7\\Serienbrief05.03.2026.doc");
  EXPECT_EQ(AdressDateiName("C:\\D", "ETTI", t), "C:\\D\\BeAdressenETTI05.03.2026.XLS");
  EXPECT_EQ(AdressDateiName("C:\\D", "VORS", t), "C:\\D\\BeAdressenVORS05.03.2026.XLS");
  EXPECT_EQ(DatenquelleName("C:\\D\\Serienbrief05.03.2026.doc"), "C:\\D\\Serienbrief05.03.2026.odb");
  EXPECT_EQ(DatenquelleName("C:\\A.B\\brief"), "C:\\A.B\\brief.odb");  // a dot in a folder is no extension
}

// Records which method ran and with which entries; writes the file of entry 74.
struct ExportProtokoll {
  std::vector<std::string> Aufrufe;
  std::vector<Variant> Objekt;
  bool Schreiben = true;
  bool Werfen = false;
};

class TestExport : public AdressExport {
 public:
  explicit TestExport(std::shared_ptr<ExportProtokoll> p) : p_(std::move(p)) {}
  void Etiketten(std::vector<Variant>& a) override { Lauf("Etiketten", a); }
  void Vorschreibung(std::vector<Variant>& a) override { Lauf("Vorschreibung", a); }

 private:
  void Lauf(const std::string& name, std::vector<Variant>& a) {
    p_->Aufrufe.push_back(name + ":" + AlsText(a[slot::Dokument]));
    p_->Objekt.push_back(a[slot::Objekt]);
    if (p_->Werfen) throw VbFehler(3024, "Datenbank nicht gefunden");
    if (p_->Schreiben) Dienste().Dateien->DateiSchreiben(AlsText(a[slot::Dokument]), name);
  }
  std::shared_ptr<ExportProtokoll> p_;
};

class SerienbriefTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\DOK");
    protokoll_ = std::make_shared<ExportProtokoll>();
    auto p = protokoll_;
    Dienste().Komponenten.AdressExport = [p] { return std::make_unique<TestExport>(p); };
  }
  // The bytes of one stored entry of a zip archive, found by its local header.
  static std::string ZipEintrag(const std::string& zip, const std::string& name) {
    std::size_t pos = 0;
    while ((pos = zip.find("PK\x03\x04", pos)) != std::string::npos) {
      auto u16 = [&](std::size_t o) { return static_cast<unsigned char>(zip[o]) | static_cast<unsigned char>(zip[o + 1]) << 8; };
      auto u32 = [&](std::size_t o) { return static_cast<uint32_t>(u16(o)) | static_cast<uint32_t>(u16(o + 2)) << 16; };
      const std::size_t nameLaenge = u16(pos + 26), extra = u16(pos + 28);
      const uint32_t groesse = u32(pos + 18);
      if (zip.compare(pos + 30, nameLaenge, name) == 0) return zip.substr(pos + 30 + nameLaenge + extra, groesse);
      pos += 4;
    }
    return {};
  }
  std::shared_ptr<ExportProtokoll> protokoll_;
  const std::time_t heute_ = Ortszeit(2026, 12, 7);
};

TEST_F(SerienbriefTest, AusgabeIstKopieDesBriefsMitDatenquelleZurArbeitsmappe) {
  DateiAnlegen("C:\\DOK\\Brief an alle.doc", "Briefinhalt");
  DateiAnlegen("C:\\DOK\\BeAdressenETTI07.12.2026.XLS", "Mappe");
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", heute_);
  ASSERT_TRUE(SerienbriefVorbereiten("C:\\DOK\\BeAdressenETTI07.12.2026.XLS", "C:\\DOK\\Brief an alle.doc", ausgabe));
  EXPECT_EQ(Inhalt(ausgabe), "Briefinhalt");
  EXPECT_EQ(Inhalt("C:\\DOK\\Brief an alle.doc"), "Briefinhalt");

  const std::string odb = Inhalt("C:\\DOK\\Serienbrief07.12.2026.odb");
  ASSERT_EQ(odb.substr(0, 4), "PK\x03\x04");
  EXPECT_EQ(odb.substr(30, 8), "mimetype");  // first entry, stored, as ODF requires
  EXPECT_EQ(ZipEintrag(odb, "mimetype"), "application/vnd.oasis.opendocument.base");
  const std::string inhalt = ZipEintrag(odb, "content.xml");
  const std::string url = "sdbc:calc:" + DateiUrl(fs::absolute(Host("C:\\DOK\\BeAdressenETTI07.12.2026.XLS")));
  EXPECT_NE(inhalt.find("xlink:href=\"" + url + "\""), std::string::npos) << inhalt;
  EXPECT_NE(inhalt.find("<db:table-filter-pattern>%</db:table-filter-pattern>"), std::string::npos);
  EXPECT_NE(ZipEintrag(odb, "META-INF/manifest.xml").find("application/vnd.oasis.opendocument.base"),
            std::string::npos);
  // unzip checks every entry's checksum.
  const std::string befehl = "unzip -tq '" + Host("C:\\DOK\\Serienbrief07.12.2026.odb").string() + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(befehl.c_str()), 0);
  EXPECT_TRUE(berichte_->empty());
}

TEST_F(SerienbriefTest, ZweiterLaufAmSelbenTagErsetztAusgabeUndDatenquelle) {
  DateiAnlegen("C:\\DOK\\alt.doc", "erster Brief");
  DateiAnlegen("C:\\DOK\\neu.doc", "zweiter Brief");
  DateiAnlegen("C:\\DOK\\ETTI.XLS", "Mappe 1");
  DateiAnlegen("C:\\DOK\\VORS.XLS", "Mappe 2");
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", heute_);
  ASSERT_TRUE(SerienbriefVorbereiten("C:\\DOK\\ETTI.XLS", "C:\\DOK\\alt.doc", ausgabe));
  ASSERT_TRUE(SerienbriefVorbereiten("C:\\DOK\\VORS.XLS", "C:\\DOK\\neu.doc", ausgabe));
  EXPECT_EQ(Inhalt(ausgabe), "zweiter Brief");
  const std::string inhalt = ZipEintrag(Inhalt(DatenquelleName(ausgabe)), "content.xml");
  EXPECT_NE(inhalt.find("VORS.XLS"), std::string::npos);
  EXPECT_EQ(inhalt.find("ETTI.XLS"), std::string::npos);
}

TEST_F(SerienbriefTest, BriefGleichAusgabeWirdNichtKopiert) {
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", heute_);
  DateiAnlegen(ausgabe, "schon da");
  DateiAnlegen("C:\\DOK\\a.XLS", "Mappe");
  // Same file, spelled in other case.
  ASSERT_TRUE(SerienbriefVorbereiten("C:\\DOK\\a.XLS", "c:\\dok\\SERIENBRIEF07.12.2026.DOC", ausgabe));
  EXPECT_EQ(Inhalt(ausgabe), "schon da");
  EXPECT_TRUE(fs::exists(Host(DatenquelleName(ausgabe))));
}

TEST_F(SerienbriefTest, FehlendeMappeOderBriefLassenNichtsZurueck) {
  DateiAnlegen("C:\\DOK\\brief.doc", "b");
  DateiAnlegen("C:\\DOK\\a.XLS", "Mappe");
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", heute_);
  EXPECT_FALSE(SerienbriefVorbereiten("C:\\DOK\\fehlt.XLS", "C:\\DOK\\brief.doc", ausgabe));
  EXPECT_FALSE(SerienbriefVorbereiten("C:\\DOK\\a.XLS", "C:\\DOK\\fehlt.doc", ausgabe));
  EXPECT_FALSE(SerienbriefVorbereiten("", "C:\\DOK\\brief.doc", ausgabe));
  EXPECT_FALSE(fs::exists(Host(ausgabe)));
  EXPECT_FALSE(fs::exists(Host(DatenquelleName(ausgabe))));
}

TEST_F(SerienbriefTest, MisslungeneKopieBehaeltDieAlteAusgabe) {
  DateiAnlegen("C:\\DOK\\brief.doc", "neu");
  DateiAnlegen("C:\\DOK\\a.XLS", "Mappe");
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", heute_);
  DateiAnlegen(ausgabe, "alt");
  HostDateisystem::SchreibgeschuetztSetzen(Host(ausgabe), true);
  EXPECT_FALSE(SerienbriefVorbereiten("C:\\DOK\\a.XLS", "C:\\DOK\\brief.doc", ausgabe));
  EXPECT_EQ(Inhalt(ausgabe), "alt");
  EXPECT_FALSE(fs::exists(Host(DatenquelleName(ausgabe))));
  ASSERT_EQ(berichte_->size(), 1u);  // the read-only output is unexpected: reported
  EXPECT_EQ(berichte_->front().Nummer, fehlernr::ZugriffVerweigert);
}

TEST_F(SerienbriefTest, NichtSchreibbareDatenquelleNimmtDieKopieZurueck) {
  DateiAnlegen("C:\\DOK\\brief.doc", "neu");
  DateiAnlegen("C:\\DOK\\a.XLS", "Mappe");
  const std::string ausgabe = AusgabeDokumentName("C:\\DOK", heute_);
  DateiAnlegen(DatenquelleName(ausgabe), "fremd");
  HostDateisystem::SchreibgeschuetztSetzen(Host(DatenquelleName(ausgabe)), true);
  EXPECT_FALSE(SerienbriefVorbereiten("C:\\DOK\\a.XLS", "C:\\DOK\\brief.doc", ausgabe));
  EXPECT_FALSE(fs::exists(Host(ausgabe)));
  EXPECT_EQ(Inhalt(DatenquelleName(ausgabe)), "fremd");
  EXPECT_EQ(berichte_->size(), 1u);
}

TEST_F(SerienbriefTest, EintragSiebzigBeimOeffnenDesAssistenten) {
  auto& p = Zustand().AufrufParameter;
  p[slot::Objekt] = Variant(int32_t{7});
  SerienbriefParameterSetzen();
  EXPECT_EQ(p[slot::Objekt], Variant(int32_t{7}));
  for (Variant v : {Variant(int32_t{0}), Variant(int32_t{-3}), Variant(), Variant("abc"), Variant(NullWert{})}) {
    p[slot::Objekt] = v;
    SerienbriefParameterSetzen();
    EXPECT_EQ(p[slot::Objekt], Variant(std::string()));
  }
  p[slot::Objekt] = Variant("12");
  SerienbriefParameterSetzen();
  EXPECT_EQ(p[slot::Objekt], Variant(int32_t{12}));
}

TEST_F(SerienbriefTest, AdressExportJeArtMitEintragVierundsiebzig) {
  Zustand().AufrufParameter[slot::Objekt] = Variant(int32_t{7});
  auto e = AdressenExportieren("ETTI", "C:\\DOK", heute_);
  EXPECT_EQ(e.Datei, "C:\\DOK\\BeAdressenETTI07.12.2026.XLS");
  EXPECT_TRUE(e.Fehler.empty()) << e.Fehler;
  EXPECT_EQ(Inhalt(e.Datei), "Etiketten");
  auto v = AdressenExportieren("VORS", "C:\\DOK", heute_);
  EXPECT_EQ(Inhalt(v.Datei), "Vorschreibung");
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Dokument]), "C:\\DOK\\BeAdressenVORS07.12.2026.XLS");
  ASSERT_EQ(protokoll_->Objekt.size(), 2u);
  EXPECT_EQ(protokoll_->Objekt[0], Variant(int32_t{7}));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(SerienbriefTest, VorhandeneMappeAmSelbenTagWirdErstNachFrageErsetzt) {
  const std::string mappe = "C:\\DOK\\BeAdressenETTI07.12.2026.XLS";
  DateiAnlegen(mappe, "alt");
  dialoge_->Antworten = {vbNo};
  auto nein = AdressenExportieren("ETTI", "C:\\DOK", heute_);
  EXPECT_TRUE(nein.Abgelehnt);
  EXPECT_TRUE(nein.Datei.empty());
  EXPECT_EQ(Inhalt(mappe), "alt");
  EXPECT_TRUE(protokoll_->Aufrufe.empty());
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Fehler beim erzeugen der Neuen Datei !\r\nDATEI LÖSCHEN ?");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbYesNo + vbQuestion);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Datei löschen");

  dialoge_->Antworten = {vbYes};
  auto ja = AdressenExportieren("ETTI", "C:\\DOK", heute_);
  EXPECT_FALSE(ja.Abgelehnt);
  EXPECT_EQ(ja.Datei, mappe);
  EXPECT_EQ(Inhalt(mappe), "Etiketten");
}

TEST_F(SerienbriefTest, ScheiternderExportWirdBenannt) {
  protokoll_->Werfen = true;
  auto e = AdressenExportieren("ETTI", "C:\\DOK", heute_);
  EXPECT_TRUE(e.Datei.empty());
  EXPECT_EQ(e.Fehler, "Datenbank nicht gefunden");

  protokoll_->Werfen = false;
  protokoll_->Schreiben = false;  // returns without a file
  e = AdressenExportieren("VORS", "C:\\DOK", heute_);
  EXPECT_TRUE(e.Datei.empty());
  EXPECT_NE(e.Fehler.find("BeAdressenVORS07.12.2026.XLS"), std::string::npos);

  Dienste().Komponenten.AdressExport = nullptr;  // not installed
  e = AdressenExportieren("ETTI", "C:\\DOK", heute_);
  EXPECT_TRUE(e.Datei.empty());
  EXPECT_EQ(e.Fehler, StandardBeschreibung(fehlernr::ObjektErstellung));
  EXPECT_TRUE(berichte_->empty());
}

TEST_F(SerienbriefTest, VorlagenNurMitEndungDot) {
  DateiAnlegen("C:\\VXMDOK\\Brief.DOC");
  DateiAnlegen("C:\\VXMDOK\\Mahnung.dot");
  DateiAnlegen("C:\\VXMDOK\\Alt.dot.bak");
  DateiAnlegen("C:\\VXMDOK\\Einladung.Dot");
  EXPECT_EQ(VorlagenSuchen("C:\\VXMDOK"), (std::vector<std::string>{"Einladung.Dot", "Mahnung.dot"}));
  DateiAnlegen("C:\\LEER\\Brief.doc");  // only .DOC: no template
  EXPECT_TRUE(VorlagenSuchen("C:\\LEER").empty());
  EXPECT_TRUE(VorlagenSuchen("C:\\FEHLT").empty());
  EXPECT_EQ(KeineVorlagenMeldung("C:\\VXM\\VXMDOK"),
            "Keine Vorlagen im Verzeichniss: C:\\VXM\\VXMDOK vorhanden.\r\n\r\nDie Neuanlage wird abgebrochen !");
  EXPECT_TRUE(berichte_->empty());
}

}  // namespace
}  // namespace vxm
