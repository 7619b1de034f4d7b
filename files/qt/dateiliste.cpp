// File list, details panel, folder and drive changes, opening documents.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <filesystem>
#include <system_error>

#include "basis/dateifunktionen.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "files/dateidetails.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/text.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace fs = std::filesystem;

void frmDorvex::DetailsLeeren() {
  vxmAnzeige->hide();
  for (QLabel* l : {lblObjName, lblBeName, lblBnName, lblName, lblDatei, lblGroesse, lblDatum}) {
    l->clear();
    l->setToolTip({});
  }
  picBox->clear();
}

void frmDorvex::DateiDetailsLeeren() {
  for (QLabel* l : {lblName, lblDatei, lblGroesse, lblDatum}) l->clear();
  lstIcon->hide();
  Label6->hide();
  txtVorhandenKeyw->clear();
  txtVorhandenKeyw->hide();
  picBox->clear();
}

int32_t frmDorvex::DateinummerSuchen(const std::string& name, const std::string& ordner) {
  // Indexed lookup: same row as walking Dateiinfo in table order (the row
  // of a neighbour spelled otherwise is not this file's).
  return DateiNummerDerDatei(DOC_DATA.Database(), name, ordner);
}

void frmDorvex::KeywortZeileFuellen() { KeywortZeileFuellen(filListBox->FileName(), dirListBox->Path()); }

void frmDorvex::KeywortZeileFuellen(const std::string& name, const std::string& ordner) {
  const int32_t nummer = DateinummerSuchen(name, ordner);
  if (nummer == 0) {
    // (the file lost its last keyword while shown)
    txtVorhandenKeyw->clear();
    txtVorhandenKeyw->setToolTip({});
    return;
  }
  // Every keyword in link order (a fixed table of 21 slots used to drop
  // them all once a file carried more than 21); links to vanished keywords
  // add nothing.
  std::string zeile;
  for (const auto& k : KeywordsDerDatei(DOC_DATA.Database(), nummer)) {
    if (!zeile.empty()) zeile += "; ";
    zeile += k;
  }
  txtVorhandenKeyw->setText(Q(zeile));
  txtVorhandenKeyw->setCursorPosition(0);  // a long line shows its first keywords
  txtVorhandenKeyw->setToolTip(Q(zeile));
  if (!zeile.empty()) {
    Label6->show();  // also over a search hit's keywords
    txtVorhandenKeyw->show();
  }
}

void frmDorvex::SymbolZeigen(const std::string& name) {
  lstIcon->clear();
  lstIcon->setColumnCount(1);
  lstIcon->setHeaderLabels({"Symbol"});
  lstIcon->setColumnWidth(0, Twips(270 * 3));
  auto* zeile = new QTreeWidgetItem(lstIcon, QStringList{"1"});
  zeile->setIcon(0, DateiSymbol(IconSetzen(LetzteDreiZeichen(name))));
}

void frmDorvex::filListBox_Click() {
  try {
    txtVorhandenKeyw->clear();
    // A file's details have their symbol and keyword line, as after opening
    // its folder, also after a delete or an empty search hid them.
    for (QWidget* w : std::initializer_list<QWidget*>{lstIcon, Label6, txtVorhandenKeyw}) w->show();
    lblDatei->setText("Datei:");
    const std::string name = filListBox->FileName();
    lblName->setText(Q(name));
    SymbolZeigen(name);
    const std::string voll = filListBox->Path() + "\\" + name;
    const fs::path host = HostPfadVon(voll);
    std::error_code fehler;
    const auto groesse = fs::file_size(host, fehler);
    if (fehler) throw VbFehler(fehlernr::DateiNichtGefunden, "Datei nicht gefunden");
    lblGroesse->setText(Q(GroessenZeile(groesse)));
    const auto zeit = fs::last_write_time(host, fehler);
    if (!fehler) {
      const auto sys = std::chrono::file_clock::to_sys(zeit);
      lblDatum->setText(Q(DatumsZeile(std::chrono::system_clock::to_time_t(sys))));
    }
    BildGezeigt = BildAnzeigen(filListBox->Path(), name);
    if (!BildGezeigt) picBox->clear();
    try {
      KeywortZeileFuellen();
    } catch (const VbFehler& e) {
      // A register out of reach must not pass for a file without keywords.
      txtVorhandenKeyw->setText(Q(e.Nummer == fehlernr::ServerNichtErreichbar
                                      ? "(Keywörter nicht lesbar: der Datenbankserver ist nicht erreichbar)"
                                      : "(Keywörter nicht lesbar: " + std::to_string(e.Nummer) + ")"));
      txtVorhandenKeyw->setCursorPosition(0);
      txtVorhandenKeyw->setToolTip(Q(e.Beschreibung));
    }
  } catch (const std::exception&) {
    // A file that vanished or a register error ends the details quietly.
  }
}

void frmDorvex::dirListBox_Change() {
  if (!DirChangeAktiv) return;
  try {
    // Partial copies of a process that died mid-copy.
    Dienste().Dateien->ZwischendateienAufraeumen(dirListBox->Path());
  } catch (const std::exception&) {
  }
  filListBox->SetPath(dirListBox->Path());
  DetailsLeeren();
  if (filListBox->ListCount() > 0) filListBox->SetListIndex(0);
  if (EnthaeltOhneFall(Gross(dirListBox->Path()), Zustand().MandantPfad)) vxmDatenholen();
  const bool leer = filListBox->ListCount() == 0;
  if (leer) txtVorhandenKeyw->clear();
  txtVorhandenKeyw->setVisible(!leer);
  Label6->setVisible(!leer);
  lstIcon->setVisible(!leer);
}

