#include "search/volltext/ocr.h"

#include <allheaders.h>
#include <tesseract/baseapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "search/volltext/extraktion.h"

namespace vxm::volltext {
namespace {

// One engine per process, set up on first use (loading the German model
// takes a while). The extraction helper is single-threaded.
tesseract::TessBaseAPI* api = nullptr;

// Released before tesseract's own caches go away at exit.
void EngineEnde() {
  if (api) api->End();
  delete api;
  api = nullptr;
}

tesseract::TessBaseAPI& Engine() {
  if (!api) {
    // One thread: the indexer runs at low priority beside the user's work.
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    auto neu = std::make_unique<tesseract::TessBaseAPI>();
    if (neu->Init(nullptr, "deu", tesseract::OEM_LSTM_ONLY) != 0) {
      throw std::runtime_error("Texterkennung nicht verfügbar (tesseract-ocr-deu fehlt)");
    }
    neu->SetPageSegMode(tesseract::PSM_AUTO);
    api = neu.release();
    std::atexit(&EngineEnde);
  }
  return *api;
}

std::string Erkennen(tesseract::TessBaseAPI& api) {
  std::unique_ptr<char[]> text(api.GetUTF8Text());
  api.Clear();
  return text ? std::string(text.get()) : std::string();
}

struct PixFrei {
  void operator()(Pix* p) const { pixDestroy(&p); }
};

}  // namespace

std::string OcrGrau(const unsigned char* daten, int breite, int hoehe, int zeilenbytes, int dpi) {
  auto& api = Engine();
  api.SetImage(daten, breite, hoehe, 1, zeilenbytes);
  api.SetSourceResolution(dpi);
  return Erkennen(api);
}

bool Bildgroesse(const std::filesystem::path& datei, int& breite, int& hoehe, unsigned& seiten) {
  l_int32 w = 0, h = 0, bps = 0, spp = 0, iscmap = 0, format = 0;
  if (pixReadHeader(datei.c_str(), &format, &w, &h, &bps, &spp, &iscmap) != 0) return false;
  breite = w;
  hoehe = h;
  seiten = 1;
  if (format == IFF_TIFF || format == IFF_TIFF_G4 || format == IFF_TIFF_LZW || format == IFF_TIFF_ZIP ||
      format == IFF_TIFF_PACKBITS || format == IFF_TIFF_RLE || format == IFF_TIFF_G3 || format == IFF_TIFF_JPEG) {
    if (FILE* f = std::fopen(datei.c_str(), "rb")) {
      l_int32 n = 1;
      if (tiffGetCount(f, &n) == 0 && n > 0) seiten = static_cast<unsigned>(n);
      std::fclose(f);
    }
  }
  return true;
}

std::string OcrBilddatei(const std::filesystem::path& datei, unsigned seite, unsigned& seiten) {
  int w = 0, h = 0;
  if (!Bildgroesse(datei, w, h, seiten)) throw std::runtime_error("Bild nicht lesbar");
  if (seite >= seiten) return {};
  // Some 100 megapixels at most: beyond that it is no page but a trap.
  if (static_cast<double>(w) * h > 100e6) throw std::runtime_error("Bild zu groß für die Texterkennung");
  std::unique_ptr<Pix, PixFrei> pix(seiten > 1 ? pixReadTiff(datei.c_str(), static_cast<l_int32>(seite))
                                                : pixRead(datei.c_str()));
  if (!pix) throw std::runtime_error("Bild nicht lesbar");
  auto& api = Engine();
  api.SetImage(pix.get());
  const l_int32 dpi = pixGetXRes(pix.get());
  api.SetSourceResolution(dpi >= 70 ? dpi : 300);
  return Erkennen(api);
}

namespace auslese_intern {

Auszug BildPruefen(const std::filesystem::path& datei, const std::string& bytes,
                   const Ausleseoptionen& o) {
  Auszug a;
  a.Art = "bild";
  // Metadata (camera, software, comments) sits in the head of a picture.
  a.Text = "\f\n";
  DruckbareFolgen(std::string_view(bytes).substr(0, 64 * 1024), a.Text);
  int w = 0, h = 0;
  unsigned seiten = 1;
  if (Bildgroesse(datei, w, h, seiten) && w >= o.MinBildkante && h >= o.MinBildkante) {
    a.Status = Auszugsstatus::OcrNoetig;
    a.Seiten = seiten;
  }
  return a;
}

Auszug OcrBild(const std::filesystem::path& datei, std::uint32_t seite) {
  Auszug a;
  a.Art = "bild/ocr";
  try {
    unsigned seiten = 1;
    a.Text = OcrBilddatei(datei, seite, seiten);
    a.Seiten = seiten;
  } catch (const std::runtime_error& e) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = e.what();
  }
  return a;
}

}  // namespace auslese_intern
}  // namespace vxm::volltext
