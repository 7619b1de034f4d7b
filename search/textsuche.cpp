#include "search/textsuche.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VXM_SIMD 1
#endif

namespace vxm {
namespace {

// Bytes read at a time. Large enough that system calls do not dominate,
// small enough that a hit near the start of a big file ends the read early
// and the window gets its events often.
constexpr std::size_t kBlock = std::size_t{64} * 1024;
// A line longer than this is reported from where the kept text begins.
constexpr std::size_t kMaxZeile = std::size_t{1024} * 1024;

// Position filter: (byte | m) == v accepts exactly the byte's two case forms
// when they differ only in bit 0x20, or the byte itself when m is 0.
bool Einfach(unsigned char g, unsigned char k, unsigned char& m, unsigned char& v) {
  if (g == k) {
    m = 0;
    v = g;
    return true;
  }
  if ((g ^ k) == 0x20) {
    m = 0x20;
    v = static_cast<unsigned char>(g | 0x20);
    return true;
  }
  return false;
}

// Every start position j <= n - len whose two filter bytes pass is handed to
// `pruefen`; the first it accepts is returned.
template <typename Pruefen>
std::size_t ScanSkalar(const unsigned char* p, std::size_t n, std::size_t len, std::size_t i1,
                       std::size_t i2, unsigned char m1, unsigned char v1, unsigned char m2,
                       unsigned char v2, std::size_t i, Pruefen& pruefen) {
  const std::size_t letzte = n - len;
  for (; i <= letzte; ++i) {
    if ((p[i + i1] | m1) == v1 && (p[i + i2] | m2) == v2 && pruefen(i)) return i;
  }
  return Suchphrase::npos;
}

#ifdef VXM_SIMD
template <typename Pruefen>
__attribute__((target("avx2"))) std::size_t ScanAvx2(const unsigned char* p, std::size_t n,
                                                      std::size_t len, std::size_t i1,
                                                      std::size_t i2, unsigned char m1,
                                                      unsigned char v1, unsigned char m2,
                                                      unsigned char v2, Pruefen& pruefen) {
  const std::size_t letzte = n - len;
  const __m256i M1 = _mm256_set1_epi8(static_cast<char>(m1));
  const __m256i V1 = _mm256_set1_epi8(static_cast<char>(v1));
  const __m256i M2 = _mm256_set1_epi8(static_cast<char>(m2));
  const __m256i V2 = _mm256_set1_epi8(static_cast<char>(v2));
  std::size_t i = 0;
  for (; i + i2 + 32 <= n; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + i1));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + i2));
    const __m256i gleich = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(a, M1), V1),
                                            _mm256_cmpeq_epi8(_mm256_or_si256(b, M2), V2));
    auto bits = static_cast<std::uint32_t>(_mm256_movemask_epi8(gleich));
    while (bits) {
      const std::size_t j = i + static_cast<std::size_t>(__builtin_ctz(bits));
      if (j > letzte) return Suchphrase::npos;
      if (pruefen(j)) return j;
      bits &= bits - 1;
    }
  }
  return ScanSkalar(p, n, len, i1, i2, m1, v1, m2, v2, i, pruefen);
}

template <typename Pruefen>
std::size_t ScanSse2(const unsigned char* p, std::size_t n, std::size_t len, std::size_t i1,
                     std::size_t i2, unsigned char m1, unsigned char v1, unsigned char m2,
                     unsigned char v2, Pruefen& pruefen) {
  const std::size_t letzte = n - len;
  const __m128i M1 = _mm_set1_epi8(static_cast<char>(m1));
  const __m128i V1 = _mm_set1_epi8(static_cast<char>(v1));
  const __m128i M2 = _mm_set1_epi8(static_cast<char>(m2));
  const __m128i V2 = _mm_set1_epi8(static_cast<char>(v2));
  std::size_t i = 0;
  for (; i + i2 + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + i1));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + i2));
    const __m128i gleich = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, M1), V1),
                                         _mm_cmpeq_epi8(_mm_or_si128(b, M2), V2));
    auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(gleich));
    while (bits) {
      const std::size_t j = i + static_cast<std::size_t>(__builtin_ctz(bits));
      if (j > letzte) return Suchphrase::npos;
      if (pruefen(j)) return j;
      bits &= bits - 1;
    }
  }
  return ScanSkalar(p, n, len, i1, i2, m1, v1, m2, v2, i, pruefen);
}

