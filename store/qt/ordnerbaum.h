// The folder tree tvwDir: building, lazy loading one level ahead, node
// clicks, label edits for renaming and new folders, drop targets.
#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <QTreeWidgetItem>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class QKeyEvent;
class QMouseEvent;

namespace vxm {

class frmDorvex;

// Icons of ImageList1 (1-11) and of the file types (1-7), drawn for this program.
QIcon BaumSymbol(int nummer);
QIcon DateiSymbol(int nummer);

// Folder menu position in twips for a right click at x, y (twips) on the tree.
struct TwipPunkt {
  int Links, Oben;
};
inline TwipPunkt OrdnerMenuePosition(int x, int y) { return {x + 240 + 700, y + 1320}; }

class OrdnerBaum : public QObject {
 public:
  explicit OrdnerBaum(frmDorvex& fenster);

  void BilderZuweisen();
  void BaumAufbauen(const std::string& wurzel);
  void UnterordnerLaden(const std::string& schluessel);

  // Nodes by key (compared without regard to case), by index (insertion order).
  QTreeWidgetItem* Knoten(const std::string& schluessel) const;
  int Anzahl() const { return static_cast<int>(knoten_.size()); }
  QTreeWidgetItem* NachIndex(int index) const { return knoten_.at(static_cast<std::size_t>(index)); }
  int Index(QTreeWidgetItem* k) const;
  // Adds a node; error 35602 when the key exists already.
  QTreeWidgetItem* Hinzufuegen(QTreeWidgetItem* eltern, const std::string& schluessel, const std::string& text,
                               int bild, int bildAusgewaehlt);
  void Entfernen(QTreeWidgetItem* k);
  void Leeren();

  static std::string Schluessel(const QTreeWidgetItem* k);
  static std::string Text(const QTreeWidgetItem* k);
  static std::string Tag(const QTreeWidgetItem* k);
  static void TagSetzen(QTreeWidgetItem* k, const std::string& tag);
  static std::string Vollpfad(const QTreeWidgetItem* k);
  void SchluesselSetzen(QTreeWidgetItem* k, const std::string& schluessel);
  void BildSetzen(QTreeWidgetItem* k, int bild);
  QTreeWidgetItem* Ausgewaehlt() const;
  void Auswaehlen(QTreeWidgetItem* k);

  // Events of tvwDir.
  void Expand(QTreeWidgetItem* k);
  void Collapse(QTreeWidgetItem* k);
  // The lists follow a node its arrow marked.
  void MarkiertenZeigen(QTreeWidgetItem* k);
  void NodeClick(QTreeWidgetItem* k);
  bool Verschwunden(QTreeWidgetItem* k);
  // The node click's work without opening the node (keyboard moves).
  bool KnotenZeigen(QTreeWidgetItem* k);
  void KeyDown(int taste);
  void BeforeLabelEdit();
  void AfterLabelEdit(const std::string& neuerText);
  void MouseUp(Qt::MouseButton knopf, int x, int y, QPoint fensterPunkt);
  // Starts editing the selected node's label (F2, folder menu "Umbenennen").
  void LabelBearbeiten(QTreeWidgetItem* k);
  bool LabelWirdBearbeitet() const { return bearbeitet_; }

  void KinderSchluesselSetzen(QTreeWidgetItem* k, const std::string& neu);
  void PfadRichtigStellen(const std::string& pfad);
  void LeereOrdneraway();

  // The sub-folders of a node as they are on disk now: vanished ones go,
  // new ones (made or renamed outside) come in their sorted place.
  void KinderAbgleichen(QTreeWidgetItem* k);
  // KinderAbgleichen for every node whose sub-folders are listed (F5).
  void Auffrischen();
  // Milliseconds the arrow keys must rest before the file list follows.
  int TastenPause = 250;

  // Drop targets.
  void DropMarkieren(QPoint punkt, int zustand);
  QTreeWidgetItem* DropKnotenHolen();

  QTreeWidgetItem* EditKnoten = nullptr;
  QTreeWidgetItem* DropKnoten = nullptr;
  std::string AlterKnotenText;

  // Filled by the subsystems that own these steps.
  // Renames folder `ordner` to `neuerName` in its parent, its register rows
  // following as one unit; false (the user told why) when it was not renamed.
  std::function<bool(const std::string& ordner, const std::string& neuerName)> OrdnerUmbenennen;
  std::function<void(std::string& muster)> RegisterBereinigen;
  std::function<void(QTreeWidgetItem* ziel)> DateiZiehenAblegen;
  std::function<void(std::string& name)> NeuenOrdnerBenennen;
  // Right click: shows the folder menu at a window position (pixels).
  std::function<void(QPoint fensterPunkt)> OrdnerMenueZeigen;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;
  // Parts of eventFilter: keys on the tree; presses, drags and drops on its viewport.
  bool Taste(QKeyEvent* ke);
  bool Druecken(QMouseEvent* me);
  bool Ziehen(QEvent* e);

 private:
  void Aufklappen(QTreeWidgetItem* k);
  void AuswahlBild(QTreeWidgetItem* vorher, QTreeWidgetItem* jetzt);

  frmDorvex& f_;
  std::vector<QTreeWidgetItem*> knoten_;
  std::unordered_map<std::string, QTreeWidgetItem*> nachSchluessel_;
  QTreeWidgetItem* dropMarke_ = nullptr;
  // What a label edit acts on, taken when it starts: a click elsewhere that
  // ends it changes the shown folder and the selection before its end is
  // handled.
  struct Bearbeitung {
    bool Aktiv = false;
    std::string Schluessel, Ordner, AktionsPfad, Gezeigt;
  } bearbeitung_;
  void UmbenennenZuruecknehmen(QTreeWidgetItem* k, const std::string& meldung);
  void ListenNachUmbenennen(const Bearbeitung& b, const std::string& alt, const std::string& eltern,
                            const std::string& neu);
  bool bearbeitet_ = false;
  bool pfeil_ = false;  // the left button went down on a node's arrow
  bool intern_ = false;
  QTimer tastenFolge_;
};

}  // namespace vxm
