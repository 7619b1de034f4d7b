#include "store/qt/ordnerbaum.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "store/entitaeten.h"
#include "store/ordnerlayout.h"

namespace vxm {
namespace {

constexpr int kRolleSchluessel = Qt::UserRole;
constexpr int kRolleTag = Qt::UserRole + 1;
constexpr int kRolleBild = Qt::UserRole + 2;
constexpr int kRolleBildAuswahl = Qt::UserRole + 3;
constexpr int kFehlerSchluesselDoppelt = 35602;

std::string Kennung(const std::string& schluessel) { return Gross(schluessel); }

}  // namespace

OrdnerBaum::OrdnerBaum(frmDorvex& fenster) : f_(fenster) {
  auto* t = f_.tvwDir;
  // Arrow keys move the file list along once they rest: a held key does not
  // refill it for every node it passes.
  tastenFolge_.setSingleShot(true);
  connect(&tastenFolge_, &QTimer::timeout, this, [this] {
    auto* k = Ausgewaehlt();
    if (!k || !f_.DirChangeAktiv || bearbeitet_) return;
    if (GleichOhneFall(OrdnerPfadNormal(Schluessel(k)), f_.dirListBox->Path())) return;
    Ereignis([&] { KnotenZeigen(k); });
  });
  t->viewport()->installEventFilter(this);
  t->installEventFilter(this);
  // A node opened or closed by a click on its arrow marks it: the lists
  // follow (not where showing a node opens its parents).
  connect(t, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* k) {
    if (!intern_) Ereignis([&] {
        Expand(k);
        if (pfeil_) MarkiertenZeigen(k);
      });
  });
  connect(t, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* k) {
    if (!intern_) Ereignis([&] {
        Collapse(k);
        if (pfeil_) MarkiertenZeigen(k);
      });
  });
  connect(t, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* k, int) {
    Ereignis([&] { NodeClick(k); });
  });
  connect(t, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* jetzt, QTreeWidgetItem* vorher) { AuswahlBild(vorher, jetzt); });
  // The label edit ends when the editor hands its text to the tree.
  connect(t->itemDelegate(), &QAbstractItemDelegate::commitData, this, [this](QWidget* editor) {
    if (!bearbeitet_) return;
    bearbeitet_ = false;
    auto* zeile = qobject_cast<QLineEdit*>(editor);
    const std::string text = zeile ? S(zeile->text()) : Text(EditKnoten);
    if (EditKnoten) EditKnoten->setFlags(EditKnoten->flags() & ~Qt::ItemIsEditable);
    // Handled once the editor has closed: a message shown while it is open
    // takes its focus, the editor commits again when the focus comes back,
    // and the view may close an editor freed meanwhile.
    QTimer::singleShot(0, this, [this, text] { Ereignis([&] { AfterLabelEdit(text); }); });
  });
  connect(t->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this](QWidget*, auto) {
    // Esc: the edit is abandoned without a label change.
    if (!bearbeitet_) return;
    bearbeitet_ = false;
    if (EditKnoten) EditKnoten->setFlags(EditKnoten->flags() & ~Qt::ItemIsEditable);
  });
}

void OrdnerBaum::BilderZuweisen() {
  f_.tvwDir->setIconSize(QSize(16, 16));
}

QTreeWidgetItem* OrdnerBaum::Knoten(const std::string& schluessel) const {
  auto it = nachSchluessel_.find(Kennung(schluessel));
  return it == nachSchluessel_.end() ? nullptr : it->second;
}

int OrdnerBaum::Index(QTreeWidgetItem* k) const {
  for (std::size_t i = 0; i < knoten_.size(); ++i)
    if (knoten_[i] == k) return static_cast<int>(i);
  return -1;
}

std::string OrdnerBaum::Schluessel(const QTreeWidgetItem* k) {
  return k ? S(k->data(0, kRolleSchluessel).toString()) : std::string{};
}
std::string OrdnerBaum::Text(const QTreeWidgetItem* k) { return k ? S(k->text(0)) : std::string{}; }
std::string OrdnerBaum::Tag(const QTreeWidgetItem* k) { return k ? S(k->data(0, kRolleTag).toString()) : std::string{}; }
void OrdnerBaum::TagSetzen(QTreeWidgetItem* k, const std::string& tag) { k->setData(0, kRolleTag, Q(tag)); }

