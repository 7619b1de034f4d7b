// The main window frmDorvex as the entry class sees it.
#pragma once

namespace vxm {

class Hauptfenster {
 public:
  virtual ~Hauptfenster() = default;
  // Runs the load step, then the window's events; returns when the user
  // closes the window. Raises error 364 when the window unloaded itself
  // during its load step.
  virtual void ZeigeModal() = 0;
  // Unloads the window; nothing happens when it is not loaded.
  virtual void Entladen() = 0;
};

}  // namespace vxm
