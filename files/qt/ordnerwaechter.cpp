// Watches the folder the file list shows, so files and sub-folders made,
// renamed or removed by others appear without a restart.
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "component/qt/frmdorvex.h"
#include "files/wiedererkennung.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/oeffner.h"
#include "platform/text.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

class OrdnerWaechter : public QObject {
 public:
  explicit OrdnerWaechter(frmDorvex& f) : QObject(&f), f_(f) {
    setObjectName("OrdnerWaechter");
    // Changes come in bursts (a copy writes many times): one refresh after them.
    ruhe_.setSingleShot(true);
    ruhe_.setInterval(200);
    connect(&waechter_, &QFileSystemWatcher::directoryChanged, this, [this] { ruhe_.start(); });
    connect(&ruhe_, &QTimer::timeout, this, [this] { Ereignis([this] { Nachziehen(); }); });
    // A file that left the shown folder is looked for elsewhere only once it
    // has stayed away a while (a program rewriting it empties its place for
    // a moment).
    nachsehen_.setSingleShot(true);
    nachsehen_.setInterval(kFortNach);
    connect(&nachsehen_, &QTimer::timeout, this, [this] { Ereignis([this] { Fortgezogene(); }); });
    f.filListBox->PfadGesetzt = [this] { Beobachten(); };
  }

 private:
  void Beobachten() {
    QString neu;
    try {
      neu = QString::fromStdString(HostPfadVon(f_.filListBox->Path()).string());
    } catch (const std::exception&) {
      // a folder the drive table does not know is not watched
    }
    if (neu == ordner_) return;
    if (!ordner_.isEmpty()) waechter_.removePath(ordner_);
    if (!eltern_.isEmpty()) waechter_.removePath(eltern_);
    ordner_ = neu;
    if (!ordner_.isEmpty()) waechter_.addPath(ordner_);
    // The folder above tells when the shown folder itself is renamed or
    // removed by another program.
    eltern_ = ordner_.isEmpty() ? QString() : QFileInfo(ordner_).absolutePath();
    if (eltern_ == ordner_) eltern_.clear();
    if (!eltern_.isEmpty()) waechter_.addPath(eltern_);
    geschwister_ = Unterordner(ElternPfad());
    // What the folder holds now is what a rename is later told from: all its
    // files, also those the list's pattern hides, as after each change.
    bekannt_ = Dateinamen(f_.filListBox->Path()).value_or(std::vector<std::string>{});
    gesehen_ = Jetzt();
    vermisst_.clear();
    unterordner_ = Unterordner(f_.filListBox->Path());
  }