std::string OrdnerBaum::Vollpfad(const QTreeWidgetItem* k) {
  std::string p;
  for (auto* e = k; e; e = e->parent()) {
    std::string teil = Text(e);
    if (!p.empty()) {
      teil += '\\';
      teil += p;
    }
    p = std::move(teil);
  }
  return p;
}

QTreeWidgetItem* OrdnerBaum::Hinzufuegen(QTreeWidgetItem* eltern, const std::string& schluessel,
                                         const std::string& text, int bild, int bildAusgewaehlt) {
  const std::string id = Kennung(schluessel);
  if (nachSchluessel_.count(id))
    throw VbFehler(kFehlerSchluesselDoppelt, "Schlüssel ist nicht eindeutig in Auflistung");
  auto* k = new QTreeWidgetItem;
  k->setText(0, Q(text));
  k->setData(0, kRolleSchluessel, Q(schluessel));
  k->setData(0, kRolleBild, bild);
  k->setData(0, kRolleBildAuswahl, bildAusgewaehlt);
  k->setIcon(0, BaumSymbol(bild));
  intern_ = true;
  if (eltern)
    eltern->addChild(k);
  else
    f_.tvwDir->addTopLevelItem(k);
  intern_ = false;
  knoten_.push_back(k);
  nachSchluessel_[id] = k;
  return k;
}

void OrdnerBaum::Entfernen(QTreeWidgetItem* k) {
  if (!k) return;
  // Children go with their parent.
  std::vector<QTreeWidgetItem*> weg{k};
  for (std::size_t i = 0; i < weg.size(); ++i)
    for (int c = 0; c < weg[i]->childCount(); ++c) weg.push_back(weg[i]->child(c));
  for (auto* w : weg) {
    nachSchluessel_.erase(Kennung(Schluessel(w)));
    std::erase(knoten_, w);
    if (EditKnoten == w) EditKnoten = nullptr;
    if (DropKnoten == w) DropKnoten = nullptr;
    if (dropMarke_ == w) dropMarke_ = nullptr;
  }
  delete k;
}

void OrdnerBaum::Leeren() {
  intern_ = true;
  f_.tvwDir->clear();
  intern_ = false;
  knoten_.clear();
  nachSchluessel_.clear();
  EditKnoten = DropKnoten = dropMarke_ = nullptr;
}

void OrdnerBaum::SchluesselSetzen(QTreeWidgetItem* k, const std::string& schluessel) {
  nachSchluessel_.erase(Kennung(Schluessel(k)));
  k->setData(0, kRolleSchluessel, Q(schluessel));
  nachSchluessel_[Kennung(schluessel)] = k;
}

void OrdnerBaum::BildSetzen(QTreeWidgetItem* k, int bild) {
  k->setData(0, kRolleBild, bild);
  if (k != f_.tvwDir->currentItem()) k->setIcon(0, BaumSymbol(bild));
}

QTreeWidgetItem* OrdnerBaum::Ausgewaehlt() const { return f_.tvwDir->currentItem(); }

void OrdnerBaum::Auswaehlen(QTreeWidgetItem* k) {
  if (!k) return;
  intern_ = true;
  f_.tvwDir->setCurrentItem(k);
  intern_ = false;
}

void OrdnerBaum::AuswahlBild(QTreeWidgetItem* vorher, QTreeWidgetItem* jetzt) {
  if (vorher && Index(vorher) >= 0) vorher->setIcon(0, BaumSymbol(vorher->data(0, kRolleBild).toInt()));
  if (jetzt) jetzt->setIcon(0, BaumSymbol(jetzt->data(0, kRolleBildAuswahl).toInt()));
}

