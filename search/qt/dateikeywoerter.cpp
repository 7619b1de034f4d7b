// The keyword maintenance window.
#include "search/qt/dateikeywoerter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <strings.h>

#include "basis/dateifunktionen.h"
#include "basis/einstellungen.h"
#include "basis/fehlermelden.h"
#include "basis/qt/bildschirm.h"
#include "basis/zustand.h"
#include "files/dateidetails.h"
#include "files/fingerabdruck.h"
#include "keywords/qt/keywortpanel.h"
#include "keywords/register.h"
#include "platform/datenbank.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "platform/oeffner.h"
#include "platform/qt/steuerelemente.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {

std::function<void(frmDateiKeywörter&)> frmDateiKeywörter::NachDemZeigen;

namespace {

const char* const kDesignLabel1 = "Liste der Dateien zu";
const char* const kAlleAnzeigen = "Alle vorhandenen Dokmente anzeigen";
const char* const kAusblenden = "Liste ausblenden";

template <class T>
T* Neu(QWidget* eltern, const char* name, const char* text = nullptr) {
  T* w = new T(eltern);
  if constexpr (requires { w->setText(QString()); })
    if (text) w->setText(QString::fromUtf8(text));
  w->setObjectName(QString::fromUtf8(name));
  return w;
}

// The caption above the list names every keyword searched for: many of
// them, or one long one, would widen the window past the screen, and
// thousands (a wildcard) would push the list away. It takes the width it is
// given, wraps into at most three lines, and shows its whole text as a
// tool tip.
class Beschriftung : public QLabel {
 public:
  explicit Beschriftung(QWidget* eltern) : QLabel(eltern) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room above the first line for the dots of a capital umlaut (RÜCKRUF).
    const int ueber = UmlautUeberstand(font());
    setContentsMargins(0, ueber, 0, 0);
    setMaximumHeight(fontMetrics().lineSpacing() * 3 + 2 * margin() + 2 + ueber);
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::ToolTip) {
      QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), text(), this);
      return true;
    }
    return QLabel::event(e);
  }
};

// The folder of an entry of the document list.
constexpr int kRolleOrdner = Qt::UserRole + 1;

int Symbolnummer(const std::string& name) { return IconSetzen(LetzteDreiZeichen(name)); }

const QIcon& Symbol(int nummer) {
  // The seven type icons are drawn once; a list of thousands reuses them.
  static std::vector<QIcon> cache;
  if (cache.empty())
    for (int i = 0; i <= 7; ++i) cache.push_back(i == 0 ? QIcon() : DateiSymbol(i));
  return cache[std::clamp(nummer, 0, 7)];
}

void Melden(const std::string& text, int stil = vbOKOnly, const std::string& titel = {}) {
  Dienste().Meldungen->MsgBox(text, stil, titel);
}

// Entries of a folder in the order a depth-first walk visits them: names
// without regard to (ASCII) case, files and folders apart.
struct Eintraege {
  std::vector<std::string> dateien;
  std::vector<std::string> ordner;
};

bool VorOhneGross(const std::string& a, const std::string& b) {
  const int r = strcasecmp(a.c_str(), b.c_str());
  return r != 0 ? r < 0 : a < b;
}

Eintraege Lesen(const std::string& ordner) {
  Eintraege e;
  std::error_code ec;
  std::filesystem::path host;
  try {
    host = HostPfadVon(ordner);
  } catch (const std::exception&) {
    return e;
  }
  std::filesystem::directory_iterator it(host, ec), ende;
  for (; !ec && it != ende; it.increment(ec)) {
    std::error_code ec2;
    std::string name = it->path().filename().string();
    // Folder links are not followed: a link back up would never end.
    const bool istOrdner = it->is_directory(ec2);
    if (istOrdner && !it->is_symlink(ec2))
      e.ordner.push_back(std::move(name));
    else if (!istOrdner)
      e.dateien.push_back(std::move(name));
  }
  std::sort(e.dateien.begin(), e.dateien.end(), VorOhneGross);
  std::sort(e.ordner.begin(), e.ordner.end(), VorOhneGross);
  return e;
}

}  // namespace

