#include "imaging/bilddatei.h"

#include <cstring>
#include <map>
#include <new>

#include "basis/zustand.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

#ifdef VXM_MIT_TIFF
#include <tiffio.h>
#endif
#ifdef VXM_MIT_GIF
#include <gif_lib.h>
#endif

namespace vxm {
namespace {

// Entry as stored: the leading digit says whether the name is appended (1)
// or not (0); it is never shown.
const std::map<int32_t, const char*>& Meldungstabelle() {
  static const std::map<int32_t, const char*> tabelle = {
      {-1, "0Value(s) out of range"},
      {-2, "0Error in receiving image"},
      {-3, "1Disk full, file not written: "},
      {-4, "1Cannot open "},
      {-5, "0Invalid Data"},
      {-6, "1Unreadable TIF format: "},
      {-8, "0Unsupported TIF bits per sample"},
      {-9, "0Unsupported compression scheme"},
      {-10, "1Cannot create "},
      {-11, "1Invalid filetype: "},
      {-12, "0DIB is compressed and can not be processed"},
      {-14, "0Insufficient memory"},
      {-16, "1Unreadable PCX format: "},
      {-17, "1Unreadable GIF format: "},
      {-18, "0Printer error"},
      {-19, "0Scanner error"},
      {-25, "1Unreadable Targa format: "},
      {-26, "0Image bits per pixel not supported by function"},
      {-27, "1Unreadable BMP format: "},
      {-33, "0No data from device"},
      {-34, "0Function timed out"},
      {-41, "0Print function is busy"},
      {-42, "0Invalid image buffer address"},
      {-44, "0Image is too complex to complete operation"},
      {-45, "0Paper could not be unloaded from ADF"},
      {-46, "0ADF lid was opened"},
      {-47, "0ADF bin is empty"},
      {-48, "0ADF is not connected"},
      {-49, "0ADF is connected but not ready"},
      {-50, "0Function not available due to missing module"},
      {-51, "0TIF page not found"},
  };
  return tabelle;
}

constexpr const char* kUnbekannt = "0Das Programm konnte keinen Scanner erkennen!";

thread_local Bildkodierer tKodierer;
thread_local std::function<void(bool)> tSanduhr;

// Writes finished file bytes; failures of the file system become the codes
// whose messages name the file.
int32_t Schreiben(const std::string& datei, const std::string& bytes) {
  try {
    Dienste().Dateien->DateiSchreiben(datei, bytes);
    return 0;
  } catch (const VbFehler& f) {
    return f.Nummer == 61 ? vic::DiskVoll : vic::NichtErstellen;
  } catch (const std::bad_alloc&) {
    return vic::ZuWenigSpeicher;
  }
}

bool IstGrauverlauf(const std::vector<int32_t>& palette) {
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const int v = static_cast<int>(i * 255 / (palette.size() - 1));
    if (palette[i] != RGB(v, v, v)) return false;
  }
  return true;
}

#ifdef VXM_MIT_TIFF
// libtiff works on a seekable stream; the file is built in memory and then
// written through the platform's file system.
struct TiffStrom {
  std::string Daten;
  std::size_t Pos = 0;
};

tsize_t TiffLesen(thandle_t h, tdata_t puffer, tsize_t n) {
  auto* s = static_cast<TiffStrom*>(h);
  if (s->Pos >= s->Daten.size()) return 0;
  const std::size_t anzahl = std::min(static_cast<std::size_t>(n), s->Daten.size() - s->Pos);
  std::memcpy(puffer, s->Daten.data() + s->Pos, anzahl);
  s->Pos += anzahl;
  return static_cast<tsize_t>(anzahl);
}

tsize_t TiffSchreiben(thandle_t h, tdata_t puffer, tsize_t n) {
  auto* s = static_cast<TiffStrom*>(h);
  const auto anzahl = static_cast<std::size_t>(n);
  try {
    if (s->Pos + anzahl > s->Daten.size()) s->Daten.resize(s->Pos + anzahl);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::memcpy(s->Daten.data() + s->Pos, puffer, anzahl);
  s->Pos += anzahl;
  return n;
}

toff_t TiffSuchen(thandle_t h, toff_t ort, int woher) {
  auto* s = static_cast<TiffStrom*>(h);
  std::size_t basis = woher == SEEK_CUR ? s->Pos : woher == SEEK_END ? s->Daten.size() : 0;
  s->Pos = basis + static_cast<std::size_t>(ort);
  return static_cast<toff_t>(s->Pos);
}

int TiffSchliessen(thandle_t) { return 0; }
toff_t TiffGroesse(thandle_t h) { return static_cast<toff_t>(static_cast<TiffStrom*>(h)->Daten.size()); }
int TiffAbbilden(thandle_t, tdata_t*, toff_t*) { return 0; }
void TiffFreigeben(thandle_t, tdata_t, toff_t) {}

void TiffStill(const char*, const char*, va_list) {}
#endif

}  // namespace

Bildkodierer& BildkodiererDienst() { return tKodierer; }
std::function<void(bool)>& SanduhrDienst() { return tSanduhr; }

Sanduhr::Sanduhr() {
  if (tSanduhr) tSanduhr(true);
}
Sanduhr::~Sanduhr() {
  if (tSanduhr) tSanduhr(false);
}

void ScanBildAnlegen() {
  auto bild = std::make_shared<Bildpuffer>();
  if (BildpufferAnlegen(*bild, 256, 256, 8) == 0) Zustand().ScanBild = std::move(bild);
}

void ScanBildFreigeben() { Zustand().ScanBild.reset(); }

int32_t BmpSpeichern(const std::string& datei, const Bildpuffer& bild) {
  if (!bild.Gueltig()) return vic::UngueltigerPuffer;
  try {
    return Schreiben(datei, BmpAusPuffer(bild));
  } catch (const std::bad_alloc&) {
    return vic::ZuWenigSpeicher;
  }
}

int32_t TifSpeichern(const std::string& datei, const Bildpuffer& bild) {
  if (!bild.Gueltig()) return vic::UngueltigerPuffer;
#ifdef VXM_MIT_TIFF
  TIFFSetErrorHandler(TiffStill);
  TIFFSetWarningHandler(TiffStill);
  TiffStrom strom;
  TIFF* t = TIFFClientOpen("ScanBild", "w", &strom, TiffLesen, TiffSchreiben, TiffSuchen, TiffSchliessen,
                           TiffGroesse, TiffAbbilden, TiffFreigeben);
  if (!t) return vic::ZuWenigSpeicher;
  const int bpp = bild.BitsProPixel;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(bild.Breite));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(bild.Hoehe));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(bpp == 24 ? 8 : bpp));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(bpp == 24 ? 3 : 1));
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  std::vector<uint16_t> karte[3];
  if (bpp == 24) {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  } else if (IstGrauverlauf(bild.Palette)) {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  } else if (bpp == 1 && bild.Palette[0] == RGB(255, 255, 255) && bild.Palette[1] == RGB(0, 0, 0)) {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  } else {
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    for (int k = 0; k < 3; ++k) {
      for (int32_t f : bild.Palette)
        karte[k].push_back(static_cast<uint16_t>(((static_cast<uint32_t>(f) >> (8 * k)) & 0xFF) * 257));
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, karte[0].data(), karte[1].data(), karte[2].data());
  }
  bool gut = true;
  std::vector<uint8_t> zeile(bild.ZeilenLaenge());
  for (int32_t y = 0; y < bild.Hoehe && gut; ++y) {
    std::memcpy(zeile.data(), bild.Zeile(y), zeile.size());
    gut = TIFFWriteScanline(t, zeile.data(), static_cast<uint32_t>(y), 0) == 1;
  }
  TIFFClose(t);
  if (!gut) return vic::ZuWenigSpeicher;
  return Schreiben(datei, strom.Daten);
