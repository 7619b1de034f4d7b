// Options of the own host vxmdorvex: what is given, kept and defaulted, host
// paths in Windows form, and the databases of a new store. The source
// belongs to the program, so it is compiled into this test directly.
#include "app/programm_optionen.cpp"

#include <cstdlib>

#include "basis/aufrufparameter.h"
#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;
using namespace programm;

// VXM_LAUFWERKE as a test wants it, restored afterwards.
class OhneUmgebung {
 public:
  explicit OhneUmgebung(const char* wert = nullptr) {
    if (const char* alt = std::getenv("VXM_LAUFWERKE")) alt_ = alt;
    if (wert) setenv("VXM_LAUFWERKE", wert, 1);
    else unsetenv("VXM_LAUFWERKE");
  }
  ~OhneUmgebung() {
    if (alt_) setenv("VXM_LAUFWERKE", alt_->c_str(), 1);
    else unsetenv("VXM_LAUFWERKE");
  }

 private:
  std::optional<std::string> alt_;
};

class ProgrammOptionen : public test::Umgebung {
 protected:
  std::optional<Start> Ermitteln(const std::vector<std::string>& argumente, const Werte& behalten = {}) {
    aufruf_ = BefehlszeileLesen(argumente);
    EXPECT_EQ(aufruf_.Fehler, "");
    fehler_.clear();
    return StartErmitteln(aufruf_, behalten, temp_ / "eigen", fehler_);
  }
  Befehlszeile aufruf_;
  std::string fehler_;
};

TEST(ProgrammBefehlszeile, FalscheAufrufeNennenIhrenFehlerUndNichtsWirdBehalten) {
  EXPECT_EQ(BefehlszeileLesen({"--objekt"}).Fehler, "Wert fehlt nach --objekt");
  EXPECT_EQ(BefehlszeileLesen({"--mandat", "1"}).Fehler, "Unbekannte Angabe: --mandat");
  EXPECT_EQ(BefehlszeileLesen({"datei.mdb"}).Fehler, "Unbekannte Angabe: datei.mdb");
  EXPECT_EQ(BefehlszeileLesen({"--be", "drei"}).Fehler, "Keine ganze Zahl nach --be: drei");
  EXPECT_EQ(BefehlszeileLesen({"--bn", "99999999999"}).Fehler, "Keine ganze Zahl nach --bn: 99999999999");
  EXPECT_EQ(BefehlszeileLesen({"--mandant", ""}).Fehler, "Leerer Wert nach --mandant");
  // A fraction is not rounded to another entity.
  EXPECT_EQ(BefehlszeileLesen({"--objekt", "7.5"}).Fehler, "Keine ganze Zahl nach --objekt: 7.5");
  EXPECT_EQ(BefehlszeileLesen({"--be", "3,0"}).Fehler, "Keine ganze Zahl nach --be: 3,0");
  EXPECT_EQ(BefehlszeileLesen({"--bn", "-"}).Fehler, "Keine ganze Zahl nach --bn: -");
  EXPECT_EQ(BefehlszeileLesen({"--objekt", "-3"}).Fehler, "");
  EXPECT_EQ(BefehlszeileLesen({"--laufwerk", "C:/srv"}).Fehler, "Laufwerk nicht in der Form X=ORDNER: C:/srv");

  const auto b = BefehlszeileLesen({"--objekt", " 7 ", "--hilfe", "--anlegen", "--bildschirmfoto", "x.png",
                                    "--laufwerk", "d=/mnt/daten", "--laufwerk", "C=/srv/vxm/"});
  EXPECT_EQ(b.Fehler, "");
  EXPECT_TRUE(b.Hilfe);
  EXPECT_TRUE(b.Anlegen);
  EXPECT_EQ(b.Bildschirmfoto, "x.png");
  EXPECT_EQ(b.Angaben, (Werte{{kObjekt, " 7 "}, {kLaufwerke, "C=/srv/vxm/;D=/mnt/daten"}}));
  EXPECT_NE(Hilfetext().find("--bn N"), std::string::npos);
}

