// The demo host's appointment component vxmTerminverwaltung: a small window
// showing the document it was handed and who handed it over.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/komponenten.h"

namespace vxm::demo {

class DemoTerminverwaltung : public Terminverwaltung {
 public:
  void Dokname(const std::string& name) override { name_ = name; }
  void Dokpfad(const std::string& ordner) override { ordner_ = ordner; }
  // Opens the window (it stays after the object is released).
  void Termin_Aufruf(std::vector<Variant>& aufrufParameter) override;

 private:
  std::string name_, ordner_;
};

}  // namespace vxm::demo
