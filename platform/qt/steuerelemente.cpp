#include "platform/qt/steuerelemente.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QMimeData>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/qt/protokoll.h"
#include "platform/text.h"

namespace vxm {

std::function<void(const std::exception&)>& EreignisFehlerZiel() {
  static std::function<void(const std::exception&)> ziel;
  return ziel;
}

namespace {

void Weitergeben(const std::exception& e) {
  if (auto& ziel = EreignisFehlerZiel()) {
    ziel(e);
    return;
  }
  qCWarning(vxmEreignisse, "vxmDorvex: unbehandelter Fehler in einem Ereignis: %s", e.what());
}

}  // namespace

void Ereignis(const std::function<void()>& handler) {
  if (!handler) return;
  try {
    handler();
  } catch (const std::exception& e) {
    Weitergeben(e);
  } catch (...) {
    Weitergeben(VbFehler(fehlernr::InternerFehler, "Unbekannter Fehler"));
  }
}

std::string OrdnerPfadNormal(const std::string& pfad) {
  std::string p = pfad;
  for (auto& c : p)
    if (c == '/') c = '\\';
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  if (p.size() == 2 && p[1] == ':') p += '\\';
  return p;
}

void DirListBox::SetPath(const std::string& pfad) {
  const std::string neu = OrdnerPfadNormal(pfad);
  Dienste().Dateien->GetFolder(neu);  // 76 when it does not exist
  pfad_ = neu;
  if (Change) Change();
}

void DateinamenModell::Setzen(Namensliste namen) {
  beginResetModel();
  namen_ = std::move(namen);
  endResetModel();
}

int DateinamenModell::rowCount(const QModelIndex& eltern) const {
  return eltern.isValid() ? 0 : static_cast<int>(namen_.size());
}

QVariant DateinamenModell::data(const QModelIndex& index, int rolle) const {
  if (rolle != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  const std::string_view n = namen_[static_cast<std::size_t>(index.row())];
  return QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
}

namespace {
class UmlautDelegat : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override {
    const QSize g = QStyledItemDelegate::sizeHint(o, i);
    // The line is centred in its row: room above it (and so below) for
    // what a capital's accent rises over the font's ascent.
    return {g.width(), std::max(g.height(), QFontMetrics(o.font).height() + 2 * UmlautUeberstand(o.font))};
  }
};
}  // namespace

int UmlautUeberstand(const QFont& schrift) {
  const QFontMetrics m(schrift);
  return std::max(0, -m.boundingRect(QStringLiteral("ÜÄÖÅÉ")).top() - m.ascent());
}

void UmlautZeilen(QAbstractItemView* liste) { liste->setItemDelegate(new UmlautDelegat(liste)); }

FileListBox::FileListBox(QWidget* eltern) : QListView(eltern), modell_(new DateinamenModell(this)) {
  setModel(modell_);
  UmlautZeilen(this);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // One row height for all: the view lays out without asking every row.
  setUniformItemSizes(true);
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex&, const QModelIndex&) {
    if (!programm_) Ereignis(Click);
  });
}

void FileListBox::setCurrentRow(int zeile) {
  // as a list widget does in single selection: the current row is selected
  selectionModel()->setCurrentIndex(modell_->index(zeile), QItemSelectionModel::ClearAndSelect);
}

int FileListBox::ZeileBei(const QPoint& p) const {
  const QModelIndex i = indexAt(p);
  return i.isValid() ? i.row() : -1;
}

void FileListBox::SetPath(const std::string& pfad) {
  pfad_ = OrdnerPfadNormal(pfad);
  Refresh();
  if (PfadGesetzt) PfadGesetzt();
}

void FileListBox::Refresh() {
  std::vector<std::string> namen;
  try {
    namen = Dienste().Dateien->FileNames(pfad_);
  } catch (const VbFehler&) {
    // a folder that vanished shows no files
  }
  std::erase_if(namen, [](const std::string& n) { return n.empty() || n[0] == '.'; });  // hidden on this platform
  programm_ = true;
  modell_->Setzen(Namensliste(std::move(namen)));
  setCurrentRow(-1);
  programm_ = false;
}

void FileListBox::SetListIndex(int index) {
  Markieren(index);
  if (index >= 0 && Click) Click();
}

void FileListBox::Markieren(int index) {
  programm_ = true;
  setCurrentRow(index);
  programm_ = false;
}

std::string FileListBox::List(int index) const {
  if (index < 0 || index >= count()) return {};
  return std::string(modell_->Namen()[static_cast<std::size_t>(index)]);
}

std::string FileListBox::FileName() const { return List(currentRow()); }