frmDateiKeywörter::frmDateiKeywörter(Hauptfensterzugang& haupt, KeywortSuchanbindung suche)
    : QDialog(&haupt.Fenster()), haupt_(haupt), suche_(std::move(suche)) {
  Aufbauen();
  DesignZustand();
}

void frmDateiKeywörter::Aufbauen() {
  setObjectName(QString::fromUtf8("frmDateiKeywörter"));
  setWindowTitle(QString::fromUtf8("Liste der Dateien zu Keywörter"));
  auto* l = new QVBoxLayout(this);
  Menue = new QMenuBar(this);
  Menue->setObjectName("Menue");
  mnuAnsicht = Menue->addMenu(QString::fromUtf8("Ansicht"));
  mnuAnsicht->setObjectName("mnuAnsicht");
  mnuGroßeSymbole = mnuAnsicht->addAction(QString::fromUtf8("Große Symbole"));
  mnuGroßeSymbole->setObjectName(QString::fromUtf8("mnuGroßeSymbole"));
  mnuKleineSymbole = mnuAnsicht->addAction(QString::fromUtf8("Kleine Symbole"));
  mnuKleineSymbole->setObjectName("mnuKleineSymbole");
  l->setMenuBar(Menue);

  auto* oben = new QHBoxLayout;
  Label1 = Neu<Beschriftung>(this, "Label1", kDesignLabel1);
  cmbKeywords = Neu<QComboBox>(this, "cmbKeywords");
  cmbKeywords->setMinimumWidth(Twips(3000));
  // Its width does not follow the longest keyword: that took the caption's room.
  cmbKeywords->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cmbKeywords->setMinimumContentsLength(20);
  oben->addWidget(Label1, 1);
  oben->addWidget(cmbKeywords);
  l->addLayout(oben);

  lstDateiGefunden = Neu<QTreeWidget>(this, "lstDateiGefunden");
  lstDateiGefunden->setRootIsDecorated(false);
  lstDateiGefunden->setUniformRowHeights(true);
  lstDateiGefunden->setColumnCount(2);
  FokusWaehltNichts(lstDateiGefunden);
  l->addWidget(lstDateiGefunden, 3);

  auto* knoepfe = new QHBoxLayout;
  cmdKeyLöschen = Neu<QPushButton>(this, "cmdKeyLöschen", "Keywort entfernen");
  cmdBearbeitungStarten = Neu<QPushButton>(this, "cmdBearbeitungStarten", "Keywort- Bearbeitung");
  cmdShowDocList = Neu<QPushButton>(this, "cmdShowDocList", kAlleAnzeigen);
  for (auto* k : {cmdKeyLöschen, cmdBearbeitungStarten, cmdShowDocList}) {
    k->setAutoDefault(false);
    knoepfe->addWidget(k);
  }
  l->addLayout(knoepfe);

  Label2 = Neu<QLabel>(this, "Label2", "Liste aller Dokumente:");
  l->addWidget(Label2);
  lstDateinamen = Neu<QListWidget>(this, "lstDateinamen");
  UmlautZeilen(lstDateinamen);
  lstDateinamen->setUniformItemSizes(true);
  l->addWidget(lstDateinamen, 2);
  auto* unten = new QHBoxLayout;
  cmdKeyaddtodoc = Neu<QPushButton>(this, "cmdKeyaddtodoc", "Keywort dieser Datei zuweisen");
  lblStatus = Neu<QLabel>(this, "lblStatus", "Suche läuft...");
  cmdAbbrechen = Neu<QPushButton>(this, "cmdAbbrechen", "Abbrechen");
  cmdSchliesen = Neu<QPushButton>(this, "cmdSchliesen", "Ende");
  Text1 = Neu<QLineEdit>(this, "Text1");
  Text1->hide();  // a marker, not for the user
  for (auto* k : {cmdKeyaddtodoc, cmdAbbrechen, cmdSchliesen}) k->setAutoDefault(false);
  unten->addWidget(cmdKeyaddtodoc);
  unten->addWidget(lblStatus);
  unten->addWidget(cmdAbbrechen);
  unten->addStretch(1);
  unten->addWidget(cmdSchliesen);
  l->addLayout(unten);
  resize(Twips(10500), Twips(7800));
  Verbinden();
}

