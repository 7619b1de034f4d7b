// File-name and text search of the document store from the command line.
//
//   vxmdorvex-suche --name TEXT | --text TEXT | --keyword TERMS [--ordner WINDOWSPFAD]
//                   [--register WINDOWSPFAD] [--ohne-index]
//
// Drives come from VXM_LAUFWERKE ("C=/srv/vxm;D=/mnt/daten"); without it,
// drive C: is the working folder. The search starts in --ordner (default:
// the root of the first drive) and walks all sub-folders, as the window's
// data search does: --name finds files whose name contains TEXT (with "*",
// name part and three-letter extension as in the search box), --text finds
// files that contain TEXT in any letter case, in UTF-8 or Windows-1252.
// --keyword looks TERMS up in the keyword register (--register, default
// C:\VXM\VXMDAT\vxmdok.mdb): terms are separated by ";", a term ending in
// "*" stands for every keyword beginning with it; each registered file that
// carries one of them is printed once (--ordner does not apply).
//
// --text answers from the full-text index beside the register (vxmdok.volltext)
// for the files it holds current, and searches the bytes of all others; each
// hit line then ends in a TAB and the phrase in its context. --ohne-index
// keeps the pure byte search.
//
// Output: one hit a line, the Windows-form folder, a TAB, the file name.
// Exit status: 0 with hits, 1 without, 2 for a usage error.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <string_view>

#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/laufwerke.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "search/datensuche.h"
#ifdef VXM_MIT_VOLLTEXT
#include "search/volltext/volltextsuche.h"
#endif

