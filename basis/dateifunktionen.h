// Boolean wrappers around the file-system operations. Expected failures
// answer false silently; unexpected ones go through the general error report
// first. None of them raises an error to its caller.
#pragma once

#include <string>

namespace vxm {

bool OrdnerVorhanden(const std::string& pfad);
bool OrdnerLesbar(const std::string& pfad);
bool OrdnerAnlegen(const std::string& pfad);
bool OrdnerLoeschen(const std::string& pfad);
bool DateiKopieren(const std::string& quelle, const std::string& ziel);
bool DateiLoeschen(const std::string& pfad);
// A file the user chose to delete: into the desktop's trash where one takes
// it, so it can be taken back; otherwise deleted.
bool DateiWegwerfen(const std::string& pfad);
bool TextDateiAnlegen(const std::string& pfad, bool ueberschreiben);
bool DateiVorhanden(const std::string& pfad);
// Renames or moves; a file may move to another drive (copied, and the
// original deleted only once the copy is complete), a folder may not.
bool PfadUmbenennen(const std::string& alt, const std::string& neu);
bool LaufwerkVorhanden(const std::string& buchstabe);
// A name the store's Windows-form paths can hold: none of \ / : * ? " < > |
// and no control character (another program may have made such a file).
bool GueltigerName(const std::string& name);

// Cuts `p` down to its bare file name and leaves the search pattern in
// SuchName and SuchEndung of the component state ("*" where a part is missing).
bool DateinameZerlegen(std::string& p);

inline constexpr const char* kMeldungOrdnerInBenutzung =
    "Sie befinden sich noch(z.B. im Windwos Explorer) in diesem Ordner. Bitte schließen und "
    "nochmals umbenennen!";

}  // namespace vxm