void frmDateiKeywörter::Verbinden() {
  auto verbinden = [this](auto* quelle, auto signal, void (frmDateiKeywörter::*h)()) {
    connect(quelle, signal, this, [this, h] { Ereignis([&] { (this->*h)(); }); });
  };
  connect(cmbKeywords, &QComboBox::activated, this, [this](int) { Ereignis([&] { cmbKeywords_Click(); }); });
  verbinden(cmdShowDocList, &QPushButton::clicked, &frmDateiKeywörter::cmdShowDocList_Click);
  verbinden(cmdKeyLöschen, &QPushButton::clicked, &frmDateiKeywörter::cmdKeyLöschen_Click);
  verbinden(cmdBearbeitungStarten, &QPushButton::clicked, &frmDateiKeywörter::cmdBearbeitungStarten_Click);
  verbinden(cmdSchliesen, &QPushButton::clicked, &frmDateiKeywörter::cmdSchliesen_Click);
  verbinden(cmdKeyaddtodoc, &QPushButton::clicked, &frmDateiKeywörter::KeyZuweisen);
  verbinden(mnuGroßeSymbole, &QAction::triggered, &frmDateiKeywörter::mnuGroßeSymbole_Click);
  verbinden(mnuKleineSymbole, &QAction::triggered, &frmDateiKeywörter::mnuKleineSymbole_Click);
  connect(cmdAbbrechen, &QPushButton::clicked, this, [this] { ScanAbbrechen(); });
  connect(lstDateinamen, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem*) { Ereignis([&] { KeyZuweisen(); }); });
  connect(lstDateiGefunden, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* e, int) { Ereignis([&] { lstDateiGefunden_Activate(e); }); });
}

void frmDateiKeywörter::keyPressEvent(QKeyEvent* e) {
  if (!EnterAmFokus(this, e)) QDialog::keyPressEvent(e);
}

void frmDateiKeywörter::DesignZustand() {
  Label1->setText(QString::fromUtf8(kDesignLabel1));
  Text1->clear();
  Keyword.clear();
  lstDateiGefunden->clear();
  lstDateinamen->clear();
  lstDateinamen->hide();
  Label2->hide();
  cmdKeyaddtodoc->hide();
  lblStatus->hide();
  cmdAbbrechen->hide();
  cmdShowDocList->setText(QString::fromUtf8(kAlleAnzeigen));
  for (QWidget* w : std::initializer_list<QWidget*>{cmdKeyLöschen, cmdShowDocList, cmbKeywords}) w->show();
  ZeilenLeeren();
  gefundenerOrdner_.clear();
  abbrechen_ = false;
  entladenNachScan_ = false;
}

void frmDateiKeywörter::Form_Load() {
  DesignZustand();
  lstDateiGefunden->setHeaderLabels({QString::fromUtf8("Dateiname"), QString::fromUtf8("Dateipfad")});
  lstDateiGefunden->setColumnWidth(0, Twips(3500));
  mnuKleineSymbole_Click();
  cmbKeywords->clear();
  try {
    auto& q = haupt_.Register();
    q.RecordSource = "SELECT * FROM Keyword";
    q.Refresh();
    QStringList namen;
    for (auto& rs = q.Rs(); !rs.Eof(); rs.MoveNext()) namen << Q(rs.Text("Keyword"));
    cmbKeywords->addItems(namen);
  } catch (const VbFehler& e) {
    if (e.Nummer == 3024)
      Melden("Konnte die Datenbank nicht finden!", vbCritical, "Datenbank nicht vorhanden!");
    else
      FehlerMelden(e);
  }
  const QRect g = haupt_.Fenster().geometry();
  move(g.x() + Twips(1300), g.y() + Twips(1200));
  Skalieren();
  geladen_ = true;
}

