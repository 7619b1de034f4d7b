// The index's record of folders (their times as last listed, so a search
// can pass unchanged ones) and the renames that move rows and records.
#include "search/volltext/volltextindex.h"
#include "search/volltext/volltextanweisung.h"

#include <algorithm>

namespace vxm::volltext {

using anweisung::Binden;
using anweisung::Ordnerteil;
using anweisung::Spalte;
using anweisung::Zurueck;

void Volltextindex::OrdnerzeitSchreiben(const std::string& ordner, std::int64_t mtime,
                                        const std::vector<std::string>& zwillinge) {
  std::string pfad = ordner;
  while (pfad.size() > 3 && pfad.back() == '\\') pfad.pop_back();
  sqlite3_stmt* s = Anweisung(
      "INSERT OR REPLACE INTO ordner (schluessel, pfad, mtime, zwillingszeit, zwillinge) VALUES (?, ?, ?, ?, ?)");
  Zurueck z{s};
  Binden(s, 1, IndexOrdnerSchluessel(pfad));
  Binden(s, 2, pfad);
  // With files without a row the time goes beside: earlier versions, which
  // know nothing of them, read -1 and never vouch for the folder.
  sqlite3_bind_int64(s, 3, zwillinge.empty() ? mtime : -1);
  if (!zwillinge.empty()) {
    sqlite3_bind_int64(s, 4, mtime);
    // '/' stands in no file name: it parts them.
    std::string namen;
    for (const auto& n : zwillinge) {
      if (!namen.empty()) namen += '/';
      namen += n;
    }
    Binden(s, 5, namen);
  }
  sqlite3_step(s);
}

void Volltextindex::OrdnerzeitenVergessen(const std::string& ordner) {
  const std::string k = IndexOrdnerSchluessel(ordner);
  {
    sqlite3_stmt* s = Anweisung(
        "DELETE FROM ordner WHERE schluessel = ?1 OR (schluessel >= ?1 || '\\' AND schluessel < ?1 || ']')");
    Zurueck z{s};
    Binden(s, 1, k);
    sqlite3_step(s);
  }
  // The folders above lost part of their recorded tree: their times no
  // longer vouch for all that lies below them, so a search walks them again
  // (down to the rows that still stand) instead of passing them unseen.
  sqlite3_stmt* s = Anweisung("DELETE FROM ordner WHERE schluessel = ?1");
  for (auto p = k.rfind('\\'); p != std::string::npos && p > 0; p = k.rfind('\\', p - 1)) {
    Zurueck z{s};
    Binden(s, 1, std::string_view(k).substr(0, p));
    sqlite3_step(s);
  }
}

bool Volltextindex::OrdnerzeitVorhanden(const std::string& ordner) {
  sqlite3_stmt* s = Anweisung("SELECT 1 FROM ordner WHERE schluessel = ?1");
  Zurueck z{s};
  Binden(s, 1, IndexOrdnerSchluessel(ordner));
  return sqlite3_step(s) == SQLITE_ROW;
}

std::vector<Ordnerzeit> Volltextindex::OrdnerzeitenUnter(const std::string& ordner) {
  sqlite3_stmt* s = Anweisung(
      "SELECT schluessel, pfad, coalesce(zwillingszeit, mtime), zwillinge FROM ordner WHERE schluessel = ?1"
      " OR (schluessel >= ?1 || '\\' AND schluessel < ?1 || ']')");
  Zurueck z{s};
  Binden(s, 1, IndexOrdnerSchluessel(ordner));
  std::vector<Ordnerzeit> v;
  while (sqlite3_step(s) == SQLITE_ROW) {
    v.push_back({Spalte(s, 0), Spalte(s, 1), sqlite3_column_int64(s, 2), {}});
    const std::string namen = Spalte(s, 3);
    for (std::size_t a = 0; a < namen.size();) {
      const std::size_t b = std::min(namen.find('/', a), namen.size());
      if (b > a) v.back().Zwillinge.push_back(namen.substr(a, b - a));
      a = b + 1;
    }
  }
  return v;
}

void Volltextindex::Umbenennen(const std::string& alt, const std::string& neu) {
  const std::string ka = IndexOrdnerSchluessel(alt), kn = IndexOrdnerSchluessel(neu);
  if (ka == kn) return;
  // Both places are walked again by the next search (with the folders
  // above them; the siblings keep their times).
  OrdnerzeitenVergessen(alt);
  OrdnerzeitenVergessen(neu);
  std::string neuPfad = neu;
  while (!neuPfad.empty() && neuPfad.back() == '\\') neuPfad.pop_back();
  // Rows already standing at the new place describe files that are gone.
  Entfernen(neuPfad);
  for (const auto& e : EintraegeUnter(neuPfad, true)) Entfernen(e.Pfad);
  {
    sqlite3_stmt* s = Anweisung(
        "UPDATE dateien SET pfad = ?1, schluessel = ?2, ordner = ?3 WHERE schluessel = ?4");
    Zurueck z{s};
    Binden(s, 1, neuPfad);
    Binden(s, 2, kn);
    Binden(s, 3, Ordnerteil(kn));
    Binden(s, 4, ka);
    sqlite3_step(s);
  }
  // Everything below a renamed folder: the folder part of path and keys.
  sqlite3_stmt* s = Anweisung(
      "UPDATE dateien SET pfad = ?1 || substr(pfad, length(?2) + 1),"
      " schluessel = ?3 || substr(schluessel, length(?2) + 1),"
      " ordner = ?3 || substr(ordner, length(?2) + 1)"
      " WHERE schluessel >= ?4 || '\\' AND schluessel < ?4 || ']'");
  Zurueck z{s};
  Binden(s, 1, neuPfad);
  Binden(s, 2, ka);
  Binden(s, 3, kn);
  Binden(s, 4, ka);
  if (sqlite3_step(s) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
}

}  // namespace vxm::volltext
