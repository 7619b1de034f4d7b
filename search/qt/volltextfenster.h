// The full-text index in the main window: its background indexer starts
// with the window (at idle priority, following the folder watching), the
// folder the user opens is checked first, the progress shows quietly beside
// the status text and can be paused, and the text search answers from the
// index with the phrase in its context.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "search/datensuche.h"
#include "search/suchsteuerung.h"

class QBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace vxm {

class FileListBox;
namespace volltext {
class Indexierer;
class Volltextindex;
}  // namespace volltext

class VolltextFenster : public QObject {
 public:
  // Progress and pause go into `statuszeile`; `dateiliste` is the list
  // whose folder the user opens.
  VolltextFenster(QWidget* fenster, QBoxLayout* statuszeile, FileListBox* dateiliste);
  ~VolltextFenster() override;

  static VolltextFenster* Von(QWidget* fenster);

  // The window's life: after its load (register and document root known),
  // when a folder is opened, and when it unloads.
  void Starten();
  void OrdnerGeoeffnet();
  void Beenden();
  // Whether windows run the index (on; the tests of other parts switch it
  // off so no indexer works beside them).
  static bool& Eingeschaltet();

  // The text search with the index: false when the window has none (then
  // the data search answers). Hits come with the phrase in its context.
  bool Suchen(const std::string& start, const std::string& text, SuchSteuerung& steuerung,
              const std::function<void(const SuchTreffer&, const std::string& kontext)>& treffer,
              SuchErgebnis& ergebnis);

  volltext::Indexierer* Indexierer() const { return indexierer_.get(); }
  QLabel* Fortschritt() const { return fortschritt_; }
  QPushButton* PauseKnopf() const { return pause_; }
  void PauseUmschalten();
  void FortschrittZeigen();

 private:
  FileListBox* dateiliste_;
  QLabel* fortschritt_ = nullptr;
  QPushButton* pause_ = nullptr;
  QTimer uhr_;
  std::unique_ptr<volltext::Indexierer> indexierer_;
  std::unique_ptr<volltext::Volltextindex> index_;  // the search's connection
  std::string indexHost_;
  std::string vorgemerkt_;  // a folder opened before the indexer started
};

}  // namespace vxm
