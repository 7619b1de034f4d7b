// Where the document store lies and how its folders and tree keys are named.
//
//   DokWurzel            ...\VXMDOK
//   Mandant folder       DokWurzel\<Mandant>
//   Objekt / BE / BN     Mandant\<Objekt>\<BE>\<BN>   (plain decimal numbers)
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vxm {

inline constexpr const char* kDokOrdnerName = "VXMDOK";
inline constexpr const char* kDatOrdnerName = "VXMDAT";
inline constexpr const char* kKeywordDatenbankName = "vxmdok.mdb";

// Names offered for a new folder (list lstNeuOrdner), in this order.
inline constexpr std::array<const char*, 6> lstNeuOrdner = {
    "Verträge", "Korrespondenz", "Abrechnungen", "Vorschreibungen", "Freier Name", "Zurück"};
inline constexpr const char* kVorschlagFreierName = "Neuer Ordner";

// Keys of the images of ImageList1, image n at index n - 1.
inline constexpr std::array<const char*, 11> ImageList1 = {
    "vxmin", "UN", "computer", "copy", "ordner", "TXT", "PDF", "ZIP", "DOC", "XLS", "ordneroffen"};
inline constexpr int kBildVxmin = 1;
inline constexpr int kBildOrdner = 5;
inline constexpr int kBildOrdnerOffen = 11;

inline constexpr const char* kMeldungMandantFehlt =
    "Mandant hat keine Einträge in der Dokumentenverwaltung !!!!";
inline constexpr const char* kMeldungObjektFehlt =
    "Objekt hat keine Einträge in der Dokumentenverwaltung !!!!";
inline constexpr const char* kMeldungBeFehlt =
    "Bestandseinheit hat keine Einträge in der Dokumentenverwaltung !!!!";
inline constexpr const char* kMeldungBnFehlt =
    "Bestandnehmer hat keine Einträge in der Dokumentenverwaltung !!!!";

// The keyword database beside the host data database.
std::string KeywordDatenbankPfad(const std::string& datenbankPfad);

// Document root: from the configured path when there is one, otherwise from
// the folder above "\VXMDAT" of the host data database.
std::string DokWurzelBestimmen(const std::string& konfigDokPfad, const std::string& datenbankPfad);

// Mandant folder (not created).
std::string MandantOrdnerBestimmen(const std::string& konfigDokPfad,
                                   const std::string& datenbankPfad, const std::string& mandant);

// Mandant folder, created when missing; also sets MandantPfad. Returns the
// upper-case folder.
std::string MandantOrdnerFestlegen(const std::string& konfigDokPfad,
                                   const std::string& datenbankPfad, const std::string& mandant);

// True when basis\nummer exists afterwards; numbers below 1 give false.
bool EbeneAnlegen(int32_t nummer, const std::string& basis);

// The deepest entity folder that exists or could be created; reports each
// missing level in a message.
std::string EntityOrdner(int32_t objekt, int32_t be, int32_t bn, const std::string& mandantordner);

// A node of the folder tree.
struct BaumKnoten {
  std::string Schluessel;  // full folder path ending in "\"
  std::string Text;
  int Bild = kBildOrdner;
  int BildAusgewaehlt = kBildOrdnerOffen;
};

BaumKnoten LaufwerkKnoten(const std::string& laufwerkWurzel);
BaumKnoten OrdnerKnoten(const std::string& elternSchluessel, const std::string& ordnername);

// The tree's full path of a node: its key without the final backslash.
std::string KnotenVollpfad(const BaumKnoten& knoten);

}  // namespace vxm
