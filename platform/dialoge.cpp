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

namespace {

// "[title] text" with the message's line breaks as plain line feeds.
void MeldungSchreiben(std::ostream& aus, const std::string& text, const std::string& titel) {
  std::string zeilen;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    zeilen += text[i];
  }
  aus << "[" << (titel.empty() ? "vxmDorvex" : titel) << "] " << zeilen << "\n";
}

}  // namespace

int KonsolenDialoge::MsgBox(const std::string& text, int stil, const std::string& titel) {
  MeldungSchreiben(aus_, text, titel);
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

int StilleDialoge::MsgBox(const std::string& text, int stil, const std::string& titel) {
  MeldungSchreiben(aus_, text, titel);
  int antwort = vbCancel;
  const char* wort = "Abbrechen";
  switch (stil & 7) {
    case vbOKOnly:
      aus_ << std::flush;
      return vbOK;
    case vbAbortRetryIgnore:
      antwort = vbAbort;
      break;
    case vbYesNo:
      antwort = vbNo;
      wort = "Nein";
      break;
    default:
      break;
  }
  aus_ << "(ohne Eingabe beantwortet: " << wort << ")\n" << std::flush;
  return antwort;
}

std::string StilleDialoge::InputBox(const std::string& prompt, const std::string& titel,
                                    const std::string&) {
  MeldungSchreiben(aus_, prompt, titel);
  aus_ << "(ohne Eingabe beantwortet: Abbrechen)\n" << std::flush;
  return {};
}

std::string StilleDialoge::DateiOeffnen(const std::string& titel, const std::string&,
                                        const std::string&) {
  MeldungSchreiben(aus_, "Datei öffnen", titel);
  aus_ << "(ohne Eingabe beantwortet: Abbrechen)\n" << std::flush;
  return {};
}

}  // namespace vxm
