// Where the document store lies. At start-up three sources name it: the
// company record, the user's setting "VXMDokPath" and the host data folder
// ("VXMDatPath"). They are reconciled, the winner is written back to the
// others, and the document root follows from it.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace vxm {

class Datenquelle;
class Dialoge;

// The company record's document path: field VXMDOKPfad of the first row of
// AllgFirmenDaten ("Firmenstamm" in the messages).
class Firmenstamm {
 public:
  virtual ~Firmenstamm() = default;
  // Reads the record again: nullopt when the table has no row, "" when the
  // field is Null or empty. Database errors are thrown as VbFehler (3265 when
  // the field does not exist, 3024 when the database file is missing).
  virtual std::optional<std::string> DokPfadLesen() = 0;
  // Writes the path into the first row of the last read (3021 when the
  // table has none).
  virtual void DokPfadSchreiben(const std::string& pfad) = 0;
};

// The company record through a record-set source bound to the company
// database (the main window's FIData).
class FirmenstammQuelle : public Firmenstamm {
 public:
  explicit FirmenstammQuelle(Datenquelle& quelle) : quelle_(quelle) {}
  std::optional<std::string> DokPfadLesen() override;
  void DokPfadSchreiben(const std::string& pfad) override;

 private:
  Datenquelle& quelle_;
};

// What the load step goes on with.
struct DokPfadEntscheidung {
  std::string KonfigDokPfad;  // the configured path, ending in "\VXMDOK" when one is used
  std::string DokWurzel;      // the document root
  bool Entladen = false;      // a message was shown: the window must unload
};

// The reconciliation and the choice of the root. Messages go to `meldungen`,
// the settings through RegWertLesen/SaveSetting, errors nobody expects to
// the general error report.
class DokPfadAbgleich {
 public:
  // `konfigDokPfad` and `dokWurzel` are the values before the load step;
  // `datenbankPfad` is the host data database (parameter slot 0).
  DokPfadAbgleich(Firmenstamm& firma, Dialoge& meldungen, std::string datenbankPfad,
                  std::string konfigDokPfad = {}, std::string dokWurzel = {});

  // An error of the load step that is not handled on the spot. Returns false
  // when the window unloaded itself over it (the load stops). Unset: the
  // general error report, and the load goes on.
  std::function<bool(const std::exception&)> Ladefehler;

  // One reconciliation. The company record wins over "VXMDokPath"; without a
  // company path "VXMDokPath" fills the record; without both, the parent of
  // "VXMDatPath" fills both. Nothing anywhere: the installation message.
  // The result is KonfigDokPfad (every settings value read also lands there).
  void Abgleichen();

  // The load step's decision: reconcile; then a configured path has its
  // missing folders created, is written to the company record upper-cased,
  // is reconciled again and gets "\VXMDOK"; without one the root is derived
  // from the host data database, written back and created.
  DokPfadEntscheidung Festlegen();

  const std::string& KonfigDokPfad() const { return konfig_; }
  const std::string& DokWurzel() const { return wurzel_; }

 private:
  bool KonfigPfadAnwenden();
  bool AbgeleitetenPfadAnwenden();
  // False when the load must stop.
  bool FirmenPfadSchreiben(const std::string& pfad);
  bool Fehler(const std::exception& e);
  bool Lesen(const char* name);

  Firmenstamm& firma_;
  Dialoge& meldungen_;
  std::string datenbankPfad_;
  std::string konfig_;
  std::string wurzel_;
};

// Texts of the messages.
inline constexpr const char* kMeldungPfadFehltTitel = "Pfad nicht gefunden!";
inline constexpr const char* kMeldungInstallationFehlerhaft =
    "ACHTUNG: Ihre derzeitgige Inatallation bzw deren Registrierung ist fehlerhaft! Bitte wenden Sie sich "
    "an Ihren EDV-Betreuer.";

}  // namespace vxm