void OrdnerBaum::UnterordnerLaden(const std::string& schluessel) {
  std::vector<OrdnerEintrag> liste;
  try {
    for (auto& name : Dienste().Dateien->SubFolders(schluessel)) {
      if (name == "." || name == "..") continue;
      liste.push_back({name, schluessel + name + "\\"});
    }
  } catch (const VbFehler&) {
    return;  // a folder that cannot be listed adds no children
  }
  if (liste.empty()) return;
  OrdnerSortieren(liste);
  QTreeWidgetItem* eltern = Knoten(schluessel);
  // Built first and handed to the tree in one step: one model update instead
  // of one per folder.
  const bool imSpeicher = EnthaeltOhneFall(schluessel, "VXMDOK");
  const QIcon bildAblage = BaumSymbol(kBildVxmin), bildOrdner = BaumSymbol(kBildOrdner);
  QList<QTreeWidgetItem*> neu;
  neu.reserve(static_cast<int>(liste.size()));
  const std::string elternId = Gross(schluessel);
  for (auto& e : liste) {
    std::string id = elternId + Gross(e.Name) + "\\";
    if (nachSchluessel_.count(id)) continue;  // 35602: already there
    const bool ablage = imSpeicher || EnthaeltOhneFall(e.Name, "VXMDOK");
    auto* k = new QTreeWidgetItem;
    k->setText(0, Q(e.Name));
    k->setData(0, kRolleSchluessel, Q(e.Pfad));
    k->setData(0, kRolleBild, ablage ? kBildVxmin : kBildOrdner);
    k->setData(0, kRolleBildAuswahl, kBildOrdnerOffen);
    k->setIcon(0, ablage ? bildAblage : bildOrdner);
    knoten_.push_back(k);
    nachSchluessel_.emplace(std::move(id), k);
    neu << k;
  }
  intern_ = true;
  if (eltern)
    eltern->addChildren(neu);
  else
    f_.tvwDir->addTopLevelItems(neu);
  intern_ = false;
}

void OrdnerBaum::Aufklappen(QTreeWidgetItem* k) {
  intern_ = true;
  f_.tvwDir->expandItem(k);
  intern_ = false;
  Expand(k);
}

void OrdnerBaum::BaumAufbauen(const std::string& wurzel) {
  auto& z = Zustand();
  std::vector<std::string> teile;
  {
    std::string t;
    for (char c : z.OrdnerPfad) {
      if (c == '\\') {
        teile.push_back(t);
        t.clear();
      } else {
        t += c;
      }
    }
    if (!t.empty()) teile.push_back(t);
  }
  const std::string w = Gross(wurzel);
  Leeren();
  const BaumKnoten lk = LaufwerkKnoten(w);
  auto* wurzelKnoten = Hinzufuegen(nullptr, lk.Schluessel, lk.Text, lk.Bild, lk.BildAusgewaehlt);
  UnterordnerLaden(lk.Schluessel);
  Aufklappen(wurzelKnoten);
  QTreeWidgetItem* zuletzt = wurzelKnoten;
  if (teile.size() >= 2) {
    std::size_t s = 1;
    std::string p = teile[0];
    for (std::size_t i = 1; i < teile.size(); ++i) {
      p += "\\" + teile[i];
      for (std::size_t n = s; n < knoten_.size(); ++n) {
        auto* k = knoten_[n];
        if (GleichOhneFall(Text(k), teile[i]) && GleichOhneFall(Vollpfad(k), p)) {
          Aufklappen(k);
          s = n;
          zuletzt = k;
          break;
        }
      }
    }
  }
  f_.tvwDir->scrollToItem(zuletzt);
  Auswaehlen(zuletzt);
}

void OrdnerBaum::Expand(QTreeWidgetItem* k) {
  // Folders made or removed by other programs since the node was filled.
  KinderAbgleichen(k);
  for (int i = 0; i < k->childCount(); ++i) {
    auto* kind = k->child(i);
    if (Tag(kind) != "*") {
      UnterordnerLaden(Schluessel(kind));
      TagSetzen(kind, "*");
    }
  }
  Auswaehlen(k);
}

void OrdnerBaum::Collapse(QTreeWidgetItem* k) {
  Auswaehlen(k);
  f_.tvwDir->scrollToItem(k);
  if (EnthaeltOhneFall(Gross(f_.dirListBox->Path()), Zustand().MandantPfad)) f_.vxmDatenholen();
}

