// Drive letters of the Windows-form paths that the component stores and the
// folders of this machine that stand behind them.
//
// Every path inside the component keeps its Windows form ("C:\VXMDOK\1").
// Only at the moment a file-system operation runs is the path resolved to a
// host path: the drive letter selects a mapped folder, and each further name
// is matched against the folder's entries without regard to case, as the
// Windows file system does. ".." never climbs above a drive's folder. As on
// Windows, dots and blanks at the end of a name are dropped ("Akte." is
// "Akte"), unless an entry of exactly that name exists on this machine.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxm {

struct AufgeloesterPfad {
  char Laufwerk = 'C';
  std::vector<std::string> Teile;   // names below the drive root, as found on disk where they exist
  std::vector<std::string> Eingabe; // the same names as the caller spelled them
  std::filesystem::path Host;       // host path (entries matched case-blind where they exist)
  std::string Windows() const;      // full Windows form, e.g. "C:\A\B" or "C:\" for the root
};

class Laufwerkstabelle {
 public:
  Laufwerkstabelle();

  // Maps a drive letter (any case) to a host folder.
  void Zuordnen(char buchstabe, std::filesystem::path ordner);
  void Entfernen(char buchstabe);
  std::vector<char> Buchstaben() const;
  std::optional<std::filesystem::path> Ordner(char buchstabe) const;

  // The process's current folder, in Windows form; relative paths start here.
  const std::string& AktuellerOrdner() const { return aktuell_; }
  void AktuellerOrdnerSetzen(std::string_view windowsPfad);

  // Resolves a Windows path. Raises error 52 for names with characters that
  // Windows forbids, 76 for a drive that is not mapped or a network path,
  // and 5 for an empty path.
  AufgeloesterPfad Aufloesen(std::string_view windowsPfad) const;

  // Reads the mapping from the environment variable VXM_LAUFWERKE
  // ("C=/srv/vxm;D=/mnt/daten"). Without it, drive C is the working folder.
  static Laufwerkstabelle AusUmgebung();

 private:
  std::map<char, std::filesystem::path> ordner_;
  std::string aktuell_ = "C:\\";
};

}  // namespace vxm
