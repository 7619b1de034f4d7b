// New documents of a type and the serial-letter wizard in the main window.
#pragma once

#include <QObject>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vxm {

class frmDorvex;
class clsPDF;

class NeuesDokument : public QObject {
 public:
  explicit NeuesDokument(frmDorvex& f);
  ~NeuesDokument() override;
  // The controller of a window (a child of it).
  static NeuesDokument* Von(frmDorvex& f);

  // ---- new document of a type ----
  void lstDokument_Click();
  void lstDokument_LostFocus();
  void txtNeuDokName_GotFocus();
  void cmdDokNameOK_Click();
  void cmdDokNameAbr_Click();
  void NewFile();

  // ---- serial letters ----
  void ComAdrNeu_Click();
  void lstAdressen_Click();
  void comAdressenabbruch_Click();
  void ComAdrVorhanden_Click();
  void ComDokNeu_Click();
  void lstVorlagen_DblClick();
  void Comvorlageabbruch_Click();
  void ComDokVorhanden_Click();
  void comSerieOK_Click();
  void comSerieAbbruch_Click();
  // Esc: the open list of the wizard, else the wizard, as its cancel button.
  void Esc();

  // The clock of the dated names (tests fix the day).
  std::function<std::time_t()> Jetzt = [] { return std::time(nullptr); };

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  bool BueroDateiAnlegen(const std::string& endung, const std::string& voll);
  void ScannerDateiAnlegen(const std::string& ordner, const std::string& name);
  std::string DateiAuswaehlen(const std::string& filter);
  void VorlageUebernehmen(const std::string& name);
  void AusgabeVorhandenFragen();
  void NeueDateiAuswaehlen(const std::string& name);

  frmDorvex& f_;
  // Files the last creation wrote and left behind when it failed: a Yes to
  // "DATEI LÖSCHEN ?" removes these and nothing else.
  std::vector<std::string> geschrieben_;
  std::unique_ptr<clsPDF> pdf_;
};

}  // namespace vxm
