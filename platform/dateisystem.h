// The platform's file-system object. All paths are Windows-form paths; each
// operation raises a VbFehler with the host's error number on failure:
// 52 bad or too long name, 53 file not found, 57 other device error, 58
// already exists, 61 disk full, 70 access denied (read-only items, missing
// permission), 71 drive not ready, 74 folder renamed across drives, 75 item in
// use or moved into itself, 76 path not found.
//
// "Read-only" is the Windows attribute; on this machine a file or folder
// whose owner write bit is cleared carries it.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/laufwerke.h"

namespace vxm {

struct DateiEintrag {
  std::string Name;
  std::uintmax_t Groesse = 0;
  std::time_t Geaendert = 0;
};

class Dateisystem {
 public:
  virtual ~Dateisystem() = default;

  // Succeeds when the path names an existing folder.
  virtual void GetFolder(const std::string& pfad) = 0;
  // Names of the sub-folders / files of an existing folder.
  virtual std::vector<std::string> SubFolders(const std::string& pfad) = 0;
  virtual std::vector<DateiEintrag> Files(const std::string& pfad) = 0;
  // Names of the files only, without size and date (the file list needs no
  // more, and a folder of many files is listed without a stat per file).
  virtual std::vector<std::string> FileNames(const std::string& pfad);
  // Creates one folder; its parent must exist.
  virtual void CreateFolder(const std::string& pfad) = 0;
  // Deletes a folder with its contents.
  virtual void DeleteFolder(const std::string& pfad, bool erzwingen) = 0;
  // GetFile(quelle).Copy(ziel, ueberschreiben).
  virtual void CopyFile(const std::string& quelle, const std::string& ziel,
                        bool ueberschreiben) = 0;
  virtual void DeleteFile(const std::string& pfad, bool erzwingen) = 0;
  virtual void CreateTextFile(const std::string& pfad, bool ueberschreiben) = 0;
  virtual bool FileExists(const std::string& pfad) = 0;
  // Renames or moves a file or folder; never replaces an existing item.
  // Files may move to another drive, folders may not (74).
  virtual void Name(const std::string& alt, const std::string& neu) = 0;
  // The platform's drives; DriveLetter raises 71 for a drive that is not ready.
  virtual std::size_t DriveCount() = 0;
  virtual std::string DriveLetter(std::size_t index) = 0;
  // Whole-file reads and writes, one byte per character.
  virtual std::string DateiLesen(const std::string& pfad) = 0;
  virtual void DateiSchreiben(const std::string& pfad, const std::string& bytes) = 0;
  // A new file with these bytes, whole or not at all (a crash leaves no
  // empty file under the name); 58 when the name is taken.
  virtual void NeueDateiSchreiben(const std::string& pfad, const std::string& bytes);
  // Removes the partial copies that a process which died mid-copy left in
  // the folder (see IstEigeneZwischendatei); the number removed.
  virtual std::size_t ZwischendateienAufraeumen(const std::string& ordner);
};

// The hidden partial copy this program writes beside a file before it takes
// the file's place is named ".~vxm<pid>-<machine>-<random>.tmp" (process id
// in decimal, 8 hex digits of the machine name's hash, 16 random hex
// digits). Only names of exactly this form are the program's own: listings
// hide them, and once the process that wrote them is gone (or, for another
// machine's, after a day) opening their folder removes them. Any other name,
// even one starting ".~vxm", is a user's file.
bool IstEigeneZwischendatei(std::string_view name);
// A fresh such name for a partial copy written by process `pid` of this machine.
std::string Zwischendateiname(long pid);

// Whether a path names an existing folder or file, asked without a report:
// a path that cannot be resolved (a drive that is away) names none.
bool OrdnerDa(Dateisystem& fs, const std::string& pfad);
bool DateiDa(Dateisystem& fs, const std::string& pfad);

// The host's error number for an operating-system failure.
int32_t SystemFehlernummer(const std::error_code& ec);

// The file system of this machine behind a drive table.
class HostDateisystem : public Dateisystem {
 public:
  explicit HostDateisystem(Laufwerkstabelle laufwerke);

  Laufwerkstabelle& Laufwerke() { return laufwerke_; }

  void GetFolder(const std::string& pfad) override;
  std::vector<std::string> SubFolders(const std::string& pfad) override;
  std::vector<DateiEintrag> Files(const std::string& pfad) override;
  std::vector<std::string> FileNames(const std::string& pfad) override;
  void CreateFolder(const std::string& pfad) override;
  void DeleteFolder(const std::string& pfad, bool erzwingen) override;
  void CopyFile(const std::string& quelle, const std::string& ziel, bool ueberschreiben) override;
  void DeleteFile(const std::string& pfad, bool erzwingen) override;
  void CreateTextFile(const std::string& pfad, bool ueberschreiben) override;
  bool FileExists(const std::string& pfad) override;
  void Name(const std::string& alt, const std::string& neu) override;
  std::size_t DriveCount() override;
  std::string DriveLetter(std::size_t index) override;
  std::string DateiLesen(const std::string& pfad) override;
  void DateiSchreiben(const std::string& pfad, const std::string& bytes) override;
  void NeueDateiSchreiben(const std::string& pfad, const std::string& bytes) override;
  std::size_t ZwischendateienAufraeumen(const std::string& ordner) override;

  // Helpers for setting the read-only attribute (used by tests and tools).
  static void SchreibgeschuetztSetzen(const std::filesystem::path& host, bool an);
  static bool Schreibgeschuetzt(const std::filesystem::path& host);

 private:
  AufgeloesterPfad Aufloesen(const std::string& pfad) const { return laufwerke_.Aufloesen(pfad); }
  AufgeloesterPfad Ordner(const std::string& pfad) const;

  Laufwerkstabelle laufwerke_;
};

}  // namespace vxm
