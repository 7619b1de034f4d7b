#include "imaging/scanner.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <thread>

#include "basis/zustand.h"
#include "imaging/bilddatei.h"

#ifdef VXM_MIT_SANE
#include <sane/sane.h>
#endif

namespace vxm {

// SANE status -> image result code, chosen so that the user sees the message
// closest to what happened:
//
//   GOOD                   0
//   UNSUPPORTED            -50 "Function not available due to missing module"
//   CANCELLED              -33 "No data from device"
//   DEVICE_BUSY            -19 "Scanner error"
//   INVAL     at open      -40 no such device: "Das Programm konnte keinen Scanner erkennen!"
//   INVAL     otherwise    -1  "Value(s) out of range" (an option value the device refuses)
//   EOF       before data  -33 "No data from device"
//   JAMMED                 -45 "Paper could not be unloaded from ADF"
//   NO_DOCS                -47 "ADF bin is empty"
//   COVER_OPEN             -46 "ADF lid was opened"
//   IO_ERROR  at open      -19 "Scanner error"
//   IO_ERROR  reading      -2  "Error in receiving image"
//   NO_MEM                 -14 "Insufficient memory"
//   ACCESS_DENIED          -19 "Scanner error"
//   WARMING_UP             -49 "ADF is connected but not ready"
//   HW_LOCKED and others   -19 "Scanner error"
//
// Failures outside SANE's statuses: no device at all -40; SANE missing or
// not starting -50; a frame format or depth the writers cannot hold -26; a
// page too large to hold -14; an empty page -33.
int32_t VictorCodeAusSane(int saneStatus, ScanPhase phase) {
  switch (saneStatus) {
    case 0: return 0;
    case 1: return vic::ModulFehlt;
    case 2: return vic::KeineDaten;
    case 3: return vic::Scannerfehler;
    case 4: return phase == ScanPhase::Oeffnen ? vic::KeinScanner : vic::WertAusserhalb;
    case 5: return vic::KeineDaten;
    case 6: return vic::PapierstauEinzug;
    case 7: return vic::EinzugLeer;
    case 8: return vic::EinzugDeckelOffen;
    case 9: return phase == ScanPhase::Oeffnen ? vic::Scannerfehler : vic::Empfangsfehler;
    case 10: return vic::ZuWenigSpeicher;
    case 11: return vic::Scannerfehler;
    case 12: return -49;
    default: return vic::Scannerfehler;
  }
}

namespace {

std::vector<std::pair<std::string, std::string>> OptionenAusUmgebung() {
  std::vector<std::pair<std::string, std::string>> aus;
  const char* wert = std::getenv("VXM_SCAN_OPTIONEN");
  if (!wert) return aus;
  std::string text = wert;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t ende = std::min(text.find(';', pos), text.size());
    const std::string teil = text.substr(pos, ende - pos);
    const std::size_t gleich = teil.find('=');
    if (gleich != std::string::npos && gleich > 0) aus.emplace_back(teil.substr(0, gleich), teil.substr(gleich + 1));
    pos = ende + 1;
  }
  return aus;
}

#ifdef VXM_MIT_SANE

// SANE is set up for one scan and shut down afterwards, so that a scanner
// plugged in later is found and no device stays claimed between scans.
class SaneSitzung {
 public:
  SaneSitzung() { status_ = sane_init(nullptr, nullptr); }
  ~SaneSitzung() {
    if (geraet_) {
      // Backends that read through a helper thread stop it with an
      // asynchronous cancel; one that lands while the helper is inside
      // malloc or free (its first or last steps) leaks its buffer or leaves
      // the allocator locked, and the process hangs. A moment's pause lets
      // the helper reach its blocking write or its end, where a cancel is
      // harmless.
      if (gestartet_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      sane_cancel(geraet_);
      sane_close(geraet_);
    }
    if (status_ == SANE_STATUS_GOOD) sane_exit();
  }
  SaneSitzung(const SaneSitzung&) = delete;
  SaneSitzung& operator=(const SaneSitzung&) = delete;
  bool Bereit() const { return status_ == SANE_STATUS_GOOD; }
  SANE_Handle& Geraet() { return geraet_; }
  void Gestartet() { gestartet_ = true; }

 private:
  SANE_Status status_;
  SANE_Handle geraet_ = nullptr;
  bool gestartet_ = false;
};

int32_t OptionSetzen(SANE_Handle h, const std::string& name, const std::string& wert) {
  SANE_Int anzahl = 0;
  if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &anzahl, nullptr) != SANE_STATUS_GOOD) return 0;
  for (SANE_Int i = 1; i < anzahl; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (!d || !d->name || name != d->name) continue;
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) return 0;
    SANE_Status s = SANE_STATUS_INVAL;
    try {
      switch (d->type) {
        case SANE_TYPE_BOOL: {
          SANE_Bool b = (wert == "1" || wert == "true" || wert == "yes" || wert == "ja") ? SANE_TRUE : SANE_FALSE;
          s = sane_control_option(h, i, SANE_ACTION_SET_VALUE, &b, nullptr);
          break;
        }
        case SANE_TYPE_INT: {
          SANE_Word w = static_cast<SANE_Word>(std::stol(wert));
          s = d->size == static_cast<SANE_Int>(sizeof(SANE_Word))
                  ? sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr)
                  : SANE_STATUS_INVAL;
          break;
        }
        case SANE_TYPE_FIXED: {
          SANE_Word w = SANE_FIX(std::stod(wert));
          s = d->size == static_cast<SANE_Int>(sizeof(SANE_Word))
                  ? sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr)
                  : SANE_STATUS_INVAL;
          break;
        }
        case SANE_TYPE_STRING: {
          if (wert.size() + 1 > static_cast<std::size_t>(d->size)) break;
          std::vector<char> puffer(static_cast<std::size_t>(d->size), '\0');
          std::memcpy(puffer.data(), wert.data(), wert.size());
          s = sane_control_option(h, i, SANE_ACTION_SET_VALUE, puffer.data(), nullptr);
          break;
        }
        default:
          return 0;
      }
    } catch (const std::exception&) {
      s = SANE_STATUS_INVAL;  // not a number
    }
    return VictorCodeAusSane(s, ScanPhase::Lesen);
  }
  return 0;
}

