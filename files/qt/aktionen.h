// The file action menu lstAktion, the folder menu lstOrdner with lstNeuOrdner,
// drag and drop onto the tree, folder creation and properties, and the
// register upkeep that follows each of them.
#pragma once

#include <QObject>
#include <QTreeWidgetItem>
#include <cstdint>
#include <string>

#include "files/dateiuebertragung.h"

class QKeyEvent;
class QListWidget;

namespace vxm {

class frmDorvex;
class Datenbank;

inline constexpr const char* kMeldungZwischenablageLeer = "Keine Daten in der Zwischenablage !!!";
inline constexpr const char* kFrageLoeschen = "Wollen Sie wirklich löschen ?";
inline constexpr const char* kTitelLoeschen = "Datei löschen";
inline constexpr const char* kPromptUmbenennen = "Bitte neuen Dateinamen hier eingeben: ";
inline constexpr const char* kTitelUmbenennen = "Neuer Dateiname";
inline constexpr const char* kMeldungLeereEingabe = "Leere Eingabe nicht gültig! Vorgang wird abgebrochen...";
inline constexpr const char* kMeldungDateiWaehlen = "Bitte Dateinamen auswählen!";
inline constexpr const char* kMeldungVorgangNicht = "Vorgang konnte nicht durchgeführt werden!";
inline constexpr const char* kMeldungOrdnerVorhanden = "Ordner schon vorhanden !";
inline constexpr const char* kMeldungOrdnerKeineNeuanlage = "Ordner schon vorhanden, keine Neuanlage möglich";
inline constexpr const char* kKopieVon = "Kopie von ";
inline constexpr const char* kFehlerOrtAktion = "vxmDorvex, in lstAktion_Click";

class Aktionen : public QObject {
 public:
  explicit Aktionen(frmDorvex& f);

  // Menu state, kept from command to command.
  int16_t AktAktion = -1;
  std::string QuellOrdner, QuellDatei, ZielOrdner, ZielDatei;
  std::string NeuOrdnerName;
  int NeuerKnotenIndex = -1, NeuerKnotenIndex2 = -1;

  void lstAktion_Click(int i);
  void lstOrdner_Click(int j);
  void lstNeuOrdner_Click(int k);

  // Selects the file of the shown list with its details; false when the list has none of that name.
  bool DateiMarkieren(const std::string& name);
  void OrdnerNeuAnlegen(int k);
  void NeuenOrdnerBenennen(std::string& name);
  void OrdnerEigenschaften();

  void DateiZiehenAblegen(QTreeWidgetItem* ziel);
  // The tree's folder rename with its register rows; false (the user told
  // why) when nothing was renamed.
  bool OrdnerUmbenennen(const std::string& ordner, const std::string& neuerName);
  // Completes changes a crash cut off (before the clean-up at load).
  void VorhabenAbschliessen();
  void RegisterBereinigen(std::string& muster);

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  bool MenueTaste(QListWidget* l, QKeyEvent* ke);
  bool DateilisteTaste(QKeyEvent* ke);

 private:
  Datenbank& Register();
  void Einfuegen(int16_t vorher);
  void Loeschen();
  void LoeschenAusfuehren();  // after the Ja: trash, or asked, gone for good
  void Umbenennen();
  void NeueDatei();
  void Keywords();
  void Termin();
  // Copy or move with the register rows (DateiUebertragen); true when done.
  bool Uebertragen(UebertragungsArt art, const std::string& ordner, const std::string& name,
                   const std::string& zielOrdner, const std::string& zielName);

  frmDorvex& f_;
  bool platzhalterVorher_ = false;
};

// The controller of a window (created by AktionenEinrichten).
Aktionen* AktionenVon(frmDorvex& f);

}  // namespace vxm
