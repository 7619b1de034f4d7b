// File-name and text search of the document store from the command line.
//
//   vxmdorvex-suche --name TEXT | --text TEXT | --keyword TERMS [--ordner WINDOWSPFAD]
//                   [--register WINDOWSPFAD] [--ohne-index]
//
// Drives come from VXM_LAUFWERKE ("C=/srv/vxm;D=/mnt/daten"); without it,
// drive C: is the working folder. The search starts in --ordner (default:
// the store beside the register, …\VXMDOK, else the root of the first
// drive; a named folder that is not there is a usage error) and walks all sub-folders, as the window's
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
// Fields are written as they are, unless one holds a control character
// (TAB, line break, ...) or begins with a double quote: that field is then
// written between double quotes with backslash escapes (\\, \t, \n, \r,
// and \0ooo in octal for '"' and other control characters), which a shell's
// printf '%b' reads back. So every hit stays one line of two fields (three
// with the context of --text), and
// ordinary Windows-form folders keep their single backslashes.
// Exit status: 0 with hits, 1 without, 2 for a usage error or a register
// that cannot be read.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <string_view>

#include "app/werkzeugordner.h"
#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "platform/sqlhilfen.h"
#include "platform/sqliteprozess.h"
#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/laufwerke.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "platform/verbindung.h"
#include "search/datensuche.h"
#include "search/suchbegriffe.h"
#ifdef VXM_MIT_VOLLTEXT
#include "search/volltext/volltextsuche.h"
#endif

