#include "search/volltext/zerleger.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "search/volltext/volltextindex.h"

namespace vxm::volltext {
namespace {

// The FTS5 tokenizer "vxmtri": the 4-grams (four characters) of an already
// folded text, each distinct one once per document, and its last three
// characters. The table keeps no positions (detail=none), so repeats would
// only cost time: a changelog of a megabyte has a million 4-grams but some
// ten thousand distinct ones. Four characters rather than three: a phrase
// of common words ("Straße" in English texts) has all its trigrams in most
// sections of 32 KB, its 4-grams in few; that costs 1.7 times the postings.
// Queries name one n-gram per term (or a trigram as a prefix).
int TriErzeugen(void*, const char**, int, Fts5Tokenizer** aus) {
  *aus = reinterpret_cast<Fts5Tokenizer*>(new int(0));
  return SQLITE_OK;
}

void TriLoeschen(Fts5Tokenizer* t) { delete reinterpret_cast<int*>(t); }

// Calls `aus(gramm, laenge)` once for each n-gram the index takes from a
// folded text; returns the first result other than SQLITE_OK.
template <typename F>
int GrammeAufzaehlen(const char* text, int n, F&& aus) {
  // Start offsets of the last four characters.
  int s0 = -1, s1 = -1, s2 = -1, s3 = -1;
  // Repeats told apart in a hash table (open addressing, 0 = free; the key
  // 0 apart): sorting the n-grams of each section cost more than all else
  // of taking it apart. The order given does not matter to the index.
  static thread_local std::vector<std::uint64_t> tafel;
  static thread_local std::vector<std::uint64_t> gesehen;
  static thread_local std::vector<std::size_t> plaetze;
  std::size_t groesse = 1024;
  while (groesse < 2 * static_cast<std::size_t>(std::max(n, 0)) + 2) groesse <<= 1;
  if (tafel.size() < groesse) tafel.assign(groesse, 0);
  const int verschiebung = 64 - std::countr_zero(groesse);
  gesehen.clear();
  plaetze.clear();
  bool null = false;
  auto merken = [&](int von, int bis) {
    // Packed into 64 bits to tell repeats (a longer one is always emitted).
    const int laenge = bis - von;
    if (laenge > 8) return aus(text + von, laenge);
    std::uint64_t k = 0;
    std::memcpy(&k, text + von, static_cast<std::size_t>(laenge));
    if (k == 0) {
      if (!null) gesehen.push_back(0);
      null = true;
      return SQLITE_OK;
    }
    std::size_t h = static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> verschiebung);
    for (; tafel[h] != 0; h = (h + 1) & (groesse - 1))
      if (tafel[h] == k) return SQLITE_OK;
    tafel[h] = k;
    plaetze.push_back(h);
    gesehen.push_back(k);
    return SQLITE_OK;
  };
  struct Leeren {  // the table empty again for the next text, also after an error
    ~Leeren() {
      for (const std::size_t h : plaetze) tafel[h] = 0;
    }
  } leeren;
  for (int i = 0; i <= n; ++i) {
    if (i < n && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (s0 >= 0) {
      const int rc = merken(s0, i);
      if (rc != SQLITE_OK) return rc;
    }
    s0 = s1;
    s1 = s2;
    s2 = s3;
    s3 = i;
  }
  // The last trigram: a phrase of three characters at the very end.
  if (s1 >= 0) {
    const int rc = merken(s1, n);
    if (rc != SQLITE_OK) return rc;
  }
  for (const std::uint64_t k : gesehen) {
    char t[8];
    std::memcpy(t, &k, 8);
    int laenge = 8;
    while (laenge > 0 && t[laenge - 1] == 0) --laenge;
    const int rc = aus(t, laenge);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

// A document value that starts with this holds its n-grams already taken
// apart (Vorbereiten, on another thread than the writer's): each as a
// length byte and its bytes. Folded text never starts so.
constexpr std::string_view kGrammliste("\xFF\xFE\x01", 3);

int TriZerlegen(Fts5Tokenizer*, void* ctx, int flags, const char* text, int n,
                int (*token)(void*, int, const char*, int, int, int)) {
  if (!(flags & FTS5_TOKENIZE_DOCUMENT)) return n > 0 ? token(ctx, 0, text, n, 0, n) : SQLITE_OK;
  const std::string_view wert(text, static_cast<std::size_t>(std::max(n, 0)));
  if (wert.substr(0, kGrammliste.size()) == kGrammliste) {
    for (std::size_t i = kGrammliste.size(); i < wert.size();) {
      const std::size_t laenge = static_cast<unsigned char>(wert[i]);
      if (laenge == 0 || i + 1 + laenge > wert.size()) return SQLITE_CORRUPT;
      const int rc = token(ctx, 0, text + i + 1, static_cast<int>(laenge), 0, 0);
      if (rc != SQLITE_OK) return rc;
      i += 1 + laenge;
    }
    return SQLITE_OK;
  }
  return GrammeAufzaehlen(text, n, [&](const char* g, int laenge) { return token(ctx, 0, g, laenge, 0, 0); });
}

}  // namespace

void TokenizerAnmelden(sqlite3* db) {
  fts5_api* api = nullptr;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &s, nullptr) == SQLITE_OK) {
    sqlite3_bind_pointer(s, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(s);
  }
  sqlite3_finalize(s);
  if (!api) throw IndexFehler("Volltextindex: SQLite ohne FTS5");
  static fts5_tokenizer tri{&TriErzeugen, &TriLoeschen, &TriZerlegen};
  if (api->xCreateTokenizer(api, "vxmtri", nullptr, &tri, nullptr) != SQLITE_OK)
    throw IndexFehler("Volltextindex: Zerleger nicht anmeldbar");
}

std::string Grammliste(std::string gefaltet) {
  std::string aus(kGrammliste);
  const int rc = GrammeAufzaehlen(gefaltet.data(), static_cast<int>(gefaltet.size()), [&](const char* g, int n) {
    if (n > 255) return SQLITE_TOOBIG;
    aus.push_back(static_cast<char>(n));
    aus.append(g, static_cast<std::size_t>(n));
    return SQLITE_OK;
  });
  // Folded text is valid UTF-8 (n-grams of at most 16 bytes); should an
  // n-gram ever outgrow its length byte, the tokenizer takes the folded
  // text apart itself.
  return rc == SQLITE_OK ? aus : gefaltet;
}

}  // namespace vxm::volltext