const bool kMitAvx2 = __builtin_cpu_supports("avx2");
#endif

// Letters that are rare in German and English text make better filters.
int Haeufigkeit(unsigned char b) {
  const unsigned char c = static_cast<unsigned char>(b | 0x20);
  if (c >= 'a' && c <= 'z') {
    static const char* kReihenfolge = "enisratdhulcgmobwfkzpvjyxq";  // most frequent first
    const char* s = std::strchr(kReihenfolge, c);
    return s ? 60 - static_cast<int>(s - kReihenfolge) * 2 : 0;
  }
  if (b == ' ') return 70;
  if (b >= '0' && b <= '9') return 20;
  if (b == 0xC3) return 30;  // lead byte of every UTF-8 umlaut
  return 5;
}

}  // namespace

Suchphrase::Suchphrase(std::string_view text) {
  if (text.empty()) return;
  auto hinzufuegen = [&](std::string gross, std::string klein, bool utf8) {
    if (gross.size() != klein.size() || gross.empty()) return;
    for (const auto& f : formen_) {
      if (f.Gross == gross && f.Klein == klein) return;
    }
    Form f;
    f.Gross = std::move(gross);
    f.Klein = std::move(klein);
    // Filter positions: the two least frequent bytes whose case forms the
    // filter can express; a form without any is checked at every position.
    std::vector<std::size_t> einfach;
    for (std::size_t k = 0; k < f.Gross.size(); ++k) {
      unsigned char m, v;
      const auto g = static_cast<unsigned char>(f.Gross[k]);
      const auto kl = static_cast<unsigned char>(f.Klein[k]);
      if (Einfach(g, kl, m, v)) {
        einfach.push_back(k);
      } else if (utf8) {
        // Forms that differ beyond bit 0x20 (š/Š, ÿ/Ÿ): byte-wise checks
        // could accept a mix of two characters, so candidates are re-checked.
        f.Vollpruefung = true;
      }
    }
    if (einfach.empty()) {
      f.M1 = f.V1 = f.M2 = f.V2 = 0xFF;  // accepts every byte
    } else {
      std::stable_sort(einfach.begin(), einfach.end(), [&](std::size_t a, std::size_t b) {
        return Haeufigkeit(static_cast<unsigned char>(f.Gross[a])) <
               Haeufigkeit(static_cast<unsigned char>(f.Gross[b]));
      });
      f.I1 = einfach[0];
      f.I2 = einfach.size() > 1 ? einfach[1] : einfach[0];
      if (f.I1 > f.I2) std::swap(f.I1, f.I2);
      Einfach(static_cast<unsigned char>(f.Gross[f.I1]), static_cast<unsigned char>(f.Klein[f.I1]),
              f.M1, f.V1);
      Einfach(static_cast<unsigned char>(f.Gross[f.I2]), static_cast<unsigned char>(f.Klein[f.I2]),
              f.M2, f.V2);
    }
    maxLaenge_ = std::max(maxLaenge_, f.Gross.size());
    formen_.push_back(std::move(f));
  };
  const std::string gross = Gross(text);
  const std::string klein = Klein(text);
  hinzufuegen(gross, klein, true);
  // The Windows-1252 form only when every character has a byte there.
  const std::string cp = Cp1252AusUtf8(text);
  if (Utf8AusCp1252(cp) == text) hinzufuegen(Cp1252AusUtf8(gross), Cp1252AusUtf8(klein), false);
}

bool Suchphrase::Passt(const Form& f, const unsigned char* p) const {
  const auto* g = reinterpret_cast<const unsigned char*>(f.Gross.data());
  const auto* k = reinterpret_cast<const unsigned char*>(f.Klein.data());
  const std::size_t n = f.Gross.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] != g[i] && p[i] != k[i]) return false;
  }
  if (f.Vollpruefung) {
    return Gross(std::string_view(reinterpret_cast<const char*>(p), n)) == f.Gross;
  }
  return true;
}

