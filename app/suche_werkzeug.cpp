// File-name and text search of the document store from the command line.
//
//   vxmdorvex-suche --name TEXT | --text TEXT | --keyword TERMS [--ordner WINDOWSPFAD]
//
// Drives come from VXM_LAUFWERKE ("C=/srv/vxm;D=/mnt/daten"); without it,
// drive C: is the working folder. The search starts in --ordner (default:
// the root of the first drive) and walks all sub-folders, as the window's
// data search does: --name finds files whose name contains TEXT (with "*",
// name part and three-letter extension as in the search box), --text finds
// files that contain TEXT in any letter case, in UTF-8 or Windows-1252.
//
// Output: one hit a line, the Windows-form folder, a TAB, the file name.
// Exit status: 0 with hits, 1 without, 2 for a usage error.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/laufwerke.h"
#include "search/datensuche.h"

namespace {

int Gebrauch() {
  std::cerr << "Aufruf: vxmdorvex-suche --name TEXT | --text TEXT | --keyword BEGRIFFE "
               "[--ordner WINDOWSPFAD]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vxm;
  std::string art, text, ordner;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--ordner" && i + 1 < argc) {
      ordner = argv[++i];
    } else if ((a == "--name" || a == "--text" || a == "--keyword") && i + 1 < argc) {
      if (!art.empty()) return Gebrauch();  // one kind of search at a time
      art = a;
      text = argv[++i];
    } else {
      return Gebrauch();
    }
  }
  if (art.empty()) return Gebrauch();
  if (art == "--keyword") {
    std::cerr << "vxmdorvex-suche: die Suche nach Schlüsselwörtern ist noch nicht verfügbar "
                 "(--keyword: the keyword register is not available yet)\n";
    return 2;
  }

  auto laufwerke = Laufwerkstabelle::AusUmgebung();
  if (ordner.empty()) ordner = laufwerke.AktuellerOrdner();
  Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
  Dienste().Meldungen = std::make_shared<KonsolenDialoge>(std::cin, std::cerr);

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
