// Run-time errors of the platform, carried as exceptions with the host's
// error numbers. Every procedure of the component catches them itself and
// decides which numbers it expects; none crosses a module boundary unseen.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vxm {

// Error numbers the component distinguishes.
namespace fehlernr {
inline constexpr int32_t UngueltigerAufruf = 5;
inline constexpr int32_t Ueberlauf = 6;
inline constexpr int32_t IndexAusserhalb = 9;
inline constexpr int32_t TypenUnvertraeglich = 13;
inline constexpr int32_t InternerFehler = 51;
inline constexpr int32_t DateinameFalsch = 52;
inline constexpr int32_t DateiNichtGefunden = 53;
inline constexpr int32_t GeraeteEA = 57;
inline constexpr int32_t DateiExistiert = 58;
inline constexpr int32_t DatentraegerVoll = 61;
inline constexpr int32_t ZugriffVerweigert = 70;
inline constexpr int32_t NichtBereit = 71;
inline constexpr int32_t AnderesLaufwerk = 74;
inline constexpr int32_t PfadZugriffsfehler = 75;
inline constexpr int32_t PfadNichtGefunden = 76;
inline constexpr int32_t UngueltigeNull = 94;
inline constexpr int32_t ObjektEntladen = 364;
inline constexpr int32_t ObjektErstellung = 429;
inline constexpr int32_t Automatisierung = 440;
inline constexpr int32_t UngueltigesBild = 481;
inline constexpr int32_t Druckerfehler = 482;
}  // namespace fehlernr

class VbFehler : public std::runtime_error {
 public:
  VbFehler(int32_t nummer, std::string beschreibung, std::string hilfeDatei = {},
           int32_t hilfeKontext = 0);

  // An error with the platform's standard description of its number.
  static VbFehler Standard(int32_t nummer);

  int32_t Nummer;
  std::string Beschreibung;
  std::string HilfeDatei;
  int32_t HilfeKontext;
};

std::string StandardBeschreibung(int32_t nummer);

}  // namespace vxm
