// LibreOffice headless as the office application of this machine: one
// conversion per call, each in a fresh user profile of its own (two instances
// sharing a profile do not convert, and report nothing), with a time limit.
//
// Everything here works on host paths and touches no component state, so it
// may run on any thread (a window runs it off its user-interface thread).
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace vxm {

struct LibreOfficeEinstellungen {
  // Program to start; a bare name is looked up in PATH. The environment
  // variable VXM_SOFFICE overrides the default "soffice".
  std::string Programm;
  std::chrono::milliseconds Zeitlimit{120000};
};

// Process-wide settings (read once from the environment, then changeable).
LibreOfficeEinstellungen& LibreOffice();

struct KonvertierErgebnis {
  bool Erfolg = false;
  std::filesystem::path Datei;  // the converted file when Erfolg
  int ExitStatus = -1;          // -1: not started or killed
  bool Zeitueberschritten = false;
  std::string Ausgabe;          // what soffice printed (stdout and stderr)
  std::string Fehler;           // why it failed, in words, for the error report
};

// Converts `quelle` with soffice --convert-to `ziel` (e.g. "doc:MS Word 97")
// into `ausgabeOrdner`. Success needs exit status 0 and a non-empty output
// file of the expected name; anything else (soffice missing, killed after the
// time limit, a filter that wrote nothing) is a failure, and then no output
// file is left behind.
// `eingabeFilter` (optional) is passed as --infilter, e.g. the CSV options.
KonvertierErgebnis Konvertieren(const std::filesystem::path& quelle, const std::string& ziel,
                                const std::filesystem::path& ausgabeOrdner,
                                const std::string& eingabeFilter = {});

// file:// URL of an absolute host path; everything outside the unreserved
// set is percent-encoded, so blanks and umlauts survive.
std::string DateiUrl(const std::filesystem::path& pfad);

// True when the configured program can be found (a path that exists and is
// executable, or a bare name found in PATH).
bool LibreOfficeVorhanden();

}  // namespace vxm
