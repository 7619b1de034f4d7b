#include "search/volltext/textpaket.h"

#include <zstd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "search/volltext/faltung.h"
#include "search/volltext/volltextindex.h"
#include "search/volltext/zerleger.h"

namespace vxm::volltext {
namespace {

// zstd level of the stored texts: level 12 packed 7 % tighter than 3 at
// nine times the CPU, which was half of what indexing cost.
constexpr int kPackstufe = 3;

// Texts are indexed in sections of about 32 KB, each carrying the first
// bytes of the next one as well, so a phrase of up to kUeberlappung bytes
// lies whole in one section. A large file is then a candidate only where
// one section holds all trigrams of the phrase, and checking a candidate
// unpacks and folds that section, not the whole file.
constexpr std::size_t kAbschnitt = std::size_t{32} * 1024;
constexpr std::size_t kMaxAbschnitte = 1 << 13;  // the last one takes the rest

struct Abschnitt {
  std::size_t Von, Eigen, Bis;  // own bytes [Von, Von + Eigen), stored up to Bis
};

std::vector<Abschnitt> Zerlegen(const std::string& t) {
  std::vector<Abschnitt> v;
  auto zeichengrenze = [&](std::size_t i) {
    while (i < t.size() && (static_cast<unsigned char>(t[i]) & 0xC0) == 0x80) ++i;
    return std::min(i, t.size());
  };
  std::size_t von = 0;
  while (von < t.size() || v.empty()) {
    std::size_t ende = v.size() + 1 == kMaxAbschnitte ? t.size() : zeichengrenze(von + kAbschnitt);
    // End at a blank where one is near, so words stay whole.
    if (ende < t.size()) {
      const auto blank = t.find_first_of(" \n", ende);
      if (blank != std::string::npos && blank - ende < 256) ende = blank;
    }
    v.push_back({von, ende - von, zeichengrenze(std::min(t.size(), ende + kUeberlappung))});
    von = ende;
    if (t.empty()) break;
  }
  return v;
}

}  // namespace

std::string Packen(std::string_view text) {
  std::string aus(ZSTD_compressBound(text.size()), '\0');
  static thread_local std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> ctx(ZSTD_createCCtx(), &ZSTD_freeCCtx);
  const std::size_t n = ZSTD_compressCCtx(ctx.get(), aus.data(), aus.size(), text.data(), text.size(), kPackstufe);
  if (ZSTD_isError(n)) throw IndexFehler("Text nicht komprimierbar");
  aus.resize(n);
  return aus;
}

std::string Entpacken(const std::string& z) {
  if (z.empty()) return {};
  const unsigned long long n = ZSTD_getFrameContentSize(z.data(), z.size());
  if (n == ZSTD_CONTENTSIZE_ERROR || n == ZSTD_CONTENTSIZE_UNKNOWN || n > (1ull << 31)) return {};
  std::string aus(static_cast<std::size_t>(n), '\0');
  const std::size_t r = ZSTD_decompress(aus.data(), aus.size(), z.data(), z.size());
  if (ZSTD_isError(r)) return {};
  aus.resize(r);
  return aus;
}

Vorbereitet Vorbereiten(const std::string& text, bool mitGrammen) {
  Vorbereitet v;
  v.MitGrammen = mitGrammen;
  for (const auto& a : Zerlegen(text)) {
    const std::string_view teil(text.data() + a.Von, a.Bis - a.Von);
    Vorbereitet::Teil t{a.Eigen, Packen(teil), {}};
    if (mitGrammen) t.Gramme = Grammliste(Falten(teil));
    v.Bytes += t.Gepackt.size() + t.Gramme.size();
    v.Teile.push_back(std::move(t));
  }
  return v;
}

Entpacker::Entpacker() : ctx_(ZSTD_createDCtx()) {}

Entpacker::~Entpacker() { ZSTD_freeDCtx(static_cast<ZSTD_DCtx*>(ctx_)); }

std::string_view Entpacker::Entpacken(std::string_view z) {
  const unsigned long long n = ZSTD_getFrameContentSize(z.data(), z.size());
  if (z.empty() || n == ZSTD_CONTENTSIZE_ERROR || n == ZSTD_CONTENTSIZE_UNKNOWN || n > (1ull << 31)) return {};
  if (puffer_.size() < n) puffer_.resize(static_cast<std::size_t>(n));
  const std::size_t r =
      ZSTD_decompressDCtx(static_cast<ZSTD_DCtx*>(ctx_), puffer_.data(), puffer_.size(), z.data(), z.size());
  if (ZSTD_isError(r)) return {};
  return {puffer_.data(), r};
}

}  // namespace vxm::volltext
