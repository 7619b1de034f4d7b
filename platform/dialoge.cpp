#include "platform/dialoge.h"

#include <istream>
#include <ostream>

#include "platform/text.h"

namespace vxm {

std::string Dialoge::InputBox(const std::string&, const std::string&, const std::string& vorgabe) {
  return vorgabe;
}

std::string Dialoge::DateiOeffnen(const std::string&, const std::string&, const std::string&) {
  return {};
}

int KonsolenDialoge::MsgBox(const std::string& text, int stil, const std::string& titel) {
  std::string zeilen;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    zeilen += text[i];
  }
  aus_ << "[" << (titel.empty() ? "vxmDorvex" : titel) << "] " << zeilen << "\n";
  const int knoepfe = stil & 7;
  if (knoepfe == vbOKOnly) return vbOK;
  aus_ << (knoepfe == vbOKCancel ? "(OK / Abbrechen) " : "(ja / nein) ") << std::flush;
  std::string antwort;
  if (!std::getline(ein_, antwort)) antwort.clear();
  antwort = Klein(antwort);
  if (knoepfe == vbOKCancel) return antwort == "ok" || antwort == "j" ? vbOK : vbCancel;
  if (antwort == "j" || antwort == "ja") return vbYes;
  if (antwort == "n" || antwort == "nein") return vbNo;
  return knoepfe == vbYesNoCancel ? vbCancel : vbNo;
}

}  // namespace vxm