std::size_t Suchphrase::FormFinden(const Form& f, const unsigned char* p, std::size_t n) const {
  const std::size_t len = f.Gross.size();
  if (n < len) return npos;
  auto pruefen = [&](std::size_t j) { return Passt(f, p + j); };
#ifdef VXM_SIMD
  if (kMitAvx2) return ScanAvx2(p, n, len, f.I1, f.I2, f.M1, f.V1, f.M2, f.V2, pruefen);
  return ScanSse2(p, n, len, f.I1, f.I2, f.M1, f.V1, f.M2, f.V2, pruefen);
#else
  return ScanSkalar(p, n, len, f.I1, f.I2, f.M1, f.V1, f.M2, f.V2, 0, pruefen);
#endif
}

std::size_t Suchphrase::Finden(const char* daten, std::size_t n, std::size_t* laenge) const {
  const auto* p = reinterpret_cast<const unsigned char*>(daten);
  std::size_t beste = npos, besteLaenge = 0;
  for (const auto& f : formen_) {
    // Only a match that starts before the best one so far can win.
    std::size_t grenze = n;
    if (beste != npos) grenze = std::min(n, beste + f.Gross.size() - 1);
    const std::size_t pos = FormFinden(f, p, grenze);
    if (pos != npos && (beste == npos || pos < beste)) {
      beste = pos;
      besteLaenge = f.Gross.size();
    }
  }
  if (laenge) *laenge = besteLaenge;
  return beste;
}