// The lists show the folder a node's arrow marked, as a click would: a new
// file or a paste never goes into another folder than the one highlighted.
void OrdnerBaum::MarkiertenZeigen(QTreeWidgetItem* k) {
  if (!GleichOhneFall(OrdnerPfadNormal(Schluessel(k)), f_.dirListBox->Path())) KnotenZeigen(k);
}

void OrdnerBaum::NodeClick(QTreeWidgetItem* k) {
  if (k && Verschwunden(k)) return;
  if (KnotenZeigen(k)) Aufklappen(k);
}

// A node whose folder another program removed or renamed since the tree
// showed it: the folder above is read again (the node goes, a new name
// shows), the highlight returns to the folder the lists show, and the user
// is told - once the click that found it is over, as the node goes. True
// when so.
bool OrdnerBaum::Verschwunden(QTreeWidgetItem* k) {
  const std::string ordner = Schluessel(k);
  if (OrdnerDa(*Dienste().Dateien, ordner) || !k->parent()) return false;  // (a drive: its own message)
  const std::string eltern = Schluessel(k->parent());
  QTimer::singleShot(0, this, [this, ordner, eltern] {
    Ereignis([&] {
      KinderAbgleichen(Knoten(eltern));
      const std::string p = f_.dirListBox->Path();
      if (auto* gezeigt = Knoten(!p.empty() && p.back() == '\\' ? p : p + "\\")) Auswaehlen(gezeigt);
      Dienste().Meldungen->MsgBox("Der Ordner " + OrdnerPfadNormal(ordner) + " ist nicht mehr vorhanden.",
                                  vbInformation, "");
    });
  });
  return true;
}

bool OrdnerBaum::KnotenZeigen(QTreeWidgetItem* k) {
  auto& z = Zustand();
  EditKnoten = Ausgewaehlt();
  if (!f_.DirChangeAktiv || !k) return false;
  z.BaumKlick = true;
  z.OrdnerPfad = Schluessel(k);
  // The folder list's change refills the file list, the details and the captions.
  f_.dirListBox->SetPath(z.OrdnerPfad);
  f_.lstIcon->setVisible(f_.filListBox->ListCount() > 0);
  std::string muster = Vollpfad(k);
  if (RegisterBereinigen) {
    RegisterBereinigen(muster);
    // The clean-up may have given the selected file its rows back (put back
    // from the trash, moved here by another program): its keywords show.
    if (f_.filListBox->ListIndex() >= 0) {
      try {
        f_.txtVorhandenKeyw->clear();
        f_.KeywortZeileFuellen();
      } catch (const std::exception&) {
        // a register error leaves the line empty, as in the file list
      }
    }
  }
  return true;
}

void OrdnerBaum::KeyDown(int taste) {
  if (taste != Qt::Key_F2) return;
  Zustand().UmbenennenAktiv = true;
  LabelBearbeiten(Ausgewaehlt());
}

void OrdnerBaum::LabelBearbeiten(QTreeWidgetItem* k) {
  if (!k) return;
  Auswaehlen(k);
  BeforeLabelEdit();
  // The folder by its own spelling: upper-cased, the key may name another
  // folder that differs only in letter case on this file system. The lists
  // show the edited node's folder but for a node just made; then its key,
  // which holds its name as made, names it.
  std::string ordner = f_.dirListBox->Path();
  if (Kennung(Schluessel(k)) != Kennung(ordner + "\\")) {
    ordner = Schluessel(k);
    while (ordner.size() > 3 && ordner.back() == '\\') ordner.pop_back();
  }
  bearbeitung_ = {true, Schluessel(k), ordner, f_.AktionsPfad, f_.dirListBox->Path()};
  k->setFlags(k->flags() | Qt::ItemIsEditable);
  bearbeitet_ = true;
  f_.tvwDir->editItem(k, 0);
}

void OrdnerBaum::BeforeLabelEdit() {
  EditKnoten = Ausgewaehlt();
  AlterKnotenText = Text(EditKnoten);
}

