// Message boxes, input boxes and the open-file dialog as Qt dialogs with
// German buttons. The window installs them as the thread's dialogs while it
// is shown.
#pragma once

#include <QWidget>
#include <string>

#include "platform/dialoge.h"

namespace vxm {

class QtDialoge : public Dialoge {
 public:
  explicit QtDialoge(QWidget* eltern = nullptr) : eltern_(eltern) {}
  void ElternSetzen(QWidget* eltern) { eltern_ = eltern; }
  int MsgBox(const std::string& text, int stil, const std::string& titel) override;
  std::string InputBox(const std::string& prompt, const std::string& titel,
                       const std::string& vorgabe) override;
  std::string DateiOeffnen(const std::string& titel, const std::string& filter,
                           const std::string& ordner) override;

 private:
  QWidget* eltern_;
};

// The program's title where a message has none of its own.
inline constexpr const char* kProgrammTitel = "vxmDorvex";

// "MS Excel-Mappen (*.XLS) |*.XLS|" -> "MS Excel-Mappen (*.XLS *.xls)".
std::string QtFilter(const std::string& hostFilter);

// Host path of this machine -> Windows form through the drive table
// ("" when no drive holds it).
std::string WindowsPfadAusHost(const std::string& hostPfad);

}  // namespace vxm
