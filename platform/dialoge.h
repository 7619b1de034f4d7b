// Message boxes, behind an interface so that tests can answer them.
#pragma once

#include <iosfwd>
#include <string>

namespace vxm {

// Button and icon flags of a message box, combined by addition.
enum MsgBoxStil : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbAbortRetryIgnore = 2,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbRetryCancel = 5,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
  vbDefaultButton2 = 256,  // the second button answers Enter (for questions whose Ja cannot be undone)
};

enum MsgBoxAntwort : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbYes = 6, vbNo = 7 };

// A line break inside a message.
inline constexpr const char* vbCrLf = "\r\n";

class Dialoge {
 public:
  virtual ~Dialoge() = default;
  // Shows a modal message; an empty title means the program's own title.
  virtual int MsgBox(const std::string& text, int stil, const std::string& titel) = 0;
  // Asks for a line of text; a cancelled box gives "" (as the host's input
  // box does). The default implementation answers with the preset text.
  virtual std::string InputBox(const std::string& prompt, const std::string& titel,
                               const std::string& vorgabe);
  // The common open-file dialog. `filter` is in the host's form
  // ("MS Excel-Mappen (*.XLS) |*.XLS|"); `ordner` is a Windows-form folder.
  // Returns the chosen Windows-form file name, "" when cancelled. The
  // default implementation cancels.
  virtual std::string DateiOeffnen(const std::string& titel, const std::string& filter,
                                   const std::string& ordner);
};

// Messages on a terminal: the text goes to `aus`; questions are answered by
// a line from `ein` ("j"/"ja", "n"/"nein", anything else cancels, or says no
// where there is no cancel button).
class KonsolenDialoge : public Dialoge {
 public:
  KonsolenDialoge(std::istream& ein, std::ostream& aus) : ein_(ein), aus_(aus) {}
  int MsgBox(const std::string& text, int stil, const std::string& titel) override;

 private:
  std::istream& ein_;
  std::ostream& aus_;
};

// Messages where nobody can answer them: each box is written to `aus` and
// answered at once with its most cautious button (OK when it is the only
// one, else Cancel, or No where there is no Cancel; Abort for Abort/Retry/
// Ignore), whatever the default button. Input boxes and file dialogs are
// written too and count as cancelled. Nothing is ever read, so nothing waits.
class StilleDialoge : public Dialoge {
 public:
  explicit StilleDialoge(std::ostream& aus) : aus_(aus) {}
  int MsgBox(const std::string& text, int stil, const std::string& titel) override;
  std::string InputBox(const std::string& prompt, const std::string& titel,
                       const std::string& vorgabe) override;
  std::string DateiOeffnen(const std::string& titel, const std::string& filter,
                           const std::string& ordner) override;

 private:
  std::ostream& aus_;
};

}  // namespace vxm