void frmDateiKeywörter::Skalieren() {
  const std::string datei = SettingsDateiPfad();
  const float faktor = SkalierFaktorBerechnen(BildschirmBreite(), IniLesen(datei, "Section1", "Skalieren"),
                                              IniLesen(datei, "Section2", "SkFaktor"));
  if (!(faktor > 0.0f)) return;
  // The layouts place the controls; size, position and font carry the factor.
  const QRect g = geometry();
  auto mal = [faktor](int wert) { return static_cast<int>(static_cast<float>(wert) * faktor); };
  setGeometry(mal(g.x()), mal(g.y()), mal(g.width()), mal(g.height()));
  QFont schrift = font();
  schrift.setPointSizeF(schrift.pointSizeF() * faktor);
  setFont(schrift);
  lstDateiGefunden->setColumnWidth(0, mal(lstDateiGefunden->columnWidth(0)));
}

void frmDateiKeywörter::Zeigen() {
  if (isVisible()) return;  // already open: the refill is enough
  // Each opening starts in the hits, not where the focus was left last time
  // (a Down in the keyword box would switch the keyword).
  lstDateiGefunden->setFocus();
  if (NachDemZeigen) {
    show();
    NachDemZeigen(*this);
    return;
  }
  exec();
}

void frmDateiKeywörter::Unload() {
  if (ScanLaeuft()) {
    // The scan returns first; then the window goes.
    abbrechen_ = true;
    entladenNachScan_ = true;
    return;
  }
  geladen_ = false;
  DesignZustand();
  // However the window closes (Ende, Esc, close box), the main window's
  // suggestions for the search are done with.
  if (suche_.VorschlaegeVerbergen) suche_.VorschlaegeVerbergen();
  if (isVisible()) done(QDialog::Rejected);
  hide();
}

void frmDateiKeywörter::reject() {
  if (ScanLaeuft()) {
    abbrechen_ = true;  // Esc stops the scan, the window stays
    return;
  }
  Unload();
}

void frmDateiKeywörter::closeEvent(QCloseEvent* e) {
  e->ignore();
  if (ScanLaeuft()) {
    abbrechen_ = true;
    entladenNachScan_ = true;
    return;
  }
  Unload();
}

// ---- result list ----

void frmDateiKeywörter::ListeVorbereiten() { mnuKleineSymbole_Click(); }

void frmDateiKeywörter::TrefferHinzufuegen(const std::vector<RegisterTreffer>& treffer) {
  QList<QTreeWidgetItem*> eintraege;
  eintraege.reserve(static_cast<qsizetype>(treffer.size()));
  for (auto& t : treffer) {
    auto* e = new QTreeWidgetItem({Q(t.Dateiname), Q(t.Dateipfad)});
    e->setIcon(0, Symbol(Symbolnummer(t.Dateiname)));
    eintraege.push_back(e);
  }
  lstDateiGefunden->addTopLevelItems(eintraege);
}

void frmDateiKeywörter::mnuGroßeSymbole_Click() {
  ansicht_ = 0;
  lstDateiGefunden->setIconSize(QSize(32, 32));
  lstDateiGefunden->setHeaderHidden(true);
  lstDateiGefunden->setColumnHidden(1, true);
}

void frmDateiKeywörter::mnuKleineSymbole_Click() {
  ansicht_ = 3;
  lstDateiGefunden->setIconSize(QSize(16, 16));
  lstDateiGefunden->setHeaderHidden(false);
  lstDateiGefunden->setColumnHidden(1, false);
}

// ---- choosing a keyword ----

void frmDateiKeywörter::ZeilenKopieren() {
  kopie_.clear();
  for (int i = 0; i < lstDateiGefunden->topLevelItemCount(); ++i) {
    auto* e = lstDateiGefunden->topLevelItem(i);
    kopie_[Falten(S(e->text(1)))].insert(Falten(S(e->text(0))));
  }
}

void frmDateiKeywörter::ZeilenLeeren() { kopie_.clear(); }

void frmDateiKeywörter::cmbKeywords_Click() {
  if (ScanLaeuft()) return;
  std::string kw = S(cmbKeywords->currentText());
  Text1->setText("anwesend");
  lstDateiGefunden->clear();
  if (suche_.SucheDateien) suche_.SucheDateien(kw);
  Keyword = kw;
  Label1->setText(Q("Liste der Dateien zu " + kw + ":"));
  if (lstDateiGefunden->topLevelItemCount() == 0) {
    Label1->setText(Q("Keine Dateien zu " + kw + " vorhanden."));
    return;
  }
  if (Label2->isVisible()) {
    ZeilenKopieren();
    SammelnMitStatus();
    ZeilenLeeren();
  }
}