#else
  (void)datei;
  return vic::ModulFehlt;
#endif
}

int32_t PngSpeichern(const std::string& datei, const Bildpuffer& bild) {
  if (!bild.Gueltig()) return vic::UngueltigerPuffer;
  if (!tKodierer.Png) return vic::ModulFehlt;
  std::string bytes;
  if (const int32_t r = tKodierer.Png(bild, bytes)) return r;
  return Schreiben(datei, bytes);
}

int32_t JpgSpeichern(const std::string& datei, const Bildpuffer& bild, int qualitaet) {
  if (!bild.Gueltig()) return vic::UngueltigerPuffer;
  if (!tKodierer.Jpg) return vic::ModulFehlt;
  std::string bytes;
  if (const int32_t r = tKodierer.Jpg(bild, qualitaet, bytes)) return r;
  return Schreiben(datei, bytes);
}

int32_t GifSpeichern(const std::string& datei, const Bildpuffer& bild) {
  if (!bild.Gueltig()) return vic::UngueltigerPuffer;
  if (bild.BitsProPixel == 24) return vic::BitsNichtUnterstuetzt;  // reduce to a palette first
  if (bild.Breite > 65535 || bild.Hoehe > 65535) return vic::WertAusserhalb;
#ifdef VXM_MIT_GIF
  std::string bytes;
  auto ausgabe = [](GifFileType* g, const GifByteType* daten, int n) -> int {
    static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(daten), static_cast<std::size_t>(n));
    return n;
  };
  int fehler = 0;
  GifFileType* g = EGifOpen(&bytes, ausgabe, &fehler);
  if (!g) return vic::ZuWenigSpeicher;
  std::vector<GifColorType> farben;
  for (int32_t f : bild.Palette) {
    const auto u = static_cast<uint32_t>(f);
    farben.push_back({static_cast<GifByteType>(u & 0xFF), static_cast<GifByteType>((u >> 8) & 0xFF),
                      static_cast<GifByteType>((u >> 16) & 0xFF)});
  }
  ColorMapObject* karte = GifMakeMapObject(static_cast<int>(farben.size()), farben.data());
  bool gut = karte && EGifPutScreenDesc(g, bild.Breite, bild.Hoehe, bild.BitsProPixel, 0, karte) == GIF_OK &&
             EGifPutImageDesc(g, 0, 0, bild.Breite, bild.Hoehe, false, nullptr) == GIF_OK;
  std::vector<GifPixelType> zeile(static_cast<std::size_t>(bild.Breite));
  for (int32_t y = 0; y < bild.Hoehe && gut; ++y) {
    if (bild.BitsProPixel == 1) {
      for (int32_t x = 0; x < bild.Breite; ++x) zeile[x] = static_cast<GifPixelType>(bild.Index(x, y));
    } else {
      std::memcpy(zeile.data(), bild.Zeile(y), zeile.size());
    }
    gut = EGifPutLine(g, zeile.data(), bild.Breite) == GIF_OK;
  }
  GifFreeMapObject(karte);
  if (EGifCloseFile(g, &fehler) != GIF_OK) gut = false;
  if (!gut) return vic::ZuWenigSpeicher;
  return Schreiben(datei, bytes);
