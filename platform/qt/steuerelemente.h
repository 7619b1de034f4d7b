// Small wrappers that give Qt widgets the behaviour of the host's folder
// list, file list and drive list, so the window's handlers read like the
// host's: Path, ListIndex, ListCount, Refresh and a Change/Click event.
#pragma once

#include <QComboBox>
#include <QAbstractListModel>
#include <QListView>
#include <QListWidget>
#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/namensliste.h"

namespace vxm {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }

// A Windows-form folder path without a final backslash, except at a drive
// root ("C:\").
std::string OrdnerPfadNormal(const std::string& pfad);

// The invisible folder list: its Path is the current folder; every change
// of Path raises Change.
// Rows of a list a little taller than the font's line: the dots of capital
// umlauts (Ü, Ä, Ö) reach above it in some fonts and were cut off.
void UmlautZeilen(QAbstractItemView* liste);
// How far a capital's accent (Ü, É) rises over the font's ascent, in pixels.
int UmlautUeberstand(const QFont& schrift);

class DirListBox : public QObject {
  Q_OBJECT
 public:
  explicit DirListBox(QObject* eltern = nullptr) : QObject(eltern) {}
  const std::string& Path() const { return pfad_; }
  // Sets the current folder; raises error 76 when the folder does not exist.
  void SetPath(const std::string& pfad);
  void Refresh() {}
  bool Visible = false;
  bool Enabled = true;
  // The Change event; errors of the handler reach the code that set Path.
  std::function<void()> Change;

 private:
  std::string pfad_;
};

// The names of the file list for its view: the view asks only for the rows
// it shows.
class DateinamenModell : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;
  void Setzen(Namensliste namen);
  const Namensliste& Namen() const { return namen_; }
  int rowCount(const QModelIndex& eltern = {}) const override;
  QVariant data(const QModelIndex& index, int rolle) const override;

 private:
  Namensliste namen_;
};

// The file list: every ordinary file of Path, sorted by name without regard
// to case. Setting ListIndex selects an entry and raises Click, as a user's
// click does.
class FileListBox : public QListView {
  Q_OBJECT
 public:
  explicit FileListBox(QWidget* eltern = nullptr);
  int count() const { return modell_->rowCount(); }
  int currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }
  void setCurrentRow(int zeile);
  // The row at a point of the viewport, -1 for none.
  int ZeileBei(const QPoint& p) const;
  QRect ZeilenRechteck(int zeile) const { return visualRect(modell_->index(zeile)); }
  const std::string& Path() const { return pfad_; }
  // Re-reads the folder (also when the path is unchanged).
  void SetPath(const std::string& pfad);
  void Refresh();
  int ListIndex() const { return currentRow(); }
  void SetListIndex(int index);
  // Selects a row without the click that shows its details.
  void Markieren(int index);
  int ListCount() const { return count(); }
  std::string List(int index) const;
  std::string FileName() const;  // selected name, "" when none

  // Events. Raised from the program (ListIndex) they pass errors on to the
  // caller; raised by the user they are caught and reported.
  std::function<void()> Click;
  std::function<void()> DblClick;
  std::function<void(Qt::MouseButton, int, int)> MouseDown;
  std::function<void(Qt::MouseButton, int, int)> MouseUp;
  // After Path was set (the folder to watch changed).
  std::function<void()> PfadGesetzt;
  // Set by a press that may start dragging the selected file.
  bool ZiehenErlaubt = false;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  std::string pfad_;
  bool programm_ = false;
  QPoint druckPunkt_;
  DateinamenModell* modell_;
};

// The drive list: one entry per drive of the drive table ("c:").
class DriveListBox : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveListBox(QWidget* eltern = nullptr);
  void Fuellen();
  // The selected drive as "c:".
  std::string Drive() const;
  // Selects the drive of a path ("C:\..."); raises Change when it differs.
  void SetDrive(const std::string& laufwerk);
  std::function<void()> Change;
};

// Runs an event handler started by the user: errors that the handler did not
// handle itself go to EreignisFehlerZiel() instead of the event loop.
// Enter belongs to the control with the focus: a focused button of the
// window is pressed, a list has taken it for its entry. True when taken so;
// only from a text box does Enter go on to the window's default button.
bool EnterAmFokus(QWidget* fenster, QKeyEvent* e);

// The focus alone chooses no entry of the list: without a selection it keeps
// no current row when it gets the focus (the view would make its first row
// current, and a button acting on the current row would take a row nobody
// chose). The first arrow key goes to the first row. The list's focus-in
// is handled there; filters installed on it before do not see it.
void FokusWaehltNichts(QAbstractItemView* liste);
// The rule itself around the view's own focus-in handling (for a view that
// handles its focus-in in an override).
void FokusOhneWahl(QAbstractItemView* liste, const std::function<void()>& fokusEreignis);

void Ereignis(const std::function<void()>& handler);

// Where Ereignis hands the errors its handlers left: the window layer
// installs the general error report (basis/fehlermelden.h). Unset, they are
// logged as warnings.
std::function<void(const std::exception&)>& EreignisFehlerZiel();

}  // namespace vxm