void frmDateiKeywörter::SammelnMitStatus() {
  lstDateinamen->hide();
  lstDateinamen->clear();
  lblStatus->show();
  DokumenteSammelnAb(Zustand().DokWurzel);
  lblStatus->hide();
  if (lstDateinamen->count() > 0) {
    lstDateinamen->setCurrentRow(0);
    lstDateinamen->show();
    Label2->show();
  } else {
    lstDateinamen->hide();
  }
}

void frmDateiKeywörter::cmdShowDocList_Click() {
  if (ScanLaeuft()) return;
  if (cmdShowDocList->text() != QString::fromUtf8(kAusblenden)) {
    ZeilenKopieren();
    SammelnMitStatus();
    ZeilenLeeren();
    if (!isVisible() && !NachDemZeigen) return;  // unloaded during the scan
    Label2->show();
    cmdKeyaddtodoc->show();
    cmdShowDocList->setText(QString::fromUtf8(kAusblenden));
  } else {
    lstDateinamen->hide();
    Label2->hide();
    cmdShowDocList->setText(QString::fromUtf8(kAlleAnzeigen));
  }
}

// ---- scans of the document tree ----

void frmDateiKeywörter::ScanBeginnen() {
  if (scanTiefe_++ == 0) {
    abbrechen_ = false;
    seitEreignissen_.start();
    cmdAbbrechen->show();
    // Only cancelling makes sense while the scan runs.
    for (QWidget* w : std::initializer_list<QWidget*>{cmbKeywords, lstDateiGefunden, cmdKeyLöschen,
                                                       cmdBearbeitungStarten, cmdShowDocList, lstDateinamen,
                                                       cmdKeyaddtodoc, cmdSchliesen, Menue})
      w->setEnabled(false);
  }
}

void frmDateiKeywörter::ScanBeenden() {
  if (--scanTiefe_ > 0) return;
  cmdAbbrechen->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{cmbKeywords, lstDateiGefunden, cmdKeyLöschen,
                                                     cmdBearbeitungStarten, cmdShowDocList, lstDateinamen,
                                                     cmdKeyaddtodoc, cmdSchliesen, Menue})
    w->setEnabled(true);
  if (entladenNachScan_) Unload();
}

bool frmDateiKeywörter::Zwischendurch() {
  // Often enough for the window to answer, seldom enough not to slow the walk.
  if (seitEreignissen_.elapsed() >= 40) {
    QCoreApplication::processEvents();
    seitEreignissen_.restart();
  }
  return !abbrechen_;
}

void frmDateiKeywörter::DokumenteSammelnAb(const std::string& ordner) {
  ScanBeginnen();
  gesammelt_.clear();
  DokumenteSammeln(ordner);
  // Each entry knows its folder (shown as its tool tip): of two files of
  // one name, the one chosen gets the keyword.
  lstDateinamen->setUpdatesEnabled(false);
  for (auto& [name, ort] : gesammelt_) DokumentAnhaengen(name, ort);
  lstDateinamen->setUpdatesEnabled(true);
  gesammelt_.clear();
  ScanBeenden();
}

void frmDateiKeywörter::DokumentAnhaengen(const QString& name, const QString& ort) {
  auto* eintrag = new QListWidgetItem(name, lstDateinamen);
  eintrag->setData(kRolleOrdner, ort);
  eintrag->setToolTip(ort);
}

bool frmDateiKeywörter::DokumenteSammeln(const std::string& ordner) {
  Eintraege e = Lesen(ordner);
  const auto bekannt = kopie_.find(Falten(ordner));
  for (auto& name : e.dateien) {
    if (bekannt != kopie_.end() && bekannt->second.count(Falten(name))) continue;
    gesammelt_.emplace_back(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), Q(ordner));
  }
  for (auto& name : e.ordner) {
    if (!Zwischendurch()) return false;
    if (!DokumenteSammeln(std::string(ordner).append("\\").append(name))) return false;
  }
  return true;
}

