// The full-text index of the document store from the command line (the
// nightly run):
//
//   vxmdorvex-index [--ordner WINDOWSPFAD] [--voll] [--fehler] [--ohne-ocr]
//                   [--register WINDOWSPFAD | --index WINDOWSPFAD] [--vorrang]
//
// Drives come from VXM_LAUFWERKE ("C=/srv/vxm;D=/mnt/daten"), as for
// vxmdorvex-suche. Indexes --ordner (default: the store beside the register,
// …\VXMDOK, else the root of the first drive) with all sub-folders into the index beside the register (--register,
// default C:\VXM\VXMDAT\vxmdok.mdb, gives C:\VXM\VXMDAT\vxmdok.volltext).
// Unchanged files are not read again; --voll reads every file anew. The
// run yields to all other work (idle CPU and I/O class) unless --vorrang.
// --fehler lists the files that could not be indexed, one a line: the
// Windows-form path, a TAB, the reason.
//
// Exit status: 0 done, 2 usage error (also a missing --ordner or --register),
// 3 the index cannot be opened.
#include <sqlite3.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <string_view>

#include "platform/fehler.h"
#include "app/werkzeugordner.h"
#include "platform/laufwerke.h"
#include "search/volltext/indexierer.h"
#include "search/volltext/volltextindex.h"

namespace {

// Asked for (--hilfe) the usage goes to standard output and is no error.
int Gebrauch(bool gefragt = false) {
  (gefragt ? std::cout : std::cerr) << "Aufruf: vxmdorvex-index [--ordner WINDOWSPFAD] [--voll] [--fehler] [--ohne-ocr] "
                                       "[--register WINDOWSPFAD | --index WINDOWSPFAD] [--vorrang]\n";
  return gefragt ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vxm;
  using namespace vxm::volltext;
  // This process is ours alone: SQLite need not count its memory, which
  // takes a lock around every allocation (the index writer allocates for
  // each n-gram; about 5 % of a run).
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  std::string ordner, register_ = "C:\\VXM\\VXMDAT\\vxmdok.mdb", indexPfad;
  bool voll = false, fehler = false, ocr = true, vorrang = false, registerGenannt = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--hilfe" || a == "--help") return Gebrauch(true);
    if (a == "--ordner" && i + 1 < argc) {
      ordner = argv[++i];
    } else if (a == "--register" && i + 1 < argc) {
      register_ = argv[++i];
      registerGenannt = true;
    } else if (a == "--index" && i + 1 < argc) {
      indexPfad = argv[++i];
    } else if (a == "--voll") {
      voll = true;
    } else if (a == "--fehler") {
      fehler = true;
    } else if (a == "--ohne-ocr") {
      ocr = false;
    } else if (a == "--vorrang") {
      vorrang = true;
    } else {
      return Gebrauch();
    }
  }
  const auto laufwerke = Laufwerkstabelle::AusUmgebung();
  if (registerGenannt && indexPfad.empty() && !DateiDa(laufwerke, register_)) {
    std::cerr << "vxmdorvex-index: Das Register " << register_ << " wurde nicht gefunden.\n";
    return 2;
  }
  if (indexPfad.empty()) indexPfad = Volltextindex::DateiNebenRegister(register_);
  if (ordner.empty()) {
    ordner = StandardOrdner(laufwerke, register_);
  } else if (!OrdnerDa(laufwerke, ordner)) {
    std::cerr << "vxmdorvex-index: Der Ordner " << ordner << " wurde nicht gefunden.\n";
    return 2;
  }
  std::filesystem::path host;
  try {
    host = laufwerke.Aufloesen(indexPfad).Host;
  } catch (const VbFehler& e) {
    std::cerr << "vxmdorvex-index: " << indexPfad << ": " << e.what() << "\n";
    return 3;
  }

  if (fehler) {
    try {
      Volltextindex index(host);
      for (const auto& e : index.NichtIndizierbare()) std::cout << e.Pfad << '\t' << e.Grund << '\n';
      return 0;
    } catch (const IndexFehler& e) {
      std::cerr << "vxmdorvex-index: " << e.what() << "\n";
      return 3;
    }
  }

  Indexiereroptionen o;
  o.Voll = voll;
  o.Ocr = ocr;
  o.NiedrigePrioritaet = !vorrang;
  try {
    Indexierer indexierer(host, laufwerke, {ordner}, o);
    const bool terminal = ::isatty(2);
    indexierer.Durchlaufen([&](const Indexfortschritt& f) {
      if (terminal) std::cerr << '\r' << FortschrittText(f) << "   " << std::flush;
    });
    if (terminal) std::cerr << '\n';
    Volltextindex index(host);
    const auto st = index.Statistik();
    std::cerr << "Indiziert: " << MitTausenderpunkten(st.Indiziert)
              << ", nicht indizierbar: " << MitTausenderpunkten(st.NichtIndizierbar)
              << ", Texterkennung offen: " << MitTausenderpunkten(st.OcrAusstehend) << "\n";
  } catch (const IndexFehler& e) {
    std::cerr << "vxmdorvex-index: " << e.what() << "\n";
    return 3;
  }
  return 0;
}