void FileListBox::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    // The menu acts on what the pointer is on: the file under it becomes the
    // selected one (with its details), empty space leaves no file selected.
    // The base class is not asked: it would move the selection without Click.
    const int zeile = ZeileBei(e->position().toPoint());
    if (zeile >= 0 && zeile != currentRow()) {
      setCurrentRow(zeile);  // raises Click as the user's click does
    } else if (zeile < 0 && currentRow() >= 0) {
      programm_ = true;
      setCurrentRow(-1);
      clearSelection();
      programm_ = false;
    }
  } else {
    QListView::mousePressEvent(e);
  }
  ZiehenErlaubt = false;
  druckPunkt_ = e->position().toPoint();
  const auto p = e->position().toPoint();
  if (MouseDown) Ereignis([&] { MouseDown(e->button(), p.x(), p.y()); });
}

void FileListBox::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::RightButton) QListView::mouseReleaseEvent(e);
  const auto p = e->position().toPoint();
  if (MouseUp) Ereignis([&] { MouseUp(e->button(), p.x(), p.y()); });
}

void FileListBox::mouseDoubleClickEvent(QMouseEvent* e) {
  QListView::mouseDoubleClickEvent(e);
  if (e->button() == Qt::LeftButton) Ereignis(DblClick);
}

void FileListBox::mouseMoveEvent(QMouseEvent* e) {
  // The drag carries no data: the drop takes the list's selection.
  if (ZiehenErlaubt && (e->buttons() & Qt::LeftButton) && currentIndex().isValid() &&
      (e->position().toPoint() - druckPunkt_).manhattanLength() >= QApplication::startDragDistance()) {
    ZiehenErlaubt = false;
    auto* drag = new QDrag(this);
    auto* daten = new QMimeData;
    daten->setText(QString());
    drag->setMimeData(daten);
    drag->exec(Qt::CopyAction);
    return;
  }
  QListView::mouseMoveEvent(e);
}

void FileListBox::focusInEvent(QFocusEvent* e) {
  // The row the view makes current raises no click (FokusWaehltNichts).
  const bool vorher = programm_;
  programm_ = programm_ || !currentIndex().isValid();
  FokusOhneWahl(this, [&] { QListView::focusInEvent(e); });
  programm_ = vorher;
}

void FileListBox::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    Ereignis(DblClick);
    return;
  }
  QListView::keyPressEvent(e);
}

DriveListBox::DriveListBox(QWidget* eltern) : QComboBox(eltern) {
  connect(this, &QComboBox::activated, this, [this](int) { Ereignis(Change); });
}

void DriveListBox::Fuellen() {
  blockSignals(true);
  clear();
  auto& fs = *Dienste().Dateien;
  for (std::size_t i = 0; i < fs.DriveCount(); ++i) {
    try {
      addItem(Q(Klein(fs.DriveLetter(i)) + ":"));
    } catch (const VbFehler&) {
      // a drive that is not ready is not listed
    }
  }
  blockSignals(false);
}

std::string DriveListBox::Drive() const { return S(currentText()); }

void DriveListBox::SetDrive(const std::string& laufwerk) {
  if (laufwerk.empty()) return;
  const std::string gesucht = Klein(laufwerk.substr(0, 1)) + ":";
  const int i = findText(Q(gesucht));
  if (i < 0) throw VbFehler(fehlernr::NichtBereit, "Gerät nicht bereit");
  if (i == currentIndex()) return;
  blockSignals(true);
  setCurrentIndex(i);
  blockSignals(false);
  if (Change) Change();
}

bool EnterAmFokus(QWidget* fenster, QKeyEvent* e) {
  if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) return false;
  QWidget* fokus = fenster->focusWidget();
  if (!fokus || fokus->window() != fenster) return false;
  if (auto* knopf = qobject_cast<QPushButton*>(fokus)) {
    if (knopf->isEnabled() && knopf->isVisible()) knopf->click();
    return true;
  }
  return qobject_cast<QAbstractItemView*>(fokus) != nullptr;
}

void FokusOhneWahl(QAbstractItemView* liste, const std::function<void()>& fokusEreignis) {
  const bool ohne = !liste->currentIndex().isValid();
  fokusEreignis();  // the view's own handling first, then undone
  const QModelIndex i = liste->currentIndex();
  if (ohne && i.isValid() && liste->selectionModel() && !liste->selectionModel()->isSelected(i))
    liste->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

namespace {

class OhneWahlBeimFokus : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* liste = qobject_cast<QAbstractItemView*>(o);
    if (!liste || e->type() != QEvent::FocusIn) return false;
    FokusOhneWahl(liste, [&] { o->event(e); });
    return true;
  }
};

}  // namespace

void FokusWaehltNichts(QAbstractItemView* liste) { liste->installEventFilter(new OhneWahlBeimFokus(liste)); }

}  // namespace vxm