TEST_F(ProgrammOptionen, OhneAngabenDieEigeneAblageMitIhrenVorgaben) {
  OhneUmgebung u;
  const auto s = Ermitteln({});
  ASSERT_TRUE(s) << fehler_;
  EXPECT_TRUE(s->EigeneAblage);
  EXPECT_TRUE(fs::is_directory(temp_ / "eigen"));
  EXPECT_EQ(s->LaufwerkeText, "C=" + (temp_ / "eigen").string());
  const auto p = s->Parameter();
  ASSERT_EQ(p.size(), kParameterAnzahl);
  EXPECT_EQ(p[slot::Datenbank], Variant("C:\\VXM\\VXMDAT\\vxmdaten.mdb"));
  EXPECT_EQ(p[slot::FirmenDatenbank], Variant("C:\\VXM\\VXMDAT\\firma.mdb"));
  EXPECT_EQ(p[slot::Mandant], Variant("1"));
  EXPECT_EQ(p[slot::Verbindung], Variant("Access 2000;"));
  EXPECT_EQ(p[slot::Objekt], Variant(int32_t{0}));
  EXPECT_TRUE(p[2].IstLeer());
  EXPECT_EQ(s->Register(), "C:\\VXM\\VXMDAT\\vxmdok.mdb");
  EXPECT_EQ(s->DatenOrdner(), "C:\\VXM\\VXMDAT");
  EXPECT_EQ(s->Wurzel(), "C:\\VXM\\VXMDOK");

  // a database of one's own is no longer the own store, even on its drive
  const auto mitDatenbank = Ermitteln({"--datenbank", "C:\\Daten\\haus.mdb"});
  ASSERT_TRUE(mitDatenbank) << fehler_;
  EXPECT_FALSE(mitDatenbank->EigeneAblage);
  EXPECT_EQ(mitDatenbank->Wurzel(), "C:\\VXMDOK");
}

TEST_F(ProgrammOptionen, AngabenGehenVorBehaltenenUndWerdenBehalten) {
  OhneUmgebung u;
  const Werte behalten = {{kMandant, "2"}, {kObjekt, "7"}, {kBe, "3"}, {kBn, "2"},
                          {kLaufwerke, "C=" + laufwerkC_.string()}};
  const auto s = Ermitteln({"--be", "4", "--bn", "0"}, behalten);
  ASSERT_TRUE(s) << fehler_;
  EXPECT_FALSE(s->EigeneAblage);
  EXPECT_EQ(s->Mandant, "2");
  EXPECT_EQ(s->Objekt, 7);
  EXPECT_EQ(s->Be, 4);
  EXPECT_EQ(s->Bn, 0);
  EXPECT_EQ(ZuBehalten(behalten, aufruf_.Angaben),
            (Werte{{kMandant, "2"}, {kObjekt, "7"}, {kBe, "4"}, {kBn, "0"}, {kLaufwerke, "C=" + laufwerkC_.string()}}));

  // a kept value edited by hand is checked as well
  EXPECT_FALSE(Ermitteln({}, {{kObjekt, "sieben"}, {kLaufwerke, "C=" + laufwerkC_.string()}}));
  EXPECT_EQ(fehler_, "Keine ganze Zahl für --objekt: sieben");
  // The Mandant is one folder below VXMDOK, never a way out of it.
  for (const char* name : {"..", ".", "../evil", "a\\b", "a/b", "C:"}) {
    EXPECT_FALSE(Ermitteln({"--mandant", name}, behalten)) << name;
    EXPECT_EQ(fehler_, std::string("Kein gültiger Ordnername für --mandant: ") + name);
  }
  EXPECT_TRUE(Ermitteln({"--mandant", "Müller & Co"}, behalten)) << fehler_;
}