void OrdnerBaum::AfterLabelEdit(const std::string& neuerText) {
  auto& z = Zustand();
  const Bearbeitung b = std::exchange(bearbeitung_, {});
  if (b.Aktiv) EditKnoten = Knoten(b.Schluessel);
  if (!z.UmbenennenAktiv) {
    std::string name = neuerText;
    // The new folder is named where it was made.
    const std::string jetzt = f_.AktionsPfad;
    if (b.Aktiv) f_.AktionsPfad = b.AktionsPfad;
    if (NeuenOrdnerBenennen) NeuenOrdnerBenennen(name);
    f_.AktionsPfad = jetzt;
    return;
  }
  auto* k = EditKnoten;
  if (k && neuerText == AlterKnotenText) {
    // Left as it was: nothing to rename.
    EditKnoten = nullptr;
    z.UmbenennenAktiv = false;
    return;
  }
  if (neuerText.empty()) {
    UmbenennenZuruecknehmen(k, "Leere Eingabe nicht erlaubt!");
    AlterKnotenText.clear();
    return;
  }
  std::string aktuell = b.Aktiv ? b.Ordner : f_.dirListBox->Path();
  if (!b.Aktiv && k && Kennung(Schluessel(k)) != Kennung(aktuell + "\\")) {
    aktuell = Schluessel(k);
    while (aktuell.size() > 3 && aktuell.back() == '\\') aktuell.pop_back();
  }
  const std::string& alt = aktuell;
  const auto pos = aktuell.rfind('\\');
  const std::string eltern = pos == std::string::npos ? aktuell : aktuell.substr(0, pos);
  const std::string neu = eltern + "\\" + neuerText;
  // The register's rows of the folder and below move in the same unit.
  const bool umbenannt = k && (OrdnerUmbenennen ? OrdnerUmbenennen(alt, neuerText) : PfadUmbenennen(alt, neu));
  if (!umbenannt) {
    UmbenennenZuruecknehmen(k, "Der Ordner konnte nicht umbenannt werden.");
    return;
  }
  ListenNachUmbenennen(b, alt, eltern, neu);
  SchluesselSetzen(k, neu + "\\");
  KinderSchluesselSetzen(k, neu);
  f_.tvwDir->scrollToItem(k);
  EditKnoten = nullptr;
  z.UmbenennenAktiv = false;
}

// The node keeps its old text; the user is told why.
void OrdnerBaum::UmbenennenZuruecknehmen(QTreeWidgetItem* k, const std::string& meldung) {
  if (k) {
    intern_ = true;
    k->setText(0, Q(AlterKnotenText));
    intern_ = false;
  }
  EditKnoten = nullptr;
  Dienste().Meldungen->MsgBox(meldung, vbOKOnly, "");
  Zustand().UmbenennenAktiv = false;
}

// The lists after folder `alt` became `neu`: at the renamed folder when
// they showed it, at the new path of a folder below it that the click
// ending the edit went into, elsewhere where the user went.
void OrdnerBaum::ListenNachUmbenennen(const Bearbeitung& b, const std::string& alt, const std::string& eltern,
                                      const std::string& neu) {
  const std::string gezeigt = f_.dirListBox->Path();
  if (!b.Aktiv || gezeigt == b.Gezeigt) {
    f_.dirListBox->SetPath(eltern);
    f_.dirListBox->SetPath(neu);
  } else if (gezeigt.size() > alt.size() && Kennung(gezeigt.substr(0, alt.size() + 1)) == Kennung(alt + "\\")) {
    f_.dirListBox->SetPath(neu + gezeigt.substr(alt.size()));
  }
}

void OrdnerBaum::KinderSchluesselSetzen(QTreeWidgetItem* k, const std::string& neu) {
  for (int i = 0; i < k->childCount(); ++i) {
    auto* kind = k->child(i);
    SchluesselSetzen(kind, neu + "\\" + Text(kind) + "\\");
  }
}

void OrdnerBaum::MouseUp(Qt::MouseButton knopf, int, int, QPoint fensterPunkt) {
  f_.AktionsPfad = f_.filListBox->Path();
  if (knopf == Qt::RightButton && OrdnerMenueZeigen) OrdnerMenueZeigen(fensterPunkt);
}