void frmDorvex::drvListBox_Change() {
  auto& z = Zustand();
  if (z.LadeModus || !DirChangeAktiv) return;
  try {
    LaufwerkWechselAktiv = true;
    z.BaumKlick = false;
    Baum->Leeren();
    const std::string wurzel = Gross(drvListBox->Drive().substr(0, 2)) + "\\";
    Dienste().Dateien->GetFolder(wurzel);  // a drive that is not ready ends the change
    if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get()))
      host->Laufwerke().AktuellerOrdnerSetzen(wurzel);
    Baum->BaumAufbauen(wurzel);
    // The lists show the folder the tree highlights (the current folder
    // when it lies on this drive, else the drive root), never the root
    // under another folder's highlight.
    auto* k = Baum->Ausgewaehlt() ? Baum->Ausgewaehlt() : Baum->NachIndex(0);
    z.OrdnerPfad = OrdnerBaum::Schluessel(k);
    dirListBox->SetPath(z.OrdnerPfad);
    LaufwerkWechselAktiv = false;
    Baum->LeereOrdneraway();
  } catch (const std::exception&) {
    LaufwerkWechselAktiv = false;
    const std::string p = dirListBox->Path();
    const int i = drvListBox->findText(Q(Klein(p.substr(0, 1)) + ":"));
    if (i >= 0) drvListBox->setCurrentIndex(i);
    if (Baum->Anzahl() == 0 && !p.empty()) {
      try {
        Baum->BaumAufbauen(Gross(p.substr(0, 2)) + "\\");
      } catch (const std::exception&) {
      }
    }
  }
}

void frmDorvex::DateilisteAuffrischen() {
  const std::string name = filListBox->FileName();
  filListBox->Refresh();
  // While search results stand in its place, the details belong to the
  // highlighted hit: the hidden list only keeps its selection.
  const bool ergebnisse = filListBox->isHidden();
  if (name.empty()) return;
  for (int i = 0; i < filListBox->ListCount(); ++i)
    if (filListBox->List(i) == name) {
      if (ergebnisse) {
        filListBox->Markieren(i);
      } else {
        filListBox->SetListIndex(i);  // its details may have changed too
      }
      return;
    }
  if (ergebnisse) return;
  // The selected file is gone: no other file takes its place unasked. Its
  // details go; the captions of Objekt, BE and BN name the folder and stay.
  DateiDetailsLeeren();
  vxmAnzeige->hide();
}

void frmDorvex::Auffrischen() {
  if (!DirChangeAktiv) return;
  Baum->Auffrischen();
  // A shown folder that went away gives way to the nearest one still there.
  std::string p = dirListBox->Path();
  bool weg = false;
  while (p.size() > 3 && !OrdnerVorhanden(p)) {
    weg = true;
    p = p.substr(0, p.rfind('\\'));
    if (p.size() == 2) p += "\\";
  }
  if (!weg) {
    DateilisteAuffrischen();
    return;
  }
  if (auto* k = Baum->Knoten(OrdnerPfadNormal(p).size() > 3 ? p + "\\" : p)) {
    Baum->Auswaehlen(k);
    Baum->NodeClick(k);
  } else {
    dirListBox->SetPath(p);
  }
}

void frmDorvex::filListBox_MouseDown(Qt::MouseButton knopf, int, int) {
  if (knopf != Qt::RightButton) filListBox->ZiehenErlaubt = true;
  // An empty list, or a right press on its empty space: no file is meant.
  // The captions of Objekt, BE and BN name the folder, which a press on a
  // list that has files does not change: they go only with an empty list.
  const bool leer = filListBox->ListCount() == 0;
  if (leer || (knopf == Qt::RightButton && filListBox->ListIndex() < 0)) {
    if (leer)
      for (QLabel* l : {lblObjName, lblBeName, lblBnName}) {
        l->clear();
        l->setToolTip({});
      }
    DateiDetailsLeeren();  // its preview too
  }
}

void frmDorvex::filListBox_MouseUp(Qt::MouseButton knopf, int x, int y) {
  AktionsPfad = filListBox->Path();
  if (knopf != Qt::RightButton) return;
  // At the pointer (the list's own position plus the click point).
  const QPoint p = filListBox->viewport()->mapTo(this, QPoint(x, y));
  lstAktion->move(std::min(p.x(), width() - lstAktion->width()), std::min(p.y(), height() - lstAktion->height()));
  lstAktion->show();
  lstAktion->raise();
  lstAktion->setFocus();
}

void frmDorvex::filListBox_DblClick() {
  Zustand().ScanModus = 0;
  opendatei();
}

void frmDorvex::opendatei() {
  const std::string pfad = filListBox->Path() + "\\" + filListBox->FileName();
  if (Zustand().ScanModus == 1) return;
  if (filListBox->FileName().empty()) return;  // nothing selected: nothing to open
  DokumentOeffnen(pfad);
}

}  // namespace vxm