#else
  (void)datei;
  return vic::ModulFehlt;
#endif
}

int32_t BildSpeichern(const std::string& dateiname) {
  int32_t code = vic::UngueltigerDateityp;
  {
    Sanduhr sanduhr;
    static const Bildpuffer kLeer;
    const Bildpuffer& bild = Zustand().ScanBild ? *Zustand().ScanBild : kLeer;
    const std::string klein = Klein(dateiname);
    const std::string endung = klein.size() >= 3 ? klein.substr(klein.size() - 3) : klein;
    try {
      if (endung == "bmp") {
        code = BmpSpeichern(dateiname, bild);
      } else if (endung == "tif") {
        code = TifSpeichern(dateiname, bild);
      } else if (endung == "png") {
        code = PngSpeichern(dateiname, bild);
      } else if (endung == "jpg") {
        if (bild.BitsProPixel == 1) {
          Bildpuffer acht;  // allocated by the conversion
          code = Ein1Bit8Bit(bild, acht);
          if (code == 0) code = JpgSpeichern(dateiname, acht, 75);
        } else {
          code = JpgSpeichern(dateiname, bild, 75);
        }
      } else if (endung == "gif") {
        if (bild.BitsProPixel == 24) {
          Bildpuffer palette;  // allocated by the reduction
          code = RgbZuPalette(bild, palette, 256);
          if (code == 0) code = GifSpeichern(dateiname, palette);
        } else {
          code = GifSpeichern(dateiname, bild);
        }
      }
    } catch (const std::bad_alloc&) {
      code = vic::ZuWenigSpeicher;
    }
  }
  if (code != 0) error_handler(code, dateiname);
  return code;
}

std::string VictorMeldung(int32_t code, const std::string& name) {
  if (code == 0) return {};
  const auto& tabelle = Meldungstabelle();
  const auto it = tabelle.find(code);
  std::string eintrag = it == tabelle.end() ? kUnbekannt : it->second;
  if (eintrag.front() != '0') eintrag += name;
  return eintrag.substr(1);
}

void error_handler(int32_t code, const std::string& name) {
  if (code == 0) return;
  Dienste().Meldungen->MsgBox(VictorMeldung(code, name), vbCritical + vbOKOnly, "Error encountered!");
}

}  // namespace vxm