void OrdnerBaum::PfadRichtigStellen(const std::string& pfad) {
  if (auto* sel = Ausgewaehlt()) {
    intern_ = true;
    f_.tvwDir->collapseItem(sel);
    if (sel->parent()) f_.tvwDir->collapseItem(sel->parent());
    intern_ = false;
  }
  std::string gesucht = Gross(pfad);
  if (gesucht.empty() || gesucht.back() != '\\') gesucht += "\\";
  QTreeWidgetItem* ziel = Knoten(gesucht);
  if (!ziel) ziel = Ausgewaehlt();
  if (!ziel) return;
  // Make the chain visible down to the node.
  for (auto* e = ziel->parent(); e; e = e->parent()) {
    intern_ = true;
    f_.tvwDir->expandItem(e);
    intern_ = false;
  }
  Aufklappen(ziel);
  f_.dirListBox->SetPath(Schluessel(ziel));
  f_.filListBox->SetPath(f_.dirListBox->Path());
  f_.tvwDir->scrollToItem(ziel);
}

void OrdnerBaum::LeereOrdneraway() {
  std::vector<QTreeWidgetItem*> leer;
  for (auto* k : knoten_)
    if (Text(k).empty()) leer.push_back(k);
  for (auto* k : leer)
    if (Index(k) >= 0) Entfernen(k);
}

void OrdnerBaum::KinderAbgleichen(QTreeWidgetItem* k) {
  if (!k || Index(k) < 0) return;
  const std::string schluessel = Schluessel(k);
  std::vector<OrdnerEintrag> liste;
  try {
    for (auto& name : Dienste().Dateien->SubFolders(schluessel))
      if (name != "." && name != "..") liste.push_back({name, schluessel + name + "\\"});
  } catch (const VbFehler&) {
    return;  // a folder that cannot be listed keeps what it shows
  }
  std::unordered_map<std::string, bool> aufDisk;
  for (auto& e : liste) aufDisk[Gross(e.Name)] = true;
  for (int i = k->childCount() - 1; i >= 0; --i) {
    auto* kind = k->child(i);
    if (kind == EditKnoten && bearbeitet_) continue;
    if (!aufDisk.count(Gross(Text(kind)))) Entfernen(kind);
  }
  OrdnerSortieren(liste);
  const bool offen = k->isExpanded();
  for (auto& e : liste) {
    if (Knoten(e.Pfad)) continue;
    const bool ablage = EnthaeltOhneFall(e.Pfad, "VXMDOK");
    auto* neu = new QTreeWidgetItem;
    neu->setText(0, Q(e.Name));
    neu->setData(0, kRolleSchluessel, Q(e.Pfad));
    neu->setData(0, kRolleBild, ablage ? kBildVxmin : kBildOrdner);
    neu->setData(0, kRolleBildAuswahl, kBildOrdnerOffen);
    neu->setIcon(0, BaumSymbol(ablage ? kBildVxmin : kBildOrdner));
    int stelle = 0;
    while (stelle < k->childCount() && Klein(Text(k->child(stelle))) <= Klein(e.Name)) ++stelle;
    intern_ = true;
    k->insertChild(stelle, neu);
    intern_ = false;
    knoten_.push_back(neu);
    nachSchluessel_[Kennung(e.Pfad)] = neu;
    // One level ahead under an open node, as its expand handler keeps it.
    if (offen) {
      UnterordnerLaden(e.Pfad);
      TagSetzen(neu, "*");
    }
  }
}

void OrdnerBaum::Auffrischen() {
  std::vector<QTreeWidgetItem*> gelistet;
  for (std::size_t i = 0; i < knoten_.size(); ++i)
    if (i == 0 || Tag(knoten_[i]) == "*") gelistet.push_back(knoten_[i]);
  for (auto* k : gelistet) KinderAbgleichen(k);
}

void OrdnerBaum::DropMarkieren(QPoint punkt, int zustand) {
  if (dropMarke_) dropMarke_->setBackground(0, QBrush());
  dropMarke_ = nullptr;
  if (zustand == 1) return;
  dropMarke_ = f_.tvwDir->itemAt(punkt);
  if (dropMarke_) dropMarke_->setBackground(0, f_.tvwDir->palette().highlight());
}

