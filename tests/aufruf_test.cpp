#include <gtest/gtest.h>

#include <thread>

#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/hauptfenster.h"
#include "component/vxmdorvex.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

// A main window whose load step the test scripts.
struct Protokoll {
  int Gezeigt = 0;
  int Entladen = 0;
  std::vector<Variant> ParameterBeimZeigen;
};

class SkriptFenster : public Hauptfenster {
 public:
  SkriptFenster(std::shared_ptr<Protokoll> p, std::function<void()> laden) : p_(std::move(p)), laden_(std::move(laden)) {}
  void ZeigeModal() override {
    ++p_->Gezeigt;
    p_->ParameterBeimZeigen = Zustand().AufrufParameter;
    if (laden_) laden_();
  }
  void Entladen() override { ++p_->Entladen; }

 private:
  std::shared_ptr<Protokoll> p_;
  std::function<void()> laden_;
};

class AufrufTest : public test::Umgebung {
 protected:
  void Fenster(std::function<void()> laden = {}) {
    auto p = protokoll_;
    HauptfensterErzeugen() = [p, laden] { return std::make_shared<SkriptFenster>(p, laden); };
  }
  static std::vector<Variant> Parameter() {
    std::vector<Variant> info(kParameterAnzahl);
    info[0] = Variant("C:\\VXM\\VXMDAT\\daten.mdb");
    info[1] = Variant("C:\\VXM\\VXMDAT\\firma.mdb");
    info[3] = Variant("1");
    info[4] = Variant("Access 97");
    return info;
  }
  std::shared_ptr<Protokoll> protokoll_ = std::make_shared<Protokoll>();
};

TEST_F(AufrufTest, UebernimmtParameterUndZeigtDasFensterModal) {
  Fenster();
  vxmDorvex k;
  auto info = Parameter();
  info[50] = Variant("weitergereicht");
  k.Dorvex_Aufruf(info);
  EXPECT_EQ(protokoll_->Gezeigt, 1);
  EXPECT_EQ(Zustand().DatenbankPfad, "C:\\VXM\\VXMDAT\\daten.mdb");
  EXPECT_EQ(Zustand().FirmenDatenbank, "C:\\VXM\\VXMDAT\\firma.mdb");
  EXPECT_EQ(protokoll_->ParameterBeimZeigen[50], Variant("weitergereicht"));
}

TEST_F(AufrufTest, ZahlenAlsDatenbankWerdenZuText) {
  Fenster();
  vxmDorvex k;
  auto info = Parameter();
  info[0] = Variant(17);
  k.Dorvex_Aufruf(info);
  EXPECT_EQ(Zustand().DatenbankPfad, "17");
}

TEST_F(AufrufTest, DieKopieAendertDasFeldDesAufrufersNicht) {
  auto info = Parameter();
  Fenster([] {
    EXPECT_EQ(Verbindungstext(), "Access");
    Zustand().AufrufParameter[70] = Variant{};
  });
  info[70] = Variant(7);
  vxmDorvex k;
  k.Dorvex_Aufruf(info);
  EXPECT_EQ(Zustand().AufrufParameter[4], Variant("Access"));
  EXPECT_EQ(info[4], Variant("Access 97"));
  EXPECT_EQ(info[70], Variant(7));
}

TEST_F(AufrufTest, Access2000BleibtUnveraendert) {
  Zustand().AufrufParameter[4] = Variant("Access 2000;");
  EXPECT_EQ(Verbindungstext(), "Access 2000;");
  EXPECT_EQ(Zustand().AufrufParameter[4], Variant("Access 2000;"));
  Zustand().AufrufParameter[4] = Variant{};
  EXPECT_EQ(Verbindungstext(), "Access");
}

TEST_F(AufrufTest, FensterDasSichBeimLadenEntlaedtIstKeinFehler) {
  Fenster([] { throw VbFehler::Standard(fehlernr::ObjektEntladen); });
  vxmDorvex k;
  auto info = Parameter();
  EXPECT_NO_THROW(k.Dorvex_Aufruf(info));
  EXPECT_EQ(protokoll_->Gezeigt, 1);
  EXPECT_EQ(protokoll_->Entladen, 1);
  EXPECT_TRUE(berichte_->empty());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(AufrufTest, JederAndereFehlerEndetDenAufrufStill) {
  Fenster([] { throw VbFehler::Standard(fehlernr::TypenUnvertraeglich); });
  vxmDorvex k;
  auto info = Parameter();
  EXPECT_NO_THROW(k.Dorvex_Aufruf(info));
  Fenster([] { throw std::runtime_error("unerwartet"); });
  EXPECT_NO_THROW(k.Dorvex_Aufruf(info));
  EXPECT_TRUE(berichte_->empty());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(AufrufTest, ZuKurzesFeldZeigtKeinFenster) {
  Fenster();
  vxmDorvex k;
  std::vector<Variant> info(1, Variant("C:\\x.mdb"));
  EXPECT_NO_THROW(k.Dorvex_Aufruf(info));
  EXPECT_EQ(protokoll_->Gezeigt, 0);
  std::vector<Variant> nullWert = Parameter();
  nullWert[1] = Variant(NullWert{});
  EXPECT_NO_THROW(k.Dorvex_Aufruf(nullWert));
  EXPECT_EQ(protokoll_->Gezeigt, 0);
}

TEST_F(AufrufTest, OhneFensterklasseEndetDerAufrufStill) {
  vxmDorvex k;
  auto info = Parameter();
  EXPECT_NO_THROW(k.Dorvex_Aufruf(info));
  EXPECT_EQ(Zustand().DatenbankPfad, "C:\\VXM\\VXMDAT\\daten.mdb");
}

TEST_F(AufrufTest, EigenschaftenUeberdauernDenAufruf) {
  Fenster();
  vxmDorvex k;
  EXPECT_EQ(k.SuchDokname(), "");
  k.SuchDokname("brief.doc");
  k.SuchDokpfad("C:\\VXMDOK\\1");
  auto info = Parameter();
  k.Dorvex_Aufruf(info);
  EXPECT_EQ(k.SuchDokname(), "brief.doc");
  EXPECT_EQ(k.SuchDokpfad(), "C:\\VXMDOK\\1");
  vxmDorvex zweite;
  EXPECT_EQ(zweite.SuchDokname(), "brief.doc");  // one state per thread, not per instance
}

TEST_F(AufrufTest, ZustandGibtEsEinmalJeThread) {
  Zustand().SuchDokname = "hier";
  std::string anderer = "?";
  std::thread t([&] { anderer = Zustand().SuchDokname; });
  t.join();
  EXPECT_EQ(anderer, "");
  EXPECT_EQ(Zustand().SuchDokname, "hier");
}

TEST_F(AufrufTest, ErzeugenLeertDasParameterfeldUndBeendenEntlaedt) {
  Fenster();
  Zustand().AufrufParameter.assign(3, Variant("alt"));
  {
    vxmDorvex k;
    EXPECT_EQ(Zustand().AufrufParameter.size(), kParameterAnzahl);
    EXPECT_TRUE(Zustand().AufrufParameter[0].IstLeer());
    auto info = Parameter();
    k.Dorvex_Aufruf(info);
    k.Dorvex_Aufruf(info);
    EXPECT_EQ(protokoll_->Gezeigt, 2);
    EXPECT_EQ(protokoll_->Entladen, 0);
  }
  EXPECT_EQ(protokoll_->Entladen, 1);
}

}  // namespace
}  // namespace vxm
