// The main window frmDorvex as the entry class sees it, and how the entry
// class gets one. Only the top layer (the public class and the window layer
// that installs the factory) knows the window; subsystems reach it through
// basis/qt/hauptfensterzugang.h.
#pragma once

#include <functional>
#include <memory>

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

using HauptfensterFabrik = std::function<std::shared_ptr<Hauptfenster>()>;

// How new windows are made on this thread (set by OberflaecheEinrichten or
// a test); empty: Dorvex_Aufruf shows nothing.
HauptfensterFabrik& HauptfensterErzeugen();

// The window of this thread's last call (null before the first).
std::shared_ptr<Hauptfenster>& AktuellesHauptfenster();

}  // namespace vxm
