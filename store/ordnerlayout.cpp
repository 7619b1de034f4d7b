#include "store/ordnerlayout.h"

#include "basis/dateifunktionen.h"
#include "basis/zustand.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/text.h"

namespace vxm {
namespace {

// base + "\" + name, without doubling a backslash the base already ends in.
std::string Verbinden(const std::string& basis, const std::string& name) {
  if (!basis.empty() && basis.back() == '\\') return basis + name;
  return basis + "\\" + name;
}

// The part of the host data path up to and including the backslash before
// "VXMDAT"; empty when the path has no "\VXMDAT". A folder of that name
// wins over a file name that merely begins with it ("\VXMDAT\VXMDATEN.MDB"
// lies in the folder VXMDAT, not beside a root inside it).
std::string DatenPraefix(const std::string& datenbankPfad) {
  auto pos = LetztesVorkommenOhneFall(datenbankPfad, std::string("\\") + kDatOrdnerName + "\\");
  if (pos == std::string::npos) pos = LetztesVorkommenOhneFall(datenbankPfad, std::string("\\") + kDatOrdnerName);
  if (pos == std::string::npos) return {};
  return datenbankPfad.substr(0, pos + 1);
}

std::string LetzterTeil(std::string pfad) {
  while (!pfad.empty() && pfad.back() == '\\') pfad.pop_back();
  const auto pos = pfad.rfind('\\');
  return pos == std::string::npos ? pfad : pfad.substr(pos + 1);
}

void Melden(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbOKOnly, ""); }

}  // namespace

std::string KeywordDatenbankPfad(const std::string& datenbankPfad) {
  const auto pos = datenbankPfad.rfind('\\');
  const std::string ordner = pos == std::string::npos ? "" : datenbankPfad.substr(0, pos + 1);
  return ordner + kKeywordDatenbankName;
}

std::string DokWurzelBestimmen(const std::string& konfigDokPfad, const std::string& datenbankPfad) {
  if (!konfigDokPfad.empty()) {
    if (Gross(konfigDokPfad).find(std::string("\\") + kDokOrdnerName) != std::string::npos)
      return konfigDokPfad;
    return Verbinden(konfigDokPfad, kDokOrdnerName);
  }
  return Gross(DatenPraefix(datenbankPfad) + kDokOrdnerName);
}

std::string MandantOrdnerBestimmen(const std::string& konfigDokPfad,
                                   const std::string& datenbankPfad, const std::string& mandant) {
  if (!konfigDokPfad.empty()) {
    // The configured path is the Mandant folder itself only when it ends in
    // a folder of that name; a name that merely occurs inside another folder
    // name ("1" in "D:\M1\VXMDOK") does not count.
    if (mandant.empty() || GleichOhneFall(LetzterTeil(konfigDokPfad), mandant))
      return konfigDokPfad;
    return Verbinden(konfigDokPfad, mandant);
  }
  return Gross(DatenPraefix(datenbankPfad) + kDokOrdnerName + "\\" + mandant);
}

std::string MandantOrdnerFestlegen(const std::string& konfigDokPfad,
                                   const std::string& datenbankPfad, const std::string& mandant) {
  const std::string ordner = MandantOrdnerBestimmen(konfigDokPfad, datenbankPfad, mandant);
  if (!OrdnerVorhanden(ordner)) OrdnerAnlegen(ordner);  // a failure shows up in EntityOrdner
  Zustand().MandantPfad = Gross(ordner);
  return Zustand().MandantPfad;
}

bool EbeneAnlegen(int32_t nummer, const std::string& basis) {
  if (nummer < 1) return false;
  const std::string ordner = basis + "\\" + std::to_string(nummer);
  if (OrdnerVorhanden(ordner)) return true;
  return OrdnerAnlegen(ordner);
}

std::string EntityOrdner(int32_t objekt, int32_t be, int32_t bn, const std::string& mandantordner) {
  std::string p = mandantordner;
  if (!OrdnerVorhanden(p)) {
    Melden(std::string(kMeldungMandantFehlt) + vbCrLf + Zustand().DokWurzel);
    return p;
  }
  if (objekt > 0) {
    if (!EbeneAnlegen(objekt, p)) {
      Melden(kMeldungObjektFehlt);
      return p;
    }
    p += "\\" + std::to_string(objekt);
    if (be > 0) {
      if (!EbeneAnlegen(be, p)) {
        Melden(kMeldungBeFehlt);
        return p;
      }
      p += "\\" + std::to_string(be);
      if (bn >= 1) {
        if (!EbeneAnlegen(bn, p)) {
          Melden(kMeldungBnFehlt);
          return p;
        }
        p += "\\" + std::to_string(bn);
      }
    }
  }
  return p;
}

BaumKnoten LaufwerkKnoten(const std::string& laufwerkWurzel) {
  BaumKnoten k;
  std::string wurzel = Gross(laufwerkWurzel.substr(0, 2));
  k.Schluessel = wurzel + "\\";
  k.Text = wurzel;
  k.Bild = kBildVxmin;
  k.BildAusgewaehlt = kBildVxmin;
  return k;
}

BaumKnoten OrdnerKnoten(const std::string& elternSchluessel, const std::string& ordnername) {
  BaumKnoten k;
  k.Schluessel = elternSchluessel + ordnername + "\\";
  k.Text = ordnername;
  k.Bild = EnthaeltOhneFall(k.Schluessel, kDokOrdnerName) ? kBildVxmin : kBildOrdner;
  k.BildAusgewaehlt = kBildOrdnerOffen;
  return k;
}

std::string KnotenVollpfad(const BaumKnoten& knoten) {
  std::string p = knoten.Schluessel;
  if (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

}  // namespace vxm