namespace {

int Gebrauch() {
  std::cerr << "Aufruf: vxmdorvex-suche --name TEXT | --text TEXT | --keyword BEGRIFFE "
               "[--ordner WINDOWSPFAD] [--register WINDOWSPFAD] [--ohne-index]\n";
  return 2;
}

#ifdef VXM_MIT_VOLLTEXT
// --text with the full-text index (when one exists beside the register).
int IndexTextsuche(const std::string& text, const std::string& ordner, const std::string& register_,
                   const vxm::Laufwerkstabelle& laufwerke) {
  using namespace vxm;
  std::unique_ptr<volltext::Volltextindex> index;
  try {
    const auto host = laufwerke.Aufloesen(volltext::Volltextindex::DateiNebenRegister(register_)).Host;
    if (std::filesystem::exists(host)) index = std::make_unique<volltext::Volltextindex>(host);
  } catch (const std::exception& e) {
    std::cerr << "vxmdorvex-suche: Volltextindex nicht nutzbar, es wird in den Dateien gesucht: " << e.what() << "\n";
  }
  static char ausgabe[1 << 16];
  std::setvbuf(stdout, ausgabe, _IOFBF, sizeof ausgabe);
  volltext::VolltextAuftrag auftrag;
  auftrag.Phrase = text;
  auftrag.Ordner = ordner;
  const auto erg = volltext::VolltextSuchen(index.get(), laufwerke, auftrag, [](const volltext::VolltextTreffer& t) {
    std::string zeile = t.Ordner + '\t' + t.Name + '\t' + t.Kontext + '\n';
    std::fwrite(zeile.data(), 1, zeile.size(), stdout);
  });
  std::fflush(stdout);
  for (const auto& u : erg.Ungelesen) std::cerr << "vxmdorvex-suche: Ordner nicht lesbar: " << u << "\n";
  if (erg.Dateien == 0) {
    std::cerr << kMeldungKeineSuchergebnisse << "\n";
    return 1;
  }
  return 0;
}
#endif

std::string Getrimmt(const std::string& s) {
  const auto a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// The registered files carrying any keyword of `begriffe` ("a;b*;c"), each
// once, in the order of their file numbers.
int KeywordSuche(const std::string& begriffe, const std::string& register_) {
  using namespace vxm;
  std::shared_ptr<Datenbank> db;
  try {
    db = DatenbankOeffnen(register_);
  } catch (const VbFehler& e) {
    std::cerr << "vxmdorvex-suche: " << register_ << ": " << e.what() << "\n";
    return 2;
  }
  std::set<int32_t> ids;
  std::vector<std::string> praefixe;
  std::size_t start = 0;
  while (start <= begriffe.size()) {
    auto ende = begriffe.find(';', start);
    if (ende == std::string::npos) ende = begriffe.size();
    const std::string begriff = Getrimmt(begriffe.substr(start, ende - start));
    start = ende + 1;
    if (begriff.empty()) continue;
    const auto stern = begriff.find('*');
    if (stern == std::string::npos) {
      if (const int32_t id = KeywordIdSuchen(*db, begriff)) ids.insert(id);
    } else {
      praefixe.push_back(Gross(begriff.substr(0, stern)));
    }
  }
  if (!praefixe.empty()) {
    // Wildcards: every keyword that begins with the part before the "*".
    for (auto rs = db->OpenRecordset("SELECT * FROM Keyword"); !rs.Eof(); rs.MoveNext()) {
      const std::string name = Gross(rs.Text("Keyword"));
      for (const auto& p : praefixe)
        if (name.compare(0, p.size(), p) == 0) {
          ids.insert(rs.Zahl("KeywordID"));
          break;
        }
    }
  }
  std::map<int32_t, std::pair<std::string, std::string>> dateien;
  for (const int32_t id : ids)
    for (auto& t : DateienMitKeyword(*db, id)) dateien.emplace(t.Dateinummer, std::make_pair(t.Dateipfad, t.Dateiname));
  for (const auto& [nummer, datei] : dateien) std::cout << datei.first << '\t' << datei.second << '\n';
  std::cout.flush();
  if (dateien.empty()) {
    std::cerr << kMeldungKeineSuchergebnisse << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vxm;
  std::string art, text, ordner, register_ = "C:\\VXM\\VXMDAT\\vxmdok.mdb";
  bool ohneIndex = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--ordner" && i + 1 < argc) {
      ordner = argv[++i];
    } else if (a == "--register" && i + 1 < argc) {
      register_ = argv[++i];
    } else if (a == "--ohne-index") {
      ohneIndex = true;
    } else if ((a == "--name" || a == "--text" || a == "--keyword") && i + 1 < argc) {
      if (!art.empty()) return Gebrauch();  // one kind of search at a time
      art = a;
      text = argv[++i];
    } else {
      return Gebrauch();
    }
  }
  if (art.empty()) return Gebrauch();

  auto laufwerke = Laufwerkstabelle::AusUmgebung();
  if (ordner.empty()) ordner = laufwerke.AktuellerOrdner();
  Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
  Dienste().Meldungen = std::make_shared<KonsolenDialoge>(std::cin, std::cerr);
  if (art == "--keyword") return KeywordSuche(text, register_);
#ifdef VXM_MIT_VOLLTEXT
  if (art == "--text" && !ohneIndex) return IndexTextsuche(text, ordner, register_, laufwerke);
#endif
  (void)ohneIndex;

  static char ausgabe[1 << 16];
  std::setvbuf(stdout, ausgabe, _IOFBF, sizeof ausgabe);
  SuchSteuerung steuerung;
  steuerung.Treffer = [](const SuchTreffer& t) {
    std::fwrite(t.Ordner.data(), 1, t.Ordner.size(), stdout);
    std::fputc('\t', stdout);
    std::fwrite(t.Name.data(), 1, t.Name.size(), stdout);
    std::fputc('\n', stdout);
  };
  DatenSucheAuftrag auftrag;
  auftrag.Text = text;
  auftrag.Modus = art == "--text" ? Suchmodus::TextInhalt : Suchmodus::Dokumente;
  auftrag.TabelleFuehren = false;
  const SuchErgebnis erg = DatenSuche(ordner, auftrag, &steuerung);
  std::fflush(stdout);
  for (const auto& u : erg.Ungelesen) {
    std::cerr << "vxmdorvex-suche: Ordner nicht lesbar: " << u << "\n";
  }
  if (erg.Dateien == 0) {
    std::cerr << kMeldungKeineSuchergebnisse << "\n";
    return 1;
  }
  return 0;
}
