// The full-text index: an SQLite file of its own beside the register
// ("vxmdok.volltext" next to "vxmdok.mdb"; the register's tables are not
// touched). One row per file, keyed by its Windows-form path without regard
// to case, with size, modification time and a content hash (xxh128), so an
// unchanged file is never read twice. Its text belongs to its content:
// files of the same bytes (copies filed under several tenants) share one
// text. The text is kept compressed in sections (for checking candidates
// and the phrase in its context) and indexed in FTS5 by 4-grams of the
// folded text (faltung.h), which answers a phrase anywhere, also inside
// words.
//
// Several processes share the file (WAL, busy timeout, one transaction per
// batch): a killed writer leaves the last committed state behind.
#pragma once

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxm::volltext {

// A file's time as the index keeps it (Indexeintrag::Mtime).
inline std::int64_t Nanosekunden(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

enum class Indexzustand : int {
  Indiziert = 1,
  NichtIndizierbar = 2,  // Grund says why; the byte search covers the file
  OcrAusstehend = 3,     // a picture or scan waiting for text recognition
};

struct Indexeintrag {
  std::int64_t Id = 0;
  std::string Pfad;  // Windows form as found on disk
  std::int64_t Groesse = 0;
  std::int64_t Mtime = 0;  // nanoseconds since the epoch
  std::string Hash;        // 16 bytes; empty when the file was not read
  Indexzustand Zustand = Indexzustand::Indiziert;
  std::string Grund, Art;
  std::uint32_t Seiten = 0;
  std::int64_t Inhalt = 0;  // its text (shared by files of the same bytes); 0 none
};

// A folder as the indexer last listed it: when its time is still the
// same, no file was added, removed or renamed in it since (files changed
// in place are reported by the window's folder watching).
struct Ordnerzeit {
  std::string Schluessel, Pfad;
  std::int64_t Mtime = 0;
  // Files whose names differ from a file with a row only in letter case:
  // one key holds one row, so these have none and are read by their bytes.
  std::vector<std::string> Zwillinge;
};

struct Indexstatistik {
  std::int64_t Indiziert = 0, NichtIndizierbar = 0, OcrAusstehend = 0;
};

class IndexFehler : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text made ready for writing, off the writer's thread: its sections,
// each compressed and, for an indexed text, with the n-grams the index
// takes from its folded form.
struct Vorbereitet {
  struct Teil {
    std::size_t Eigen;  // bytes of its own (the rest overlaps the next)
    std::string Gepackt, Gramme;
  };
  std::vector<Teil> Teile;
  bool MitGrammen = false;
  std::size_t Bytes = 0;
};
Vorbereitet Vorbereiten(const std::string& text, bool mitGrammen);

class Volltextindex {
 public:
  // Opens the index, creating it when missing. Raises IndexFehler.
  explicit Volltextindex(const std::filesystem::path& datei);
  ~Volltextindex();
  Volltextindex(const Volltextindex&) = delete;
  Volltextindex& operator=(const Volltextindex&) = delete;

  // "…\vxmdok.volltext" beside "…\vxmdok.mdb" (works on either path form).
  static std::string DateiNebenRegister(const std::string& register_);

  const std::filesystem::path& Datei() const { return datei_; }

  std::optional<Indexeintrag> Eintrag(const std::string& pfad);
  std::optional<Indexeintrag> EintragNachId(std::int64_t id);
  // Rows under `ordner` whose text is not in the index (not indexable,
  // waiting for OCR): the byte search covers them.
  std::vector<Indexeintrag> OhneIndextextUnter(const std::string& ordner);
  // Rows of the files in `ordner` (and below it when `rekursiv`).
  std::vector<Indexeintrag> EintraegeUnter(const std::string& ordner, bool rekursiv);
  // An indexed row with exactly this content (a copy or a renamed file).
  std::optional<Indexeintrag> GleicherInhalt(std::int64_t groesse, const std::string& hash);
  // The stored text of a row (empty for rows without text).
  std::string Text(std::int64_t id);
  std::string InhaltText(std::int64_t inhalt);
  // The rows of the files holding a text (see Indexeintrag::Inhalt).
  std::vector<Indexeintrag> DateienMitInhalt(std::int64_t inhalt);
  // The rows of many texts in one query (Inhalt tells whose each is).
  std::vector<Indexeintrag> DateienMitInhalten(const std::vector<std::int64_t>& inhalte);
  // One section of a text (see Kandidaten), with the start of the next.
  std::string AbschnittText(std::int64_t abschnitt);
  std::vector<Indexeintrag> NichtIndizierbare();
  std::vector<Indexeintrag> OcrAusstehende();
  Indexstatistik Statistik();

  // Writes a row. With a text the row's indexed text is replaced by it (an
  // indexed row takes the text of another file of the same size and hash
  // instead, when there is one; with `textErneuern` that shared text is
  // replaced by the new one); without, the row loses its text.
  void Schreiben(Indexeintrag& e, const Vorbereitet* text, bool textErneuern = false);
  // New size and time for a file whose content hash did not change.
  void ZeitAktualisieren(std::int64_t id, std::int64_t groesse, std::int64_t mtime);
  void Entfernen(const std::string& pfad);
  // A file or a folder (with everything below) under a new path.
  void Umbenennen(const std::string& alt, const std::string& neu);

  // Folder times (written once every file of the folder has its row).
  void OrdnerzeitSchreiben(const std::string& ordner, std::int64_t mtime,
                           const std::vector<std::string>& zwillinge = {});
  void OrdnerzeitenVergessen(const std::string& ordner);  // and those below
  std::vector<Ordnerzeit> OrdnerzeitenUnter(const std::string& ordner);
  bool OrdnerzeitVorhanden(const std::string& ordner);

  // Sections of indexed texts that may hold `gefaltet`: every section
  // holding all of the phrase's trigrams (a phrase of at most 256 bytes lies
  // whole in a section; a longer one starts in one), ordered by file and
  // section. `sicher` comes back true when each of them does hold it.
  // Each with its text (see Indexeintrag::Inhalt) and, with `mitDaten`,
  // the stored bytes.
  struct Kandidat {
    std::int64_t Abschnitt, Inhalt, Nr;
    std::string Daten;
  };
  std::vector<Kandidat> Kandidaten(const std::string& gefaltet, bool& sicher, bool mitDaten = false);
  // The stored (compressed) bytes of a section, appended to `aus`; false
  // when it is gone.
  bool AbschnittDaten(std::int64_t abschnitt, std::string& aus);
  // Merges the full-text index into one segment: faster queries, fewer
  // bytes. Takes seconds on a large index; for the end of long runs.
  void Optimieren();
  // One step towards the same, writing about `seiten` pages: short enough to
  // run between other work without holding others up. False when there was
  // nothing left to merge.
  bool Verdichten(int seiten = 256);

  // BEGIN IMMEDIATE ... COMMIT; rolled back when left without Festschreiben.
  class Transaktion {
   public:
    explicit Transaktion(Volltextindex& index);
    ~Transaktion();
    void Festschreiben();

   private:
    Volltextindex& index_;
    bool offen_ = true;
  };

  // One snapshot for a run of reads (BEGIN ... COMMIT): the reads see one
  // state of the index and take its lock once. Inside a transaction already,
  // it does nothing.
  class Lesen {
   public:
    explicit Lesen(Volltextindex& index);
    ~Lesen();
    Lesen(const Lesen&) = delete;
    Lesen& operator=(const Lesen&) = delete;

   private:
    Volltextindex& index_;
    bool begonnen_ = false;
  };

  // Checks the file and the FTS index; "" when sound, else what is wrong.
  std::string Pruefen();

  sqlite3* Verbindung() { return db_; }

  // A value worked out from the index (the search's folder tree), kept
  // while no connection wrote to the index: null once anything changed or
  // for another `name`.
  std::shared_ptr<const void> Gemerkt(const std::string& name);
  void Merken(const std::string& name, std::shared_ptr<const void> wert);

 private:
  // Changes with every write to the file, by this or another connection.
  std::pair<std::int64_t, std::int64_t> Stand();
  void Ausfuehren(const char* sql);
  sqlite3_stmt* Anweisung(const char* sql);
  // The row no longer holds its text; a text no row holds goes.
  void InhaltLoesen(std::int64_t id);
  void InhaltEntfernen(std::int64_t inhalt);
  void Aufbauen();
  // Steps of Schreiben: the text of the same bytes held for another file,
  // a new text, the file's row, the text's sections.
  std::int64_t GeteilterInhalt(const Indexeintrag& e);
  std::int64_t InhaltAnlegen(const Indexeintrag& e, bool indizieren);
  void DateizeileSchreiben(Indexeintrag& e);
  void AbschnitteSchreiben(std::int64_t inhalt, const Vorbereitet& text, bool indizieren);

  std::filesystem::path datei_;
  sqlite3* db_ = nullptr;
  std::vector<std::pair<const char*, sqlite3_stmt*>> anweisungen_;
  struct Merkwert {
    std::string Name;
    std::pair<std::int64_t, std::int64_t> Stand;
    std::shared_ptr<const void> Wert;
  } gemerkt_;
};

// Windows-form path upper-cased: the key of a row.
std::string IndexSchluessel(const std::string& pfad);
// A folder's key, without a final separator: "C:\A\" and "C:\A" name one folder.
std::string IndexOrdnerSchluessel(const std::string& ordner);
// A name inside a Windows-form folder.
std::string Verbinden(const std::string& ordner, const std::string& name);
// The index's own files (and SQLite's beside them), which change with every batch.
bool EigeneDatei(std::string_view name);

// Unpacks stored sections into a buffer it keeps, so checking many
// candidates allocates nothing. One per thread.
class Entpacker {
 public:
  Entpacker();
  ~Entpacker();
  Entpacker(const Entpacker&) = delete;
  Entpacker& operator=(const Entpacker&) = delete;
  // The text of a stored section; empty when the bytes are damaged. Valid
  // until the next call.
  std::string_view Entpacken(std::string_view gepackt);

 private:
  void* ctx_;
  std::string puffer_;
};

}  // namespace vxm::volltext