struct Rahmen {
  SANE_Parameters Parameter{};
  std::vector<uint8_t> Daten;
  int32_t Zeilen = 0;
};

// Reads one frame: parameters, then data until EOF.
int32_t RahmenLesen(SaneSitzung& sane, Rahmen& r, const ScanEinstellungen& e) {
  SANE_Handle h = sane.Geraet();
  sane.Gestartet();  // a failed start may have begun the helper too
  if (SANE_Status s = sane_start(h); s != SANE_STATUS_GOOD) return VictorCodeAusSane(s, ScanPhase::Oeffnen);
  if (SANE_Status s = sane_get_parameters(h, &r.Parameter); s != SANE_STATUS_GOOD)
    return VictorCodeAusSane(s, ScanPhase::Lesen);
  const SANE_Parameters& p = r.Parameter;
  if (p.bytes_per_line <= 0 || p.pixels_per_line <= 0) return vic::KeineDaten;
  const auto zeilenLaenge = static_cast<std::size_t>(p.bytes_per_line);
  const std::size_t grenze = static_cast<std::size_t>(kBildpufferHoechstePixel) * 6;
  if (p.lines > 0) {
    if (static_cast<int64_t>(p.pixels_per_line) * p.lines > kBildpufferHoechstePixel) return vic::ZuWenigSpeicher;
    r.Daten.reserve(zeilenLaenge * static_cast<std::size_t>(p.lines));
  }
  std::vector<SANE_Byte> puffer(std::size_t{256} * 1024);
  while (true) {
    SANE_Int gelesen = 0;
    const SANE_Status s = sane_read(h, puffer.data(), static_cast<SANE_Int>(puffer.size()), &gelesen);
    if (s == SANE_STATUS_EOF) break;
    if (s != SANE_STATUS_GOOD) return VictorCodeAusSane(s, ScanPhase::Lesen);
    if (r.Daten.size() + static_cast<std::size_t>(gelesen) > grenze) return vic::ZuWenigSpeicher;
    r.Daten.insert(r.Daten.end(), puffer.begin(), puffer.begin() + gelesen);
    // Stopped: the session's end cancels the device.
    if (e.Weiter && !e.Weiter(static_cast<int64_t>(r.Daten.size()),
                              p.lines > 0 ? static_cast<int64_t>(zeilenLaenge) * p.lines : 0))
      return vic::Abgebrochen;
  }
  // Hand scanners do not know the number of lines in advance; a device that
  // delivers fewer lines than announced gives what it delivered.
  r.Zeilen = static_cast<int32_t>(r.Daten.size() / zeilenLaenge);
  if (p.lines > 0 && r.Zeilen > p.lines) r.Zeilen = p.lines;
  if (r.Zeilen == 0) return vic::KeineDaten;
  return 0;
}

