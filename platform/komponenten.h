// Outside components of the host suite, created by class name. A class that
// is not installed cannot be created (error 429).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/variant.h"

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

// The suite's address export of the serial letters. Each method gets the
// whole parameter array: it exports the addresses of the entity in entry 70
// (empty: all) into the workbook named in entry 74 and may raise errors.
class AdressExport {
 public:
  virtual ~AdressExport() = default;
  // Addresses for labels ("ETTI").
  virtual void Etiketten(std::vector<Variant>& aufrufParameter) = 0;
  // Addresses with "Vorschreibung" ("VORS").
  virtual void Vorschreibung(std::vector<Variant>& aufrufParameter) = 0;
};

// The suite's appointment component "vxmTerminverwaltung". It gets the
// document's name and folder through its two text properties, then its
// entry with the host's whole parameter array (entry 39 names the caller).
class Terminverwaltung {
 public:
  virtual ~Terminverwaltung() = default;
  virtual void Dokname(const std::string& name) = 0;
  virtual void Dokpfad(const std::string& ordner) = 0;
  virtual void Termin_Aufruf(std::vector<Variant>& aufrufParameter) = 0;
};

struct AussenKomponenten {
  std::function<std::unique_ptr<AllgFehlerProgramm>()> vxmAllgError;
  std::function<std::unique_ptr<vxm::AdressExport>()> AdressExport;
  std::function<std::unique_ptr<Terminverwaltung>()> vxmTerminverwaltung;

  // Each raises error 429 when the class is not installed.
  std::unique_ptr<AllgFehlerProgramm> AllgErrorErzeugen() const;
  std::unique_ptr<vxm::AdressExport> AdressExportErzeugen() const;
  std::unique_ptr<Terminverwaltung> TerminverwaltungErzeugen() const;
};

}  // namespace vxm