namespace {

// Asked for (--hilfe) the usage goes to standard output and is no error.
int Gebrauch(bool gefragt = false) {
  (gefragt ? std::cout : std::cerr) << "Aufruf: vxmdorvex-suche --name TEXT | --text TEXT | --keyword BEGRIFFE "
                                       "[--ordner WINDOWSPFAD] [--register WINDOWSPFAD] [--ohne-index] [--kontext]\n";
  return gefragt ? 0 : 2;
}

bool Steuerzeichen(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// One field of an output line, quoted only where needed (see the head of
// this file).
std::string Maskiert(std::string_view feld) {
  const bool noetig = (!feld.empty() && feld.front() == '"') ||
                      std::any_of(feld.begin(), feld.end(), Steuerzeichen);
  if (!noetig) return std::string(feld);
  std::string aus = "\"";
  for (const char c : feld) {
    switch (c) {
      case '\\': aus += "\\\\"; break;
      case '\t': aus += "\\t"; break;
      case '\n': aus += "\\n"; break;
      case '\r': aus += "\\r"; break;
      default:
        if (c == '"' || Steuerzeichen(c)) {
          char oktal[8];
          std::snprintf(oktal, sizeof oktal, "\\0%03o", static_cast<unsigned char>(c));
          aus += oktal;
        } else {
          aus += c;
        }
    }
  }
  return aus + '"';
}

// One hit: folder and name, and with --kontext the words around the find
// (empty where there are none).
void TrefferSchreiben(std::string_view ordner, std::string_view name, const std::string_view* kontext = nullptr) {
  std::string zeile = Maskiert(ordner) + '\t' + Maskiert(name);
  if (kontext) zeile += '\t' + Maskiert(*kontext);
  zeile += '\n';
  std::fwrite(zeile.data(), 1, zeile.size(), stdout);
}

#ifdef VXM_MIT_VOLLTEXT
// --text with the full-text index (when one exists beside the register).
int IndexTextsuche(const std::string& text, const std::string& ordner, const std::string& register_,
                   const vxm::Laufwerkstabelle& laufwerke, bool kontext) {
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
  const auto erg = volltext::VolltextSuchen(index.get(), laufwerke, auftrag, [kontext](const volltext::VolltextTreffer& t) {
    const std::string_view k = t.Kontext;
    TrefferSchreiben(t.Ordner, t.Name, kontext ? &k : nullptr);
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

// The table of the keyword register that `db` lacks, or "".
std::string FehlendeTabelle(vxm::Datenbank& db) {
  for (const char* tabelle : {"Dateiinfo", "Keyword", "KeywordZwischentabelle"}) {
    const bool da = !db.Anbindung().Spalten(tabelle).empty();
    if (!da) return tabelle;
  }
  return {};
}

int RegisterNichtLesbar(const std::string& register_, const std::string& grund) {
  std::cerr << "vxmdorvex-suche: Das Schlüsselwortregister " << register_ << " kann nicht gelesen werden: " << grund
            << "\n";
  return 2;
}

std::vector<int32_t> KeywordIds(vxm::Datenbank& db, const std::string& begriffe);

// The registered files carrying any keyword of `begriffe` ("a;b*;c"), each
// once, in the order of their file numbers, written while the register is
// read. A register that cannot be read gives its message and status 2; when
// it is found damaged only part-way through, the lines before the message
// are no complete list.
int KeywordSuche(const std::string& begriffe, const std::string& register_) {
  using namespace vxm;
  static char ausgabe[1 << 16];
  std::setvbuf(stdout, ausgabe, _IOFBF, sizeof ausgabe);
  std::size_t dateien = 0;
  try {
    std::shared_ptr<Datenbank> db = DatenbankOeffnen(register_);
    if (const std::string fehlt = FehlendeTabelle(*db); !fehlt.empty())
      return RegisterNichtLesbar(register_, "die Tabelle " + fehlt + " fehlt (keine Registerdatei?).");
    // One pass in file order: a large page cache would only fill up.
    if (db->Handle()) sqlite3_exec(db->Handle(), "PRAGMA cache_size=-2048", nullptr, nullptr, nullptr);
    dateien = DateienMitKeywordsLesen(*db, KeywordIds(*db, begriffe),
                                      [](int32_t, std::string_view name, std::string_view pfad) {
                                        TrefferSchreiben(pfad, name);
                                      });
  } catch (const VbFehler& e) {
    std::fflush(stdout);
    return RegisterNichtLesbar(register_, e.Beschreibung);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    return RegisterNichtLesbar(register_, e.what());
  }
  std::fflush(stdout);
  if (dateien == 0) {
    std::cerr << kMeldungKeineSuchergebnisse << "\n";
    return 1;
  }
  return 0;
}

// The ids of the terms; a term ending in "*" gives every keyword that
// begins with the part before it.
std::vector<int32_t> KeywordIds(vxm::Datenbank& db, const std::string& begriffe) {
  using namespace vxm;
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
      if (const int32_t id = KeywordIdSuchen(db, begriff)) ids.insert(id);
    } else {
      praefixe.push_back(Gross(begriff.substr(0, stern)));
    }
  }
  if (!praefixe.empty()) {
    // Wildcards: one walk over the keyword names.
    sql::Abfrage a(db, "SELECT KeywordID, Keyword FROM Keyword");
    while (a.Zeile()) {
      const std::string name = Gross(std::string(a.Spalte(1)));
      for (const auto& p : praefixe)
        if (name.compare(0, p.size(), p) == 0) {
          ids.insert(static_cast<int32_t>(a.ZahlSpalte(0)));
          break;
        }
    }
  }
  return {ids.begin(), ids.end()};
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vxm;
  // Searching never writes to the register: its whole-file check waits for
  // a write that does not come.
  SchreibpruefungAufschieben(true);
  std::string art, text, ordner, register_ = "C:\\VXM\\VXMDAT\\vxmdok.mdb";
  bool ohneIndex = false, kontext = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--hilfe" || a == "--help") return Gebrauch(true);
    if (a == "--ordner" && i + 1 < argc) {
      ordner = argv[++i];
    } else if (a == "--register" && i + 1 < argc) {
      register_ = argv[++i];
    } else if (a == "--ohne-index") {
      ohneIndex = true;
    } else if (a == "--kontext") {
      kontext = true;  // a third field: the words around the find
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
  if (ordner.empty()) {
    ordner = StandardOrdner(laufwerke, register_);
  } else if (art != "--keyword" && !OrdnerDa(laufwerke, ordner)) {
    std::cerr << "vxmdorvex-suche: Der Ordner " << ordner << " wurde nicht gefunden.\n";
    return 2;
  }
  Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
  Dienste().Meldungen = std::make_shared<KonsolenDialoge>(std::cin, std::cerr);
  if (art == "--keyword") return KeywordSuche(text, register_);
#ifdef VXM_MIT_VOLLTEXT
  if (art == "--text" && !ohneIndex) return IndexTextsuche(text, ordner, register_, laufwerke, kontext);
#endif
  (void)ohneIndex;

  static char ausgabe[1 << 16];
  std::setvbuf(stdout, ausgabe, _IOFBF, sizeof ausgabe);
  SuchSteuerung steuerung;
  steuerung.Treffer = [kontext](const SuchTreffer& t) {
    const std::string_view leer;
    TrefferSchreiben(t.Ordner, t.Name, kontext ? &leer : nullptr);
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
