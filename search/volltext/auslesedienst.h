// The extraction helper: a child process that reads one file after another
// for the indexer, under a memory limit (RLIMIT_AS), at idle priority, and
// under a time limit per file kept by the parent. A file that crashes the
// helper, exhausts its memory or keeps it busy too long kills only the
// helper: the file is reported as not indexable with the reason, and the
// next request starts a fresh helper.
//
// The helper is the program vxmdorvex-extrakt (found through the variable
// VXM_EXTRAKT, beside the running program, or in PATH); without it, the
// parent forks and serves in the child.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "search/volltext/extraktion.h"

namespace vxm::volltext {

// Whether the helper's memory limit applies: the address sanitizer keeps
// terabytes of address space for its shadow memory, so under it a limit of
// the address space would stop every helper (the time limit still holds).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSpeichergrenzeWirksam = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSpeichergrenzeWirksam = false;
#else
inline constexpr bool kSpeichergrenzeWirksam = true;
#endif
#else
inline constexpr bool kSpeichergrenzeWirksam = true;
#endif

struct Dienstgrenzen {
  std::chrono::milliseconds ZeitJeDatei{60000};
  std::chrono::milliseconds ZeitJeOcrSeite{180000};
  std::uint64_t Speicher = 2ull << 30;  // address space of the helper
  bool NiedrigePrioritaet = true;       // idle CPU and I/O class
  Ausleseoptionen Optionen;
  // Once set, the request in hand ends within a moment (a closing window
  // does not wait for a slow file); its answer is then kAbgebrochen.
  const std::atomic<bool>* Abbruch = nullptr;
};

inline constexpr const char* kAbgebrochen = "Auslesen abgebrochen";

class Auslesedienst {
 public:
  explicit Auslesedienst(Dienstgrenzen grenzen = {});
  ~Auslesedienst();
  Auslesedienst(const Auslesedienst&) = delete;
  Auslesedienst& operator=(const Auslesedienst&) = delete;

  // Never throws; a helper that fails gives NichtIndizierbar with the reason.
  Auszug Auslesen(const std::string& hostPfad);
  Auszug OcrSeite(const std::string& hostPfad, std::uint32_t seite);

  // Ends the helper (it is started again on the next request).
  void Beenden();

 private:
  Auszug Anfrage(char art, const std::string& pfad, std::uint32_t seite,
                 std::chrono::milliseconds zeit);
  bool Starten();

  Dienstgrenzen grenzen_;
  pid_t pid_ = -1;
  int an_ = -1, von_ = -1;  // request and answer pipes
};

// The helper's loop on two descriptors, until the request pipe closes.
// Sets the limits and the priority of the calling process first.
int AuslesedienstLaufen(int ein, int aus, std::uint64_t speicher, const Ausleseoptionen& optionen,
                        bool niedrig = true);

}  // namespace vxm::volltext
