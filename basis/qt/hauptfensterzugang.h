// What other windows and the subsystems may ask of the main window. Its
// controls stay with the window and its own subsystem controllers; a
// window of its own (folder properties, keyword window, scanning) gets this
// interface instead.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace vxm {

class Datenquelle;

// Points of the window's life at which subsystems hook in.
enum class LadePhase {
  Anfang,              // load step 3/4: reset search terms, allocate the scan image
  Vorhaben,            // the register is bound, the store's folders not yet made
  RegisterBereinigen,  // load step 22
  Entladen,            // unload step: free the scan image
  Escape,              // Esc pressed in the window: cancel what runs
};

// A file as the main window shows it: its name and folder (Windows form).
struct FensterDatei {
  std::string Name;
  std::string Ordner;
};

class Hauptfensterzugang {
 public:
  virtual ~Hauptfensterzugang() = default;

  // The window itself: parent and position of the other windows.
  virtual QWidget& Fenster() = 0;
  // The suite's scaling factor of the window (1 unscaled).
  virtual float Faktor() const = 0;
  // The keyword register's record-set source.
  virtual Datenquelle& Register() = 0;

  // Shows a folder in tree and file list, as a click in the tree does.
  virtual void OrdnerZeigen(const std::string& ordner) = 0;
  // Selects a file of the shown folder (case-blind) with its details;
  // false when the list does not hold it.
  virtual bool DateiWaehlen(const std::string& name) = 0;
  // Re-reads the shown folder, keeping the selected file where it still is
  // and reading its details again.
  virtual void DateilisteAuffrischen() = 0;
  // The selected file of the file list (empty name when none).
  virtual FensterDatei AktuelleDatei() const = 0;
  // Back from a result list to tree and file list.
  virtual void Ordneransicht() = 0;

  // Subsystems register what they do at the points of LadePhase.
  virtual void LadeHakenAnmelden(std::function<void(LadePhase)> haken) = 0;
};

}  // namespace vxm
