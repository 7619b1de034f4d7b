// Outside components of the host suite, created by class name. A class that
// is not installed cannot be created (error 429).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vxm {

// The suite's general error program "vxmAllgError". Values are passed in the
// order of the setters below, then it is shown and its result is read.
class AllgFehlerProgramm {
 public:
  virtual ~AllgFehlerProgramm() = default;
  virtual void FehlerNr(int32_t nummer) = 0;
  virtual void FehlerText(const std::string& beschreibung) = 0;
  virtual void HilfeDatei(const std::string& datei) = 0;
  virtual void HilfeKontext(const std::string& kontext) = 0;
  virtual void Programm(const std::string& progName) = 0;
  virtual void Ort(const std::string& fehlerOrt) = 0;
  virtual void Zusatz1(const std::string& text) = 0;
  virtual void Zusatz2(const std::string& text) = 0;
  virtual void Beenden(bool flag) = 0;
  virtual void Zeigen() = 0;
  virtual int16_t Ergebnis() = 0;
};

struct AussenKomponenten {
  std::function<std::unique_ptr<AllgFehlerProgramm>()> vxmAllgError;

  // Raises error 429 when the class is not installed.
  std::unique_ptr<AllgFehlerProgramm> AllgErrorErzeugen() const;
};

}  // namespace vxm