// Sample `i` of a row at the frame's depth, scaled to 0..255. At one bit,
// SANE sets the bit for black in grey frames and for full intensity in colour
// frames; the caller decides.
uint8_t Probe(const uint8_t* zeile, std::size_t i, int tiefe) {
  switch (tiefe) {
    case 1: return ((zeile[i / 8] >> (7 - i % 8)) & 1) ? 255 : 0;
    case 8: return zeile[i];
    default: {
      uint16_t v;
      std::memcpy(&v, zeile + 2 * i, 2);  // machine byte order
      return static_cast<uint8_t>(v >> 8);
    }
  }
}

int32_t RahmenZuBild(std::vector<Rahmen>& rahmen, Bildpuffer& ziel) {
  const SANE_Parameters& p0 = rahmen.front().Parameter;
  const int tiefe = p0.depth;
  if (tiefe != 1 && tiefe != 8 && tiefe != 16) return vic::BitsNichtUnterstuetzt;
  const int32_t breite = p0.pixels_per_line;
  int32_t hoehe = rahmen.front().Zeilen;
  for (const Rahmen& r : rahmen) {
    if (r.Parameter.depth != tiefe || r.Parameter.pixels_per_line != breite) return vic::UngueltigeDaten;
    hoehe = std::min(hoehe, r.Zeilen);
  }
  const auto zeile = [](const Rahmen& r, int32_t y) {
    return r.Daten.data() + static_cast<std::size_t>(r.Parameter.bytes_per_line) * static_cast<std::size_t>(y);
  };

  Bildpuffer bild;
  if (p0.format == SANE_FRAME_GRAY && rahmen.size() == 1) {
    const auto& r = rahmen.front();
    if (const int32_t c = BildpufferAnlegen(bild, breite, hoehe, tiefe == 1 ? 1 : 8)) return c;
    if (tiefe == 1) {
      bild.Palette = {RGB(255, 255, 255), RGB(0, 0, 0)};  // bit set: black
      for (int32_t y = 0; y < hoehe; ++y) std::memcpy(bild.Zeile(y), zeile(r, y), bild.ZeilenLaenge());
    } else {
      for (int32_t y = 0; y < hoehe; ++y) {
        uint8_t* z = bild.Zeile(y);
        for (int32_t x = 0; x < breite; ++x) z[x] = Probe(zeile(r, y), static_cast<std::size_t>(x), tiefe);
      }
    }
  } else if (p0.format == SANE_FRAME_RGB && rahmen.size() == 1) {
    const auto& r = rahmen.front();
    if (static_cast<int64_t>(r.Parameter.bytes_per_line) * 8 < static_cast<int64_t>(breite) * 3 * tiefe)
      return vic::UngueltigeDaten;
    if (const int32_t c = BildpufferAnlegen(bild, breite, hoehe, 24)) return c;
    for (int32_t y = 0; y < hoehe; ++y) {
      uint8_t* z = bild.Zeile(y);
      for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(breite); ++i) z[i] = Probe(zeile(r, y), i, tiefe);
    }
  } else {
    // Three-pass scanners send one frame per colour.
    const Rahmen* farbe[3] = {nullptr, nullptr, nullptr};
    for (const Rahmen& r : rahmen) {
      const int f = r.Parameter.format;
      if (f == SANE_FRAME_RED) farbe[0] = &r;
      else if (f == SANE_FRAME_GREEN) farbe[1] = &r;
      else if (f == SANE_FRAME_BLUE) farbe[2] = &r;
      else return vic::BitsNichtUnterstuetzt;
    }
    if (!farbe[0] || !farbe[1] || !farbe[2]) return vic::UngueltigeDaten;
    if (const int32_t c = BildpufferAnlegen(bild, breite, hoehe, 24)) return c;
    for (int32_t y = 0; y < hoehe; ++y) {
      uint8_t* z = bild.Zeile(y);
      for (int k = 0; k < 3; ++k)
        for (int32_t x = 0; x < breite; ++x)
          z[3 * static_cast<std::size_t>(x) + k] = Probe(zeile(*farbe[k], y), static_cast<std::size_t>(x), tiefe);
    }
  }
  ziel = std::move(bild);
  return 0;
}