namespace suche_intern {
namespace {

std::vector<char>& Puffer() {
  static thread_local std::vector<char> puffer;
  return puffer;
}

// Reads from a descriptor, retrying interrupted calls; -1 on failure.
struct DeskriptorQuelle {
  int fd;
  long long operator()(char* ziel, std::size_t max) const {
    for (;;) {
      const ssize_t r = ::read(fd, ziel, max);
      if (r >= 0 || errno != EINTR) return r;
    }
  }
};

struct BytesQuelle {
  std::string_view rest;
  long long operator()(char* ziel, std::size_t max) {
    const std::size_t n = std::min(max, rest.size());
    std::memcpy(ziel, rest.data(), n);
    rest.remove_prefix(n);
    return static_cast<long long>(n);
  }
};

// Offset into the buffer at which a read lands on a 64-byte boundary: the
// kernel copies into aligned memory at about twice the speed.
std::size_t Ausgerichtet(const std::vector<char>& puf, std::size_t mindestens) {
  const auto adresse = reinterpret_cast<std::uintptr_t>(puf.data()) + mindestens;
  return mindestens + ((64 - adresse % 64) % 64);
}

// Blocks with an overlap of the longest form less one byte, so a match
// across a block border is seen whole in the later block.
template <typename Quelle>
std::int64_t TextKern(Quelle& lesen, const Suchphrase& phrase, std::int64_t basis,
                      SuchSteuerung* steuerung) {
  const std::size_t rest = phrase.MaxLaenge() - 1;
  auto& puf = Puffer();
  if (puf.size() < kBlock + rest + 64) puf.resize(kBlock + rest + 64);
  const std::size_t lesePos = Ausgerichtet(puf, rest);  // reads land here
  std::size_t vorrat = 0;  // bytes kept before lesePos
  for (;;) {
    const long long r = lesen(puf.data() + lesePos, kBlock);
    if (r <= 0) return 0;
    const char* daten = puf.data() + lesePos - vorrat;
    const std::size_t n = vorrat + static_cast<std::size_t>(r);
    const std::size_t pos = phrase.Finden(daten, n);
    if (pos != Suchphrase::npos) return basis + static_cast<std::int64_t>(pos) + 1;
    if (steuerung) {
      steuerung->Melden();
      if (steuerung->Abgebrochen()) return 0;
    }
    const std::size_t behalten = std::min(rest, n);
    std::memmove(puf.data() + lesePos - behalten, daten + n - behalten, behalten);
    basis += static_cast<std::int64_t>(n - behalten);
    vorrat = behalten;
  }
}

std::size_t ErstesTrennzeichen(std::string_view s, std::size_t ab, std::string_view a,
                               std::string_view e) {
  return std::min(s.find(a, ab), s.find(e, ab));
}

// Index just after the last delimiter that ends at or before `bis`, or `von`.
std::size_t NachLetztemTrennzeichen(std::string_view s, std::size_t bis, std::string_view a,
                                    std::string_view e) {
  std::size_t best = 0;
  for (std::string_view t : {a, e}) {
    if (bis < t.size()) continue;
    const std::size_t p = s.substr(0, bis).rfind(t);
    if (p != std::string_view::npos) best = std::max(best, p + t.size());
  }
  return best;
}

template <typename Quelle>
bool ZeilenKern(Quelle& lesen, const Suchphrase& phrase, std::vector<std::string>* zeilen,
                std::string_view a, std::string_view e, SuchSteuerung* steuerung) {
  const std::size_t rest = phrase.MaxLaenge() - 1;
  auto& puf = Puffer();
  std::size_t start = 0;   // the held bytes begin here, from the start of the current line
  std::size_t n = 0;       // bytes held
  std::size_t suchAb = 0;  // matches are looked for from here on (relative to start)
  bool ende = false, treffer = false;
  while (!ende) {
    if (puf.size() < start + n + kBlock + 64) puf.resize(start + n + kBlock + 64);
    const long long r = lesen(puf.data() + start + n, kBlock);
    if (r < 0) return treffer;
    if (r == 0) ende = true;
    n += static_cast<std::size_t>(r);
    const char* daten = puf.data() + start;
    const std::string_view s(daten, n);
    bool offen = false;  // a match whose line goes on past the bytes held
    for (;;) {
      std::size_t len = 0;
      const std::size_t pos = phrase.Finden(daten + suchAb, n - suchAb, &len);
      if (pos == Suchphrase::npos) break;
      const std::size_t m = suchAb + pos;
      treffer = true;
      if (!zeilen) return true;
      const std::size_t bis = ErstesTrennzeichen(s, m + len, a, e);
      if (bis == std::string_view::npos && !ende) {
        suchAb = m;
        offen = true;
        break;
      }
      const std::size_t von = NachLetztemTrennzeichen(s, m, a, e);
      zeilen->emplace_back(s.substr(von, (bis == std::string_view::npos ? n : bis) - von));
      suchAb = bis == std::string_view::npos ? n : bis;
    }
    if (ende) break;
    if (steuerung) {
      steuerung->Melden();
      if (steuerung->Abgebrochen()) return treffer;
    }
    // Keep the current line (from its start) for the next block, placed so
    // that the next read lands on an aligned address.
    if (!offen) suchAb = std::max(suchAb, n > rest ? n - rest : 0);
    std::size_t behalten = NachLetztemTrennzeichen(s, suchAb, a, e);
    if (suchAb - behalten > kMaxZeile) behalten = suchAb;
    const std::size_t bleibt = n - behalten;
    const std::size_t neuerStart = Ausgerichtet(puf, bleibt) - bleibt;
    if (puf.size() < neuerStart + bleibt + kBlock + 64) {
      std::vector<char> groesser(neuerStart + bleibt + kBlock + 128);
      std::memcpy(groesser.data(), daten + behalten, bleibt);
      puf.swap(groesser);
      start = Ausgerichtet(puf, bleibt) - bleibt;
      std::memmove(puf.data() + start, puf.data(), bleibt);
    } else {
      std::memmove(puf.data() + neuerStart, daten + behalten, bleibt);
      start = neuerStart;
    }
    n = bleibt;
    suchAb -= behalten;
  }
  return treffer;
}

}  // namespace

std::int64_t TextInDeskriptor(int fd, const Suchphrase& phrase, std::int64_t start,
                              SuchSteuerung* steuerung) {
  if (phrase.Leer()) return 0;
  std::int64_t basis = 0;
  if (start > 1) {
    if (::lseek(fd, static_cast<off_t>(start - 1), SEEK_SET) < 0) return 0;
    basis = start - 1;
  }
  DeskriptorQuelle q{fd};
  return TextKern(q, phrase, basis, steuerung);
}

bool ZeilenInDeskriptor(int fd, const Suchphrase& phrase, std::vector<std::string>* zeilen,
                        std::string_view anfang, std::string_view ende,
                        SuchSteuerung* steuerung) {
  if (phrase.Leer()) return false;
  DeskriptorQuelle q{fd};
  return ZeilenKern(q, phrase, zeilen, anfang, ende, steuerung);
}

std::int64_t TextInBytes(std::string_view bytes, const Suchphrase& phrase, std::int64_t start) {
  if (phrase.Leer()) return 0;
  std::int64_t basis = 0;
  if (start > 1) {
    if (static_cast<std::uint64_t>(start - 1) >= bytes.size()) return 0;
    basis = start - 1;
    bytes.remove_prefix(static_cast<std::size_t>(basis));
  }
  BytesQuelle q{bytes};
  return TextKern(q, phrase, basis, nullptr);
}

bool ZeilenInBytes(std::string_view bytes, const Suchphrase& phrase,
                   std::vector<std::string>* zeilen, std::string_view anfang,
                   std::string_view ende) {
  if (phrase.Leer()) return false;
  BytesQuelle q{bytes};
  return ZeilenKern(q, phrase, zeilen, anfang, ende, nullptr);
}

}  // namespace suche_intern