TEST_F(ProgrammOptionen, HostpfadeWerdenZurWindowsFormIhresLaufwerks) {
  OhneUmgebung u;
  fs::create_directories(laufwerkC_ / "VXM" / "VXMDAT");
  fs::create_directories(temp_ / "d");
  const std::string laufwerke = "C=" + laufwerkC_.string() + ";D=" + (laufwerkC_ / "VXM").string();
  // the drive whose folder holds the file most closely wins
  const auto s = Ermitteln({"--laufwerk", "C=" + laufwerkC_.string(), "--laufwerk", "D=" + (laufwerkC_ / "VXM").string(),
                            "--datenbank", (laufwerkC_ / "VXM" / "VXMDAT" / "Häuser.mdb").string(),
                            "--firmendatenbank", (laufwerkC_ / "firma.mdb").string()});
  ASSERT_TRUE(s) << fehler_;
  EXPECT_EQ(s->Datenbank, "D:\\VXMDAT\\Häuser.mdb");
  EXPECT_EQ(s->FirmenDatenbank, "C:\\firma.mdb");
  EXPECT_EQ(aufruf_.Angaben.at(kLaufwerke), laufwerke);

  EXPECT_FALSE(Ermitteln({"--laufwerk", "C=" + laufwerkC_.string(), "--datenbank", (temp_ / "d" / "x.mdb").string()}));
  EXPECT_NE(fehler_.find("liegt auf keinem Laufwerk"), std::string::npos) << fehler_;
  EXPECT_FALSE(Ermitteln({"--laufwerk", "C=" + laufwerkC_.string(), "--datenbank", "E:\\VXMDAT\\x.mdb"}));
  EXPECT_EQ(fehler_, "Laufwerk E: ist keinem Ordner zugeordnet (--laufwerk E=ORDNER): E:\\VXMDAT\\x.mdb");
  EXPECT_FALSE(Ermitteln({"--laufwerk", "C=" + laufwerkC_.string(), "--datenbank", "C:\\a|b.mdb"}));
  EXPECT_EQ(fehler_, "Ungültiger Dateiname: C:\\a|b.mdb");
  EXPECT_FALSE(Ermitteln({"--laufwerk", "C=" + laufwerkC_.string(), "--datenbank", laufwerkC_.string()}));
  EXPECT_EQ(fehler_, "Keine Datei angegeben: C:\\");
  // a drive's folder must exist: nothing is made on a mistyped share
  EXPECT_FALSE(Ermitteln({"--laufwerk", "C=" + (temp_ / "fehlt").string()}));
  EXPECT_EQ(fehler_, "Ordner für Laufwerk C: nicht gefunden: " + (temp_ / "fehlt").string());
  EXPECT_FALSE(fs::exists(temp_ / "fehlt"));
}

TEST_F(ProgrammOptionen, LaufwerkeDerUmgebungSindKeineEigeneAblage) {
  OhneUmgebung u(("C=" + laufwerkC_.string()).c_str());
  const auto s = Ermitteln({});
  ASSERT_TRUE(s) << fehler_;
  EXPECT_FALSE(s->EigeneAblage);
  EXPECT_FALSE(fs::exists(temp_ / "eigen"));
  EXPECT_EQ(s->LaufwerkeText, "C=" + laufwerkC_.string());
}

TEST_F(ProgrammOptionen, FehlendeDatenbankenWerdenLeerAngelegtVorhandeneNicht) {
  OhneUmgebung u;
  DateiAnlegen("C:\\VXM\\VXMDAT\\firma.mdb", "nicht anfassen");
  const auto s = Ermitteln({"--laufwerk", "C=" + laufwerkC_.string()});
  ASSERT_TRUE(s) << fehler_;
  auto fehlend = FehlendeDatenbanken(*s);
  ASSERT_EQ(fehlend.size(), 2u);
  EXPECT_EQ(fehlend[0].Windows, "C:\\VXM\\VXMDAT\\vxmdaten.mdb");
  EXPECT_EQ(fehlend[1].Windows, "C:\\VXM\\VXMDAT\\vxmdok.mdb");
  EXPECT_EQ(FehlendeMelden(fehlend).substr(0, 28), "Datenbanken nicht gefunden:\n");

  DatenbankenAnlegen(fehlend);
  WurzelAnlegen(*s);
  EXPECT_TRUE(FehlendeDatenbanken(*s).empty());
  EXPECT_EQ(Inhalt("C:\\VXM\\VXMDAT\\firma.mdb"), "nicht anfassen");
  EXPECT_TRUE(fs::is_directory(Host("C:\\VXM\\VXMDOK")));
  auto daten = DatenbankOeffnenHost(Host("C:\\VXM\\VXMDAT\\vxmdaten.mdb"));
  EXPECT_TRUE(daten->OpenRecordset("SELECT * FROM Bestandnehmerdaten").Eof());
  auto reg = DatenbankOeffnenHost(Host("C:\\VXM\\VXMDAT\\vxmdok.mdb"));
  EXPECT_TRUE(reg->OpenRecordset("SELECT * FROM Keyword").Eof());
}

TEST_F(ProgrammOptionen, DerFirmenstammBekommtSeineEineZeile) {
  OhneUmgebung u;
  const auto s = Ermitteln({"--laufwerk", "C=" + laufwerkC_.string(), "--firmendatenbank", "C:\\Neu\\Firma\\f.mdb"});
  ASSERT_TRUE(s) << fehler_;
  DatenbankenAnlegen(FehlendeDatenbanken(*s));
  auto firma = DatenbankOeffnenHost(Host("C:\\Neu\\Firma\\f.mdb"));
  auto rs = firma->OpenRecordset("SELECT * FROM AllgFirmenDaten");
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Text("VXMDOKPfad"), "");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

}  // namespace
}  // namespace vxm