#endif

}  // namespace

std::string& ErsatzScanner() {
  static std::string geraet;
  return geraet;
}

int32_t SeiteScannen(Bildpuffer& ziel, const ScanEinstellungen& einstellungen) {
#ifdef VXM_MIT_SANE
  try {
    SaneSitzung sane;
    if (!sane.Bereit()) return vic::ModulFehlt;

    std::string name = einstellungen.Geraet;
    if (name.empty()) {
      if (const char* umgebung = std::getenv("VXM_SCANNER")) name = umgebung;
    }
    if (name.empty()) {
      const SANE_Device** liste = nullptr;
      const SANE_Status s = sane_get_devices(&liste, SANE_FALSE);
      if (s == SANE_STATUS_GOOD && liste && liste[0]) {
        name = liste[0]->name;
      } else if (!ErsatzScanner().empty()) {
        // SANE opens a backend by name also when its configuration does not
        // list it.
        name = ErsatzScanner();
      } else {
        return s != SANE_STATUS_GOOD ? VictorCodeAusSane(s, ScanPhase::Oeffnen) : vic::KeinScanner;
      }
    }
    // Opening and starting a device can take seconds: the caller shows so first.
    if (einstellungen.Weiter && !einstellungen.Weiter(0, 0)) return vic::Abgebrochen;
    if (SANE_Status s = sane_open(name.c_str(), &sane.Geraet()); s != SANE_STATUS_GOOD) {
      sane.Geraet() = nullptr;
      return VictorCodeAusSane(s, ScanPhase::Oeffnen);
    }

    const auto optionen = einstellungen.Optionen.empty() ? OptionenAusUmgebung() : einstellungen.Optionen;
    for (const auto& [option, wert] : optionen)
      if (const int32_t c = OptionSetzen(sane.Geraet(), option, wert)) return c;

    std::vector<Rahmen> rahmen;
    do {
      if (rahmen.size() == 3) return vic::UngueltigeDaten;  // never ending frames
      rahmen.emplace_back();
      if (const int32_t c = RahmenLesen(sane, rahmen.back(), einstellungen)) return c;
    } while (!rahmen.back().Parameter.last_frame);
    return RahmenZuBild(rahmen, ziel);
  } catch (const std::bad_alloc&) {
    return vic::ZuWenigSpeicher;
  }
#else
  (void)ziel;
  (void)einstellungen;
  (void)OptionenAusUmgebung;
  return vic::ModulFehlt;
#endif
}

int32_t ScanBildEinlesen(const ScanEinstellungen& einstellungen) {
  auto neu = std::make_shared<Bildpuffer>();
  int32_t code = 0;
  {
    Sanduhr sanduhr;  // a scan takes seconds; SANE shows no window of its own
    code = SeiteScannen(*neu, einstellungen);
  }
  if (code == 0) {
    Zustand().ScanBild = std::move(neu);
  } else if (code != vic::Abgebrochen) {
    error_handler(code, "0");
  }
  return code;
}

}  // namespace vxm
