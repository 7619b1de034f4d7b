// The name and text search of the main window and its result list.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <set>
#include <string>

#include "search/suchsteuerung.h"

namespace vxm {

class frmDorvex;

// Column widths of a result list: each column as wide as its entries, the
// first at most half the list.
void SpaltenbreiteSetzen(QTreeWidget* liste);
// Switches the button look of a list's header (pressable, sorting
// sections); each call switches it again.
void KopfzeileUmschalten(QTreeWidget* liste, QWidget* fenster);

class DatenSucheFenster : public QObject {
 public:
  explicit DatenSucheFenster(frmDorvex& f);

  // The controller of a window (null before DatenSucheEinrichten).
  static DatenSucheFenster* Von(frmDorvex& f);

  void cmdDataSearch_Click();
  void comsuchen_Click();
  void cmdOrdner_Click();
  void gefundenviewBox_ItemClick(QTreeWidgetItem* eintrag);
  void gefundenviewBox_DblClick();
  bool eventFilter(QObject* o, QEvent* e) override;
  void OrdnerAnsicht();
  // The list's columns; a text search adds the phrase in its context.
  void SpaltenKoepfe(bool mitFundstelle = false);

  // Ends the running search (button, Esc, closing the window).
  void Abbrechen();
  bool Laeuft() const { return laeuft_; }
  QPushButton* AbbrechenKnopf() const { return abbrechen_; }

  // Tests and the demo: runs once for every hit, after it was listed.
  std::function<void()> NachTreffer;

 private:
  void DatenSucheAusfuehren(bool textErzwingen);
  // Tree and lists give way to the result list while a name search runs.
  void ListenVerbergen(const std::string& start);
  void TrefferlisteFertig(bool abgebrochen);
  void ErstenTrefferZeigen();
  void OhneTrefferZurueck(bool abgebrochen);
  void BeschriftungenDesOrdners();
  void EintragHinzufuegen(const SuchTreffer& t, const std::string* kontext = nullptr);
  void EreignisseLaufenLassen(bool sofort);
  void Beginnen();
  void Beenden();
  void ErgebnisZeigen(bool abgebrochen = false);
  void DetailsZeigen(QTreeWidgetItem* e);
  bool DateiAuswaehlen(const std::string& datei);
  void DetailsNachDerListe();
  void NachDerUebernahme(bool da, const std::string& pfad);
  bool BaumErweitern(const std::string& ordner);

  frmDorvex& f_;
  QPushButton* abbrechen_ = nullptr;
  SuchSteuerung* steuerung_ = nullptr;
  bool laeuft_ = false;
  long treffer_ = 0;
  std::set<std::string> schluessel_;
  std::string letzterOrdner_;
  QElapsedTimer uhr_;
};

}  // namespace vxm
