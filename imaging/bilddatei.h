// Saving the scan image `ScanBild` to a picture file chosen by the file's
// extension, and the messages of the image result codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/bildpuffer.h"

namespace vxm {

// Encoders that live outside the Qt-free core (PNG and JPEG through Qt's
// image writers): they return the file's bytes or a negative result code.
// Empty ones make the format answer -50 (module missing).
struct Bildkodierer {
  std::function<int32_t(const Bildpuffer&, std::string& bytes)> Png;
  std::function<int32_t(const Bildpuffer&, int qualitaet, std::string& bytes)> Jpg;
};
Bildkodierer& BildkodiererDienst();

// The window shows the hourglass while a picture is being written; it
// installs the switch (true: wait pointer, false: default pointer).
std::function<void(bool)>& SanduhrDienst();

// Shows the hourglass for its lifetime.
class Sanduhr {
 public:
  Sanduhr();
  ~Sanduhr();
  Sanduhr(const Sanduhr&) = delete;
  Sanduhr& operator=(const Sanduhr&) = delete;
};

// The scan image lives from the main window's load (256 x 256, 8 bits) to its
// unload.
void ScanBildAnlegen();
void ScanBildFreigeben();

// Writers by format; each returns 0 or a negative result code and writes
// the file through the platform's file system.
int32_t BmpSpeichern(const std::string& datei, const Bildpuffer& bild);
int32_t TifSpeichern(const std::string& datei, const Bildpuffer& bild);
int32_t PngSpeichern(const std::string& datei, const Bildpuffer& bild);
int32_t JpgSpeichern(const std::string& datei, const Bildpuffer& bild, int qualitaet);
int32_t GifSpeichern(const std::string& datei, const Bildpuffer& bild);

// Saves `ScanBild` by the last three characters of the name (bmp, tif, png,
// jpg, gif, any case); reports a failure through error_handler and returns
// its code.
int32_t BildSpeichern(const std::string& dateiname);

// The message of a result code with the name appended where the table says
// so; "" for 0.
std::string VictorMeldung(int32_t code, const std::string& name);

// Shows VictorMeldung in a critical message box titled "Error encountered!".
void error_handler(int32_t code, const std::string& name);

}  // namespace vxm
