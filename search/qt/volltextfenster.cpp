#include "search/qt/volltextfenster.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "basis/zustand.h"
#include "files/dateidetails.h"
#include "platform/dateisystem.h"
#include "platform/dienste.h"
#include "platform/qt/steuerelemente.h"
#include "platform/text.h"

#ifdef VXM_MIT_VOLLTEXT
#include "search/volltext/indexierer.h"
#include "search/volltext/volltextindex.h"
#include "search/volltext/volltextsuche.h"
#endif

namespace vxm {
namespace {

// The drives of this machine's file system; null for any other.
const Laufwerkstabelle* Laufwerke() {
  auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get());
  return host ? &host->Laufwerke() : nullptr;
}

}  // namespace

bool& VolltextFenster::Eingeschaltet() {
  static bool an = true;
  return an;
}

VolltextFenster::VolltextFenster(QWidget* fenster, QBoxLayout* statuszeile, FileListBox* dateiliste)
    : QObject(fenster), dateiliste_(dateiliste) {
  setObjectName("VolltextFenster");
  fortschritt_ = new QLabel(fenster);
  fortschritt_->setObjectName("lblIndex");
  // Quiet: grey, beside the status text.
  fortschritt_->setStyleSheet("color: gray;");
  fortschritt_->hide();
  pause_ = new QPushButton(QString::fromUtf8("Pause"), fenster);
  pause_->setObjectName("cmdIndexPause");
  pause_->setToolTip(QString::fromUtf8("Index im Hintergrund anhalten oder fortsetzen"));
  pause_->setFlat(true);
  pause_->hide();
  if (statuszeile) {
    statuszeile->addWidget(fortschritt_);
    statuszeile->addWidget(pause_);
  }
  connect(pause_, &QPushButton::clicked, this, [this] { Ereignis([this] { PauseUmschalten(); }); });
  uhr_.setInterval(1000);
  connect(&uhr_, &QTimer::timeout, this, [this] { FortschrittZeigen(); });
}

VolltextFenster::~VolltextFenster() { Beenden(); }

VolltextFenster* VolltextFenster::Von(QWidget* fenster) {
  return fenster ? fenster->findChild<VolltextFenster*>("VolltextFenster", Qt::FindDirectChildrenOnly) : nullptr;
}

void VolltextFenster::Starten() {
#ifdef VXM_MIT_VOLLTEXT
  if (indexierer_ || !Eingeschaltet()) return;
  const auto* laufwerke = Laufwerke();
  const auto& z = Zustand();
  if (!laufwerke || z.KeywordDatenbank.empty() || z.DokWurzel.empty()) return;
  try {
    indexHost_ = laufwerke->Aufloesen(volltext::Volltextindex::DateiNebenRegister(z.KeywordDatenbank)).Host.string();
    volltext::Indexiereroptionen o;
    o.Beobachten = true;
    indexierer_ = std::make_unique<volltext::Indexierer>(indexHost_, *laufwerke, std::vector<std::string>{z.DokWurzel}, o);
    if (!vorgemerkt_.empty()) indexierer_->OrdnerZuerst(vorgemerkt_);
    vorgemerkt_.clear();
    indexierer_->Starten();
  } catch (const std::exception&) {
    // No index (the register's folder is not writable, say): the text
    // search reads the bytes as before.
    indexierer_.reset();
    return;
  }
  fortschritt_->show();
  pause_->show();
  FortschrittZeigen();
  uhr_.start();
#endif
}

void VolltextFenster::Beenden() {
  uhr_.stop();
#ifdef VXM_MIT_VOLLTEXT
  if (indexierer_) indexierer_->Anhalten();
  indexierer_.reset();
  index_.reset();
#endif
}

void VolltextFenster::OrdnerGeoeffnet() {
#ifdef VXM_MIT_VOLLTEXT
  if (!Eingeschaltet() || !dateiliste_) return;
  const std::string ordner = dateiliste_->Path();
  if (ordner.empty()) return;
  if (indexierer_) {
    indexierer_->OrdnerZuerst(ordner);
  } else {
    vorgemerkt_ = ordner;
  }
#endif
}

void VolltextFenster::PauseUmschalten() {
#ifdef VXM_MIT_VOLLTEXT
  if (!indexierer_) return;
  if (indexierer_->Fortschritt().Pausiert) {
    indexierer_->Fortsetzen();
  } else {
    indexierer_->Pausieren();
  }
  FortschrittZeigen();
#endif
}

void VolltextFenster::FortschrittZeigen() {
#ifdef VXM_MIT_VOLLTEXT
  if (!indexierer_) return;
  const auto fs = indexierer_->Fortschritt();
  fortschritt_->setText(Q(volltext::FortschrittText(fs)));
  pause_->setText(QString::fromUtf8(fs.Pausiert ? "Fortsetzen" : "Pause"));
#endif
}

bool VolltextFenster::Suchen(const std::string& start, const std::string& text, SuchSteuerung& steuerung,
                             const std::function<void(const SuchTreffer&, const std::string& kontext)>& treffer,
                             SuchErgebnis& ergebnis) {
#ifdef VXM_MIT_VOLLTEXT
  const auto* laufwerke = Laufwerke();
  if (!Eingeschaltet() || !laufwerke || text.empty()) return false;
  if (!index_ && !indexHost_.empty() && std::filesystem::exists(indexHost_)) {
    try {
      index_ = std::make_unique<volltext::Volltextindex>(indexHost_);
    } catch (const std::exception&) {
      // unreadable: the bytes answer alone
    }
  }
  auto& z = Zustand();
  z.DateiTabelle.clear();
  z.DateiTabelleLuecken.clear();
  z.DateiTabelleVollstaendig = false;
  volltext::VolltextAuftrag a;
  a.Phrase = text;
  a.Ordner = start;
  // Folder times stand for the disk only while the indexer has worked in
  // everything its watching heard.
  a.Ordnerzeiten = indexierer_ && indexierer_->Ruhig();
  // Then a watched folder is not even looked at: its rows stand for it.
  if (a.Ordnerzeiten) {
    auto* ix = indexierer_.get();
    a.OrdnerUnveraendert = [ix](const std::string& ordnerKey) { return ix->Beobachtet(ordnerKey); };
  }
  const auto erg = volltext::VolltextSuchen(index_.get(), *laufwerke, a, [&](const volltext::VolltextTreffer& t) {
    treffer(SuchTreffer{t.Name, t.Ordner, IconSetzen(std::string(LetzteZeichen(t.Name, 3)))}, t.Kontext);
  }, &steuerung);
  ergebnis.Ordner = erg.Ordner;
  ergebnis.Dateien = erg.Dateien;
  ergebnis.Abgebrochen = erg.Abgebrochen;
  ergebnis.Ungelesen = erg.Ungelesen;
  // The file table stays empty and incomplete: the index answers without
  // passing every file (the register upkeep lists its folders itself).
  z.DateiTabelleLuecken = erg.Ungelesen;
  return true;
#else
  (void)start, (void)text, (void)steuerung, (void)treffer, (void)ergebnis;
  return false;
#endif
}

}  // namespace vxm