bool frmDateiKeywörter::DateiFinden(const std::string& ordner, const std::string& name) {
  Eintraege e = Lesen(ordner);
  std::filesystem::path host;
  try {
    host = HostPfadVon(ordner);
  } catch (const std::exception&) {
  }
  for (auto& datei : e.dateien) {
    std::error_code ec;
    const auto groesse = std::filesystem::file_size(host / datei, ec);
    if (!ec) BytesGezaehlt += static_cast<int64_t>(groesse);
    ++DateienGezaehlt;
    if (datei == name) {
      gefundenerOrdner_ = ordner;
      return true;
    }
  }
  for (auto& unter : e.ordner) {
    if (!Zwischendurch()) return false;
    if (DateiFinden(std::string(ordner).append("\\").append(unter), name)) return true;
  }
  return false;
}

std::string frmDateiKeywörter::SuchePfad() {
  gefundenerOrdner_.clear();
  DateienGezaehlt = 0;
  BytesGezaehlt = 0;
  auto ausgewaehlt = lstDateinamen->selectedItems();
  const QString ort = ausgewaehlt.isEmpty() ? QString() : ausgewaehlt.front()->data(kRolleOrdner).toString();
  if (!ort.isEmpty()) {
    // The entry's own folder, while the file is still there.
    if (DateiVorhanden(S(ort) + "\\" + S(ausgewaehlt.front()->text()))) gefundenerOrdner_ = S(ort);
  } else if (!ausgewaehlt.isEmpty()) {
    ScanBeginnen();
    lblStatus->show();
    DateiFinden(Zustand().DokWurzel, S(ausgewaehlt.front()->text()));
    lblStatus->hide();
    if (abbrechen_) gefundenerOrdner_.clear();
    ScanBeenden();
  }
  Text1->setText(Q(gefundenerOrdner_));
  return gefundenerOrdner_;
}

// ---- assigning, removing, opening ----

int32_t frmDateiKeywörter::ImRegisterZuweisen(const std::string& name, const std::string& ordner,
                                               const std::string& kw) {
  Datenbank& db = haupt_.Register().Database();
  const int32_t id = KeywordIdSuchen(db, kw);
  if (id == 0) {
    Melden("Keine Dateien zu " + kw + " vorhanden.");
    return 0;
  }
  Transaktion t(db);
  int32_t nummer = DateiNummerSuchen(db, name, ordner);
  if (nummer == 0) {
    auto rs = db.TabelleOeffnen("Dateiinfo");
    rs.AddNew();
    rs.FeldSetzen("Dateiname", Variant(name));
    rs.FeldSetzen("Dateipfad", Variant(Falten(ordner)));
    nummer = rs.Zahl("Dateinummer");
    rs.Update();
  }
  VerknuepfungAnhaengen(db, nummer, id);
  t.Bestaetigen();
  return nummer;
}

void frmDateiKeywörter::KeyZuweisen() {
  if (ScanLaeuft()) return;
  if (lstDateinamen->count() == 0) {
    Melden("Bitte zuerst Dokumente laden!");
    cmdShowDocList->setFocus();
    return;
  }
  auto ausgewaehlt = lstDateinamen->selectedItems();
  if (ausgewaehlt.isEmpty()) {
    Melden("Bitte Dokument aus Liste auswählen!");
    return;
  }
  QListWidgetItem* eintrag = ausgewaehlt.front();
  const std::string name = S(eintrag->text());
  const std::string ordner = SuchePfad();
  if (ordner.empty()) {
    // Gone since the list was read (or the search was cancelled): a
    // register row without a folder would point nowhere.
    if (!abbrechen_) Melden("Die Datei " + name + " wurde nicht gefunden.");
    return;
  }
  std::string kw = Keyword;
  int32_t nummer = 0;
  try {
    nummer = ImRegisterZuweisen(name, ordner, kw);
  } catch (const std::exception& f) {
    if (ServerAbgewiesen(f, "Das Keywort " + kw + " wurde der Datei " + name + " nicht zugewiesen")) return;
    throw;
  }
  if (nummer == 0) return;
  FingerabdruckNehmen(haupt_.Register().Database(), nummer, ordner, name);
  lstDateiGefunden->clear();
  if (suche_.SucheDateien) suche_.SucheDateien(kw);
  // A keyword that had no files has one now.
  if (lstDateiGefunden->topLevelItemCount() > 0) Label1->setText(Q("Liste der Dateien zu " + kw + ":"));
  delete lstDateinamen->takeItem(lstDateinamen->row(eintrag));
  // No entry moves up into the selection: a second press asks for a
  // document instead of tagging the one that came next.
  lstDateinamen->setCurrentItem(nullptr);
  lstDateinamen->clearSelection();
}

