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
#include <optional>
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

struct Aufruf {
  std::string Ordner, Register = "C:\\VXM\\VXMDAT\\vxmdok.mdb", Index;
  bool Fehler = false, RegisterGenannt = false;
  vxm::volltext::Indexiereroptionen Optionen;
};

// The options; a status to end with when they are wrong or ask for help.
std::optional<int> OptionenLesen(int argc, char** argv, Aufruf& a) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view o = argv[i];
    if (o == "--hilfe" || o == "--help") return Gebrauch(true);
    if (o == "--ordner" && i + 1 < argc) {
      a.Ordner = argv[++i];
    } else if (o == "--register" && i + 1 < argc) {
      a.Register = argv[++i];
      a.RegisterGenannt = true;
    } else if (o == "--index" && i + 1 < argc) {
      a.Index = argv[++i];
    } else if (o == "--voll") {
      a.Optionen.Voll = true;
    } else if (o == "--fehler") {
      a.Fehler = true;
    } else if (o == "--ohne-ocr") {
      a.Optionen.Ocr = false;
    } else if (o == "--vorrang") {
      a.Optionen.NiedrigePrioritaet = false;
    } else {
      return Gebrauch();
    }
  }
  return std::nullopt;
}

int FehlerListen(const std::filesystem::path& host) {
  try {
    vxm::volltext::Volltextindex index(host);
    for (const auto& e : index.NichtIndizierbare()) std::cout << e.Pfad << '\t' << e.Grund << '\n';
    return 0;
  } catch (const vxm::volltext::IndexFehler& e) {
    std::cerr << "vxmdorvex-index: " << e.what() << "\n";
    return 3;
  }
}

int Indexieren(const std::filesystem::path& host, const vxm::Laufwerkstabelle& laufwerke, const Aufruf& a) {
  using namespace vxm;
  using namespace vxm::volltext;
  try {
    Indexierer indexierer(host, laufwerke, {a.Ordner}, a.Optionen);
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
    return 0;
  } catch (const IndexFehler& e) {
    std::cerr << "vxmdorvex-index: " << e.what() << "\n";
    return 3;
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vxm;
  using namespace vxm::volltext;
  // This process is ours alone: SQLite need not count its memory, which
  // takes a lock around every allocation (the index writer allocates for
  // each n-gram; about 5 % of a run).
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  Aufruf a;
  if (const auto status = OptionenLesen(argc, argv, a)) return *status;
  const auto laufwerke = Laufwerkstabelle::AusUmgebung();
  if (a.RegisterGenannt && a.Index.empty() && !DateiDa(laufwerke, a.Register)) {
    std::cerr << "vxmdorvex-index: Das Register " << a.Register << " wurde nicht gefunden.\n";
    return 2;
  }
  if (a.Index.empty()) a.Index = Volltextindex::DateiNebenRegister(a.Register);
  if (a.Ordner.empty()) {
    a.Ordner = StandardOrdner(laufwerke, a.Register);
  } else if (!OrdnerDa(laufwerke, a.Ordner)) {
    std::cerr << "vxmdorvex-index: Der Ordner " << a.Ordner << " wurde nicht gefunden.\n";
    return 2;
  }
  std::filesystem::path host;
  try {
    host = laufwerke.Aufloesen(a.Index).Host;
  } catch (const VbFehler& e) {
    std::cerr << "vxmdorvex-index: " << a.Index << ": " << e.what() << "\n";
    return 3;
  }
  return a.Fehler ? FehlerListen(host) : Indexieren(host, laufwerke, a);
}
