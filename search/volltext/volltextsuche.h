// The text search with the full-text index: files whose index row is
// current are answered from the index; files not indexed yet, changed since,
// not indexable, or waiting for OCR are searched by their bytes exactly as
// the data search does, so no search finds less than the byte search.
// Phrases shorter than four characters are searched in the bytes of every
// file as well (in compressed data they occur by chance, and the byte
// search reports such files). Each hit carries the phrase in its context.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/laufwerke.h"
#include "search/suchsteuerung.h"
#include "search/volltext/volltextindex.h"

namespace vxm::volltext {

struct VolltextAuftrag {
  std::string Phrase;
  std::string Ordner;      // Windows form; searched with all sub-folders
  bool Wortsuche = false;  // only where the phrase stands as whole words (indexed files)
  bool MitKontext = true;
  // Trust a folder whose time is the one the indexer recorded (no file
  // added, removed or renamed since) instead of looking at each of its
  // files: for a window whose indexer follows the folder watching, which
  // also reports files changed in place. Off, every file is looked at.
  bool Ordnerzeiten = false;
  // With Ordnerzeiten: true for a folder (its key, IndexSchluessel without a
  // final backslash) that the indexer's watching vouches for, so not even
  // its time is looked at.
  std::function<bool(const std::string& ordnerKey)> OrdnerUnveraendert;
  // Every file the search passes, hit or not (the window keeps its file
  // table for the register clean-up from it).
  std::function<void(const std::string& ordner, const std::string& name)> DateiGesehen;
};

struct VolltextTreffer {
  std::string Name;     // as on disk
  std::string Ordner;   // Windows form
  std::string Kontext;  // the phrase with some text on either side, one line
  bool AusIndex = false;
};

struct VolltextErgebnis {
  long Dateien = 0;      // hits
  long AusIndex = 0;     // hits answered by the index
  long Bytesuche = 0;    // files searched by their bytes
  long Ordner = 0;
  bool Abgebrochen = false;
  std::vector<std::string> Ungelesen;  // folders that could not be read
};

// `index` may be null: then every file is searched by its bytes. Hits come
// in the order of the data search (a folder's files by name, then its
// sub-folders by name).
VolltextErgebnis VolltextSuchen(Volltextindex* index, const Laufwerkstabelle& laufwerke,
                                const VolltextAuftrag& auftrag,
                                const std::function<void(const VolltextTreffer&)>& treffer,
                                SuchSteuerung* steuerung = nullptr);

// The phrase in its context: up to `umfeld` characters on either side of
// [pos, pos + laenge) of `text`, white space as single blanks, "…" where cut.
std::string Kontext(std::string_view text, std::size_t pos, std::size_t laenge, std::size_t umfeld = 40);

}  // namespace vxm::volltext