  static int64_t Jetzt() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  }

  // Files of the shown folder still away: each is looked for under the store
  // root, among files moved or made there since it was last seen here.
  void Fortgezogene() {
    if (vermisst_.empty()) return;
    if (!f_.DirChangeAktiv) {
      nachsehen_.start();
      return;
    }
    const std::string ordner = f_.filListBox->Path();
    const auto jetzt = Dateinamen(ordner);
    if (!jetzt) return;
    std::vector<std::string> fort;
    int64_t seit = INT64_MAX;
    for (const auto& [name, zuletzt] : vermisst_) {
      if (std::any_of(jetzt->begin(), jetzt->end(), [&](const std::string& n) { return GleichOhneFall(n, name); }))
        continue;  // back (or there again under its name): it stays as it is
      fort.push_back(name);
      seit = std::min(seit, zuletzt);
    }
    vermisst_.clear();
    if (fort.empty()) return;
    try {
      // (a second of slack for file systems that keep coarser times)
      BeobachtungNachziehen(f_.DOC_DATA.Database(), ordner, fort, {}, seit - 1'000'000'000);
    } catch (const std::exception&) {
      // the register busy or away: the clean-up of the folder catches up
    }
  }

  // The folder's file names as the change events compare them; none when
  // the folder cannot be read.
  static std::optional<std::vector<std::string>> Dateinamen(const std::string& ordner) {
    try {
      std::vector<std::string> namen;
      for (auto& n : Dienste().Dateien->FileNames(ordner))
        if (!n.empty() && n[0] != '.') namen.push_back(std::move(n));
      return namen;
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }

  // What went from `vorher` and what came in `jetzt`.
  static void Unterschied(const std::vector<std::string>& vorher, const std::vector<std::string>& jetzt,
                          std::vector<std::string>& weg, std::vector<std::string>& neu) {
    const std::unordered_set<std::string> v(vorher.begin(), vorher.end()), j(jetzt.begin(), jetzt.end());
    for (const auto& n : vorher)
      if (!j.count(n)) weg.push_back(n);
    for (const auto& n : jetzt)
      if (!v.count(n)) neu.push_back(n);
  }

  static std::vector<std::string> Unterordner(const std::string& ordner) {
    try {
      return Dienste().Dateien->SubFolders(ordner);
    } catch (const std::exception&) {
      return {};
    }
  }

  // One sub-folder gone and one new at the same moment is a rename when the
  // new one holds a registered file of the old (files/wiedererkennung.h).
  void OrdnerUmbenennungNachziehen() {
    const std::string ordner = f_.filListBox->Path();
    std::vector<std::string> jetzt = Unterordner(ordner);
    std::vector<std::string> weg, neu;
    Unterschied(unterordner_, jetzt, weg, neu);
    unterordner_ = std::move(jetzt);
    if (weg.size() != 1 || neu.size() != 1) return;
    const std::string basis = !ordner.empty() && ordner.back() == '\\' ? ordner : ordner + "\\";
    try {
      vxm::OrdnerUmbenennungNachziehen(f_.DOC_DATA.Database(), basis + weg[0], basis + neu[0]);
    } catch (const std::exception&) {
      // the register busy or away: the clean-up of the folder catches up
    }
  }

  // A file renamed or moved in or out of the shown folder, or put back from
  // the trash, takes its keywords along at once (files/wiedererkennung.h);
  // the clean-up is not waited for.
  void UmbenennungenNachziehen() {
    const std::string ordner = f_.filListBox->Path();
    auto gelesen = Dateinamen(ordner);
    if (!gelesen) return;
    std::vector<std::string> jetzt = std::move(*gelesen);
    std::vector<std::string> weg, neu;
    Unterschied(bekannt_, jetzt, weg, neu);
    bekannt_ = std::move(jetzt);
    const int64_t zuletzt = gesehen_;
    gesehen_ = Jetzt();
    if (neu.empty() && weg.empty()) {
      // The same names after a change: files renamed over one another in one
      // go (names swapped by a script). Their prints tell which document is
      // where now; the keywords go with the documents.
      try {
        OrdnerNachpflegen(f_.DOC_DATA.Database(), ordner, Dienste().Dateien->Files(ordner));
      } catch (const std::exception&) {
        // the register busy or away: the clean-up of the folder catches up
      }
      return;
    }
    try {
      BeobachtungNachziehen(f_.DOC_DATA.Database(), ordner, weg, neu);
      // What went without turning up here again is looked for elsewhere later.
      for (const auto& name : weg)
        if (DateiNummerSuchen(f_.DOC_DATA.Database(), name, ordner) != 0) vermisst_.emplace(name, zuletzt);
      if (!vermisst_.empty()) nachsehen_.start();
    } catch (const std::exception&) {
      // the register busy or away: the clean-up of the folder catches up
    }
  }

  // Windows form of the folder above the shown one; empty at a drive's root.
  std::string ElternPfad() const {
    const std::string p = f_.filListBox->Path();
    const auto strich = p.rfind('\\');
    return strich == std::string::npos || strich + 1 >= p.size() || strich < 2 ? std::string() : p.substr(0, strich);
  }

  // The shown folder went away. Renamed (one folder beside it gone, one new
  // that holds its registered files), its rows follow and the window goes
  // with it; removed, the window shows the nearest folder still there.
  void OrdnerVerschwunden() {
    const std::string eltern = ElternPfad(), alt = f_.filListBox->Path(), datei = f_.filListBox->FileName();
    std::string neu;
    if (!eltern.empty()) {
      std::vector<std::string> weg, dazu;
      Unterschied(geschwister_, Unterordner(eltern), weg, dazu);
      // One folder gone, one new: a rename (the rows may have followed
      // already, when another workstation renamed it).
      if (weg.size() == 1 && dazu.size() == 1 && GleichOhneFall(eltern + "\\" + weg[0], alt)) {
        neu = eltern + "\\" + dazu[0];
        try {
          vxm::OrdnerUmbenennungNachziehen(f_.DOC_DATA.Database(), alt, neu);
        } catch (const std::exception&) {
          // the register busy or away: the clean-up catches up
        }
      }
    }
    f_.AuswahlVomProgramm = true;
    try {
      f_.Auffrischen();
      if (auto* k = neu.empty() ? nullptr : f_.Baum->Knoten(neu + "\\")) {
        f_.Baum->Auswaehlen(k);
        f_.Baum->NodeClick(k);
        // The file that was selected, at its new place.
        for (int i = 0; i < f_.filListBox->ListCount(); ++i)
          if (f_.filListBox->List(i) == datei) f_.filListBox->SetListIndex(i);
      }
    } catch (...) {
      f_.AuswahlVomProgramm = false;
      throw;
    }
    f_.AuswahlVomProgramm = false;
  }

  void Nachziehen() {
    // While a search walks the folders, or a label is edited, it waits.
    if (!f_.DirChangeAktiv || f_.Baum->LabelWirdBearbeitet()) {
      ruhe_.start();
      return;
    }
    if (!ordner_.isEmpty() && !QFileInfo(ordner_).isDir()) {
      OrdnerVerschwunden();
      return;
    }
    // A watched folder that was removed or renamed drops out of the watcher.
    if (!ordner_.isEmpty() && !waechter_.directories().contains(ordner_)) waechter_.addPath(ordner_);
    const std::string p = f_.dirListBox->Path();
    if (auto* k = f_.Baum->Knoten(!p.empty() && p.back() == '\\' ? p : p + "\\")) f_.Baum->KinderAbgleichen(k);
    // The folder above is watched too: folders beside the shown one made,
    // renamed or removed by others show in the tree as they are.
    if (const std::string e = ElternPfad(); !e.empty())
      if (auto* k = f_.Baum->Knoten(e + "\\")) f_.Baum->KinderAbgleichen(k);
    if (GleichOhneFall(f_.filListBox->Path(), f_.dirListBox->Path())) {
      OrdnerUmbenennungNachziehen();
      UmbenennungenNachziehen();
      f_.DateilisteAuffrischen();
    }
    if (!eltern_.isEmpty() && !waechter_.directories().contains(eltern_)) waechter_.addPath(eltern_);
    geschwister_ = Unterordner(ElternPfad());
  }

  frmDorvex& f_;
  QFileSystemWatcher waechter_;
  QTimer ruhe_, nachsehen_;
  static constexpr int kFortNach = 2500;  // ms a file must stay away
  int64_t gesehen_ = 0;                    // when the folder's files were last read (ns since the epoch)
  std::map<std::string, int64_t> vermisst_;  // names gone, with when they were last seen here
  QString ordner_, eltern_;
  std::vector<std::string> geschwister_;  // sub-folders of the folder above at the last look
  std::vector<std::string> bekannt_;  // file names of the shown folder at the last look
  std::vector<std::string> unterordner_;  // and its sub-folders
};

}  // namespace

void OrdnerWaechterEinrichten(frmDorvex& f) { new OrdnerWaechter(f); }

}  // namespace vxm