QTreeWidgetItem* OrdnerBaum::DropKnotenHolen() {
  auto* k = dropMarke_;
  if (dropMarke_) dropMarke_->setBackground(0, QBrush());
  dropMarke_ = nullptr;
  DropKnoten = k;
  return k;
}

bool OrdnerBaum::Taste(QKeyEvent* ke) {
  auto* t = f_.tvwDir;
  if (ke->key() == Qt::Key_F2) {
    Ereignis([&] { KeyDown(ke->key()); });
    return true;
  }
  // The menu key and Shift+F10 open the folder menu at the current node.
  if (ke->key() == Qt::Key_Menu || (ke->key() == Qt::Key_F10 && ke->modifiers() == Qt::ShiftModifier)) {
    auto* k = Ausgewaehlt();
    const QRect r = k ? t->visualItemRect(k) : QRect();
    const QPoint p = k ? QPoint(r.left() + 10, r.bottom()) : QPoint(10, 10);
    Ereignis([&] { MouseUp(Qt::RightButton, p.x() * 15, p.y() * 15, t->viewport()->mapTo(&f_, p)); });
    return true;
  }
  switch (ke->key()) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Left: case Qt::Key_Right:
      tastenFolge_.start(TastenPause);
      break;
    default:
      break;
  }
  return false;
}

bool OrdnerBaum::Druecken(QMouseEvent* me) {
  auto* t = f_.tvwDir;
  if (me->button() == Qt::LeftButton) {
    // Left of a node's text: its arrow (the tree opens or closes it).
    const QPoint p = me->position().toPoint();
    auto* k = t->itemAt(p);
    pfeil_ = k && p.x() < t->visualItemRect(k).left();
    return false;
  }
  if (me->button() != Qt::RightButton) return false;
  // The folder menu acts on the node under the pointer: it becomes the
  // current folder as by a click. Empty space changes nothing.
  if (auto* k = t->itemAt(me->position().toPoint())) {
    Ereignis([&] {
      Auswaehlen(k);
      NodeClick(k);
    });
  }
  return true;
}

// Files dragged from the file list onto a node: copied or moved there.
bool OrdnerBaum::Ziehen(QEvent* e) {
  if (e->type() == QEvent::DragLeave) {
    DropMarkieren({}, 1);
    return true;
  }
  auto* de = static_cast<QDropEvent*>(e);
  if (de->source() != f_.filListBox) return false;
  DropMarkieren(de->position().toPoint(), 2);
  if (e->type() != QEvent::Drop) {
    auto* dm = static_cast<QDragMoveEvent*>(e);
    dm->setDropAction(Qt::CopyAction);
    dm->accept();
    return true;
  }
  auto* ziel = DropKnotenHolen();
  de->acceptProposedAction();
  Ereignis([&] {
    if (DateiZiehenAblegen) DateiZiehenAblegen(ziel);
  });
  return true;
}

bool OrdnerBaum::eventFilter(QObject* o, QEvent* e) {
  auto* t = f_.tvwDir;
  if (o == t && e->type() == QEvent::KeyPress) return Taste(static_cast<QKeyEvent*>(e));
  if (o != t->viewport()) return false;
  switch (e->type()) {
    case QEvent::MouseButtonPress:
      return Druecken(static_cast<QMouseEvent*>(e));
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(e);
      if (pfeil_) QTimer::singleShot(0, this, [this] { pfeil_ = false; });
      const QPoint p = me->position().toPoint();
      const QPoint imFenster = t->viewport()->mapTo(&f_, p);
      Ereignis([&] { MouseUp(me->button(), p.x() * 15, p.y() * 15, imFenster); });
      return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
      return Ziehen(e);
    default:
      return false;
  }
}

}  // namespace vxm

namespace vxm {

void frmDorvex::PfadRichtigStellen(const std::string& pfad) { Baum->PfadRichtigStellen(pfad); }
void frmDorvex::LeereOrdneraway() { Baum->LeereOrdneraway(); }

}  // namespace vxm