void frmDateiKeywörter::cmdKeyLöschen_Click() {
  // Only a hit the user selected: the one the keys merely passed keeps its keyword.
  auto* e = lstDateiGefunden->currentItem();
  if (!e || !e->isSelected()) {
    Melden("Bitte Dokument aus Liste auswählen!");
    return;
  }
  const std::string name = S(e->text(0)), ordner = S(e->text(1));
  const std::string kw = S(cmbKeywords->currentText());
  // The entry's own file, whatever the main window shows: its selection
  // stays where the user left it.
  Datenbank& db = haupt_.Register().Database();
  try {
    const auto r = KeywordEntfernenNachFrage(db, {name, ordner}, kw);
    if (!r) return;
    if (r->Dateinummer == 0) {
      // Renamed or moved meanwhile (another workstation): nothing was removed.
      Melden("Die Datei " + ordner + "\\" + name + " ist im Register nicht mehr so eingetragen; sie wurde "
             "inzwischen umbenannt, verschoben oder gelöscht. Das Keywort wurde nicht entfernt. Bitte suchen Sie "
             "erneut.");
      return;
    }
  } catch (const std::exception& fehler) {
    if (!ServerAbgewiesen(fehler, "Das Keywort " + kw + " wurde von der Datei " + name + " nicht entfernt"))
      FehlerMelden(fehler);
    return;
  }
  const FensterDatei gezeigt = haupt_.AktuelleDatei();
  if (GleichOhneFall(gezeigt.Name, name) && GleichOhneFall(gezeigt.Ordner, ordner)) haupt_.DateilisteAuffrischen();
  // Only when the link is gone.
  const int32_t nummer = DateiNummerSuchen(db, name, ordner);
  const int32_t id = KeywordIdSuchen(db, kw);
  if (nummer == 0 || id == 0 || !VerknuepfungVorhanden(db, nummer, id)) {
    // The shown list of documents without the keyword has one more.
    if (Label2->isVisible()) {
      DokumentAnhaengen(Q(name), Q(ordner));
      lstDateinamen->show();
    }
    delete e;
    // The next removal needs a choice of its own.
    lstDateiGefunden->clearSelection();
  }
}

void frmDateiKeywörter::lstDateiGefunden_Activate(QTreeWidgetItem* e) {
  if (!e) return;
  DokumentOeffnen(S(e->text(1)) + "\\" + S(e->text(0)));
}

void frmDateiKeywörter::cmdBearbeitungStarten_Click() {
  auto* e = lstDateiGefunden->currentItem();
  if (!e || !e->isSelected()) {
    Melden("Bitte Dokument aus Liste auswählen!");
    return;
  }
  const std::string name = S(e->text(0)), ordner = S(e->text(1));
  haupt_.OrdnerZeigen(ordner);
  if (!haupt_.DateiWaehlen(name)) {
    // Renamed, moved or deleted since the search: the panel would open on
    // another file of the folder, and keywords would land there.
    Melden("Die Datei " + ordner + "\\" + name + " ist nicht mehr vorhanden.");
    return;
  }
  if (suche_.KeywortPanelOeffnen) suche_.KeywortPanelOeffnen();
  Unload();
}

void frmDateiKeywörter::cmdSchliesen_Click() {
  if (suche_.SuchfeldLeeren) suche_.SuchfeldLeeren();
  Unload();
}

}  // namespace vxm