namespace {

// Opens a Windows-form file of this machine for reading; -1 when it cannot
// be resolved, is no regular file or cannot be opened.
int Oeffnen(HostDateisystem& host, const std::string& datei) {
  try {
    const auto pfad = host.Laufwerke().Aufloesen(datei).Host;
    // Non-blocking, so that a named pipe cannot stall the search.
    const int fd = ::open(pfad.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return -1;
    }
    return fd;
  } catch (const VbFehler&) {
    return -1;
  }
}

}  // namespace

std::int64_t TextInDateiSuchen(const std::string& datei, const std::string& text,
                               std::int64_t start, SuchSteuerung* steuerung) {
  const Suchphrase phrase(text);
  if (phrase.Leer()) return 0;
  auto& fs = *Dienste().Dateien;
  if (auto* host = dynamic_cast<HostDateisystem*>(&fs)) {
    const int fd = Oeffnen(*host, datei);
    if (fd < 0) return 0;
    const std::int64_t pos = suche_intern::TextInDeskriptor(fd, phrase, start, steuerung);
    ::close(fd);
    return pos;
  }
  try {
    if (!fs.FileExists(datei)) return 0;
    return suche_intern::TextInBytes(fs.DateiLesen(datei), phrase, start);
  } catch (const VbFehler&) {
    return 0;
  }
}

bool ZeilenMitText(const std::string& datei, const std::string& text,
                   std::vector<std::string>& zeilen, const std::string& anfang,
                   const std::string& ende, SuchSteuerung* steuerung) {
  auto& fs = *Dienste().Dateien;
  bool vorhanden = false;
  try {
    vorhanden = fs.FileExists(datei);
  } catch (const VbFehler&) {
  }
  if (!vorhanden || text.empty() || anfang.empty() || ende.empty()) {
    Dienste().Meldungen->MsgBox(kMeldungParameter, vbOKOnly, "");
    return false;
  }
  const Suchphrase phrase(text);
  if (auto* host = dynamic_cast<HostDateisystem*>(&fs)) {
    const int fd = Oeffnen(*host, datei);
    if (fd < 0) return false;
    const bool ok = suche_intern::ZeilenInDeskriptor(fd, phrase, &zeilen, anfang, ende, steuerung);
    ::close(fd);
    return ok;
  }
  try {
    return suche_intern::ZeilenInBytes(fs.DateiLesen(datei), phrase, &zeilen, anfang, ende);
  } catch (const VbFehler&) {
    return false;
  }
}

}  // namespace vxm
