#include "basis/fehlermelden.h"

#include "basis/zustand.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"

namespace vxm {
namespace {

void Melden(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbOKOnly, ""); }

void ProblemMelden(int32_t nummer, const std::string& beschreibung) {
  Melden(std::string(kMeldungFehlerprogrammProblem) + vbCrLf + vbCrLf + "FehlerNr: " +
         std::to_string(nummer) + " " + beschreibung);
}

}  // namespace

void FehlerMelden(const VbFehler& fehler) {
  auto& z = Zustand();
  try {
    z.FehlerProgramm = Dienste().Komponenten.AllgErrorErzeugen();
    auto& programm = *z.FehlerProgramm;
    programm.FehlerNr(fehler.Nummer);
    programm.FehlerText(fehler.Beschreibung);
    programm.HilfeDatei(fehler.HilfeDatei);
    programm.HilfeKontext(std::to_string(fehler.HilfeKontext));
    programm.Programm(z.ProgName);
    programm.Ort(z.FehlerOrt);
    programm.Zusatz1("");
    programm.Zusatz2("");
    programm.Beenden(false);
    programm.Zeigen();
    z.FehlerAntwort = programm.Ergebnis();
    z.FehlerOrt.clear();
  } catch (const VbFehler& neu) {
    if (neu.Nummer == fehlernr::ObjektErstellung) {
      Melden(kMeldungKeinFehlerprogramm);
    } else if (neu.Nummer != fehlernr::Druckerfehler) {
      ProblemMelden(neu.Nummer, neu.Beschreibung);
    }
  } catch (const std::exception& neu) {
    ProblemMelden(fehlernr::Automatisierung, neu.what());
  }
}

void FehlerMelden(const std::exception& fehler) {
  if (const auto* vb = dynamic_cast<const VbFehler*>(&fehler)) {
    FehlerMelden(*vb);
    return;
  }
  FehlerMelden(VbFehler(fehlernr::InternerFehler,
                        StandardBeschreibung(fehlernr::InternerFehler) + ": " + fehler.what()));
}

}  // namespace vxm
