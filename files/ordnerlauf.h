// The walk over a folder tree of the store: the one home of reading folders
// for the data search, the name search and the register clean-up.
//
// Folders are read through the file system of Dienste(). On this machine's
// file system the start folder is resolved once and the tree is then read
// directly, each folder staying open while its files are looked at; the
// folders and names handed out keep Windows form (folder + "\" + name).
#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vxm {

class HostDateisystem;

// Folder and name joined with one backslash ("C:\" + "A" is "C:\A").
std::string PfadVerbinden(const std::string& ordner, const std::string& name);

// One folder as a walk sees it: its files and sub-folders in name order
// (byte order). Our own unfinished copies are left out; a folder reached a
// second time (through a link) lists nothing.
class Ordnerleser {
 public:
  Ordnerleser();
  ~Ordnerleser();
  Ordnerleser(const Ordnerleser&) = delete;
  Ordnerleser& operator=(const Ordnerleser&) = delete;

  bool AufDieserMaschine() const { return host_ != nullptr; }

  // The start folder in Windows form and, on this machine, its host path;
  // false when the drive table cannot resolve it (`windows` is then the
  // folder as given).
  bool Start(const std::string& ordner, std::string& windows, std::string& hostPfad);

  // Reads a folder; false when it cannot be read.
  bool Lesen(const std::string& windows, const std::string& hostPfad);

  const std::vector<std::string>& Dateien() const { return dateien_; }
  const std::vector<std::string>& Unterordner() const { return ordner_; }

  // The host path of a sub-folder of `hostPfad` on this machine; "" elsewhere.
  std::string HostUnterordner(const std::string& hostPfad, const std::string& name) const;

  // The folder last read while it is open on this machine (its files are
  // opened relative to it); -1 otherwise.
  int Deskriptor() const;

  void Schliessen();

 private:
  bool HostLesen(const std::string& pfad);
  bool FsLesen(const std::string& windows);

  HostDateisystem* host_ = nullptr;
  DIR* dir_ = nullptr;
  std::set<std::pair<dev_t, ino_t>> besucht_;
  std::vector<std::string> dateien_, ordner_;
};

// The depth-first walk: a folder's files first, then its sub-folders in
// name order, each walked whole before the next. Unreadable folders are
// passed over and noted; the walk goes on.
class Ordnerlauf {
 public:
  virtual ~Ordnerlauf() = default;

  void Laufen(const std::string& ordner);
  // Folders that could not be read (Windows form), the start folder among
  // them when it could not be resolved.
  const std::vector<std::string>& Ungelesen() const { return ungelesen_; }

 protected:
  // A folder is about to be read; false ends the walk.
  virtual bool Betreten(const std::string&) { return true; }
  // The folder's files are listed (leser.Dateien()); the folder is open.
  virtual void Dateien(const std::string& windows, Ordnerleser& leser) = 0;
  // Before each sub-folder; false ends the walk.
  virtual bool Weiter() { return true; }

 private:
  void Ordner(const std::string& windows, const std::string& host);

  Ordnerleser leser_;
  std::vector<std::string> ungelesen_;
};

// What a file walk found: "folder\NAME" of every file (any case), whether
// the walk read everything, and the folders it could not read.
struct DateiBestand {
  std::vector<std::string> Dateien;
  bool Vollstaendig = true;
  std::vector<std::string> Luecken;
};

// Every file from `ordner` down, names upper-cased, in the order of the walk.
DateiBestand DateiBestandLesen(const std::string& ordner);

}  // namespace vxm
