#include "basis/dateifunktionen.h"

#include <algorithm>
#include <initializer_list>

#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace {

Dateisystem& Fs() { return *Dienste().Dateien; }

bool Erwartet(int32_t nummer, std::initializer_list<int32_t> still) {
  for (int32_t n : still) {
    if (n == nummer) return true;
  }
  return false;
}

// The common shape: run one operation; on failure answer false, reporting
// the error unless its number is one the wrapper expects.
template <typename Op>
bool Ausfuehren(std::initializer_list<int32_t> still, Op op) {
  try {
    op();
    return true;
  } catch (const VbFehler& fehler) {
    if (!Erwartet(fehler.Nummer, still)) FehlerMelden(fehler);
  } catch (const std::exception& fehler) {
    FehlerMelden(fehler);
  }
  return false;
}

}  // namespace

bool OrdnerVorhanden(const std::string& pfad) {
  // An invalid path (error 5) names no folder either.
  return Ausfuehren({fehlernr::PfadNichtGefunden, fehlernr::UngueltigerAufruf},
                    [&] { Fs().GetFolder(pfad); });
}

bool OrdnerLesbar(const std::string& pfad) {
  return Ausfuehren({fehlernr::PfadNichtGefunden}, [&] {
    Fs().GetFolder(pfad);
    Fs().SubFolders(pfad);
  });
}

bool OrdnerAnlegen(const std::string& pfad) {
  return Ausfuehren({fehlernr::PfadNichtGefunden, fehlernr::DateiExistiert},
                    [&] { Fs().CreateFolder(pfad); });
}

bool OrdnerLoeschen(const std::string& pfad) {
  return Ausfuehren({fehlernr::PfadNichtGefunden, fehlernr::DateiExistiert},
                    [&] { Fs().DeleteFolder(pfad, false); });
}

bool DateiKopieren(const std::string& quelle, const std::string& ziel) {
  return Ausfuehren({fehlernr::PfadNichtGefunden, fehlernr::DateiNichtGefunden},
                    [&] { Fs().CopyFile(quelle, ziel, true); });
}

bool DateiLoeschen(const std::string& pfad) {
  return Ausfuehren({fehlernr::DateiNichtGefunden}, [&] { Fs().DeleteFile(pfad, false); });
}

bool DateiWegwerfen(const std::string& pfad) {
  if (Dienste().Papierkorb) {
    try {
      if (Dienste().Papierkorb(pfad)) return true;
    } catch (const std::exception&) {
      // no trash after all: deleted as without one
    }
  }
  return DateiLoeschen(pfad);
}

bool TextDateiAnlegen(const std::string& pfad, bool ueberschreiben) {
  return Ausfuehren({fehlernr::DateiNichtGefunden},
                    [&] { Fs().CreateTextFile(pfad, ueberschreiben); });
}

bool GueltigerName(const std::string& name) {
  return name.find_first_of("\\/:*?\"<>|") == std::string::npos &&
         std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool DateiVorhanden(const std::string& pfad) {
  bool antwort = false;
  bool ok = Ausfuehren({fehlernr::DateiNichtGefunden}, [&] { antwort = Fs().FileExists(pfad); });
  return ok && antwort;
}

bool PfadUmbenennen(const std::string& alt, const std::string& neu) {
  try {
    Fs().Name(alt, neu);
    return true;
  } catch (const VbFehler& fehler) {
    if (fehler.Nummer == fehlernr::PfadZugriffsfehler) {
      Dienste().Meldungen->MsgBox(kMeldungOrdnerInBenutzung, 0, "");
    } else if (fehler.Nummer != fehlernr::DateiNichtGefunden) {
      FehlerMelden(fehler);
    }
  } catch (const std::exception& fehler) {
    FehlerMelden(fehler);
  }
  return false;
}

bool LaufwerkVorhanden(const std::string& buchstabe) {
  try {
    const std::size_t anzahl = Fs().DriveCount();
    for (std::size_t i = 0; i < anzahl; ++i) {
      try {
        if (Fs().DriveLetter(i) == buchstabe) return true;
      } catch (const VbFehler& fehler) {
        if (fehler.Nummer != fehlernr::NichtBereit) throw;
        // a drive that is not ready is passed over
      }
    }
  } catch (const std::exception& fehler) {
    FehlerMelden(fehler);
  }
  return false;
}

bool DateinameZerlegen(std::string& p) {
  auto& z = Zustand();
  z.SuchName.clear();
  z.SuchEndung.clear();
  std::string basis, endung;
  if (!p.empty()) {
    const auto strich = p.rfind('\\');
    if (strich != std::string::npos) p = p.substr(strich + 1);
    const auto punkt = p.find('.');
    if (punkt != std::string::npos) {
      basis = p.substr(0, punkt);
      endung = ErsteZeichen(std::string_view(p).substr(punkt + 1), 3);
    } else {
      basis = p;
      endung.assign(1, '*');  // no extension: any
    }
  }
  z.SuchName = basis.empty() ? "*" : basis;
  z.SuchEndung = endung.empty() ? "*" : endung;
  return !basis.empty() || !endung.empty();
}

}  // namespace vxm
