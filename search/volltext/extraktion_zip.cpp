// The zipped office formats: Office Open XML (.docx, .xlsx, .pptx) and
// OpenDocument (.odt, .ods, .odp and their templates). The text of the
// members that hold the document is read with libxml2's SAX parser; a
// member that unpacks to more than the text limit is refused unread.
#include <libxml/parser.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <regex>
#include <variant>

#include "search/volltext/extraktion.h"

namespace vxm::volltext::auslese_intern {
namespace {

struct ZipFrei {
  void operator()(zip_t* z) const { zip_discard(z); }
};

enum class Format { Ooxml, Odf, Anderes };

// Elements after which words do not run on.
bool Trennt(std::string_view n) {
  static constexpr std::string_view kTrenner[] = {
      "p",    "br",   "tab",  "cr",   "tc",    "tr",        "row",        "c",  "si",
      "h",    "s",    "line-break", "table-cell", "table-row", "list-item", "note", "title",
      "creator", "subject", "description", "keywords", "keyword", "frame", "txBody", "sp",
      "footnote", "endnote", "comment", "hdr", "ftr", "initial-creator", "user-defined", "v", "is"};
  return std::find(std::begin(kTrenner), std::end(kTrenner), n) != std::end(kTrenner);
}

struct Leser {
  std::string* Aus;
  std::size_t Max;
  int Tiefe = 0;
  int SprungTiefe = -1;   // inside an element whose text is no document text
  bool ZelleGeteilt = false;  // xlsx: <c t="s"> holds an index into the shared strings
};

void Anfang(void* ctx, const xmlChar* lokal, const xmlChar*, const xmlChar*, int, const xmlChar**,
            int nAttr, int, const xmlChar** attr) {
  auto* l = static_cast<Leser*>(ctx);
  ++l->Tiefe;
  const std::string_view n(reinterpret_cast<const char*>(lokal));
  if (n == "c") {
    l->ZelleGeteilt = false;
    for (int i = 0; i < nAttr; ++i) {
      const auto* a = attr + i * 5;  // localname, prefix, URI, value, end
      if (std::strcmp(reinterpret_cast<const char*>(a[0]), "t") == 0 && a[4] - a[3] == 1 && a[3][0] == 's')
        l->ZelleGeteilt = true;
    }
  }
  if (l->SprungTiefe < 0 && ((n == "v" && l->ZelleGeteilt) || n == "instrText" || n == "binData" ||
                             n == "f" || n == "binary-data")) {
    l->SprungTiefe = l->Tiefe;
  }
  if (n == "s" || n == "tab" || n == "br" || n == "line-break") *l->Aus += ' ';
}

void Ende(void* ctx, const xmlChar* lokal, const xmlChar*, const xmlChar*) {
  auto* l = static_cast<Leser*>(ctx);
  if (l->SprungTiefe == l->Tiefe) l->SprungTiefe = -1;
  --l->Tiefe;
  if (Trennt(reinterpret_cast<const char*>(lokal))) *l->Aus += '\n';
}

void Zeichen(void* ctx, const xmlChar* z, int n) {
  auto* l = static_cast<Leser*>(ctx);
  if (l->SprungTiefe >= 0 || l->Aus->size() > l->Max) return;
  l->Aus->append(reinterpret_cast<const char*>(z), static_cast<std::size_t>(n));
}

void Stumm(void*, const char*, ...) {}

void XmlText(const std::string& xml, std::string& aus, std::size_t max) {
  xmlSAXHandler h{};
  h.initialized = XML_SAX2_MAGIC;
  h.startElementNs = &Anfang;
  h.endElementNs = &Ende;
  h.characters = &Zeichen;
  h.cdataBlock = &Zeichen;
  h.warning = &Stumm;
  h.error = &Stumm;
  Leser l{&aus, max};
  // No network, no external entities; a damaged member gives what was read.
  xmlSAXUserParseMemory(&h, &l, xml.data(), static_cast<int>(std::min<std::size_t>(xml.size(), INT32_MAX)));
  aus += '\n';
}

bool Gehoert(Format f, const std::string& name) {
  static const std::regex kOoxml(
      "word/(document|header[0-9]*|footer[0-9]*|footnotes|endnotes|comments)\\.xml|"
      "xl/sharedStrings\\.xml|xl/worksheets/sheet[0-9]+\\.xml|xl/comments[0-9]*\\.xml|"
      "ppt/(slides/slide|notesSlides/notesSlide)[0-9]+\\.xml|docProps/core\\.xml");
  if (f == Format::Ooxml) return std::regex_match(name, kOoxml);
  if (f == Format::Odf) return name == "content.xml" || name == "styles.xml" || name == "meta.xml";
  return false;
}

// Slides and sheets in their number order, not the zip's order.
long Nummer(const std::string& name) {
  std::size_t e = name.find_last_of("0123456789");
  if (e == std::string::npos) return 0;
  std::size_t a = e;
  while (a > 0 && std::isdigit(static_cast<unsigned char>(name[a - 1]))) --a;
  return std::stol(name.substr(a, std::min<std::size_t>(e - a + 1, 9)));
}

Format FormatErkennen(zip_t* z, Auszug& a) {
  if (zip_name_locate(z, "word/document.xml", 0) >= 0) return a.Art = "docx", Format::Ooxml;
  if (zip_name_locate(z, "xl/workbook.xml", 0) >= 0) return a.Art = "xlsx", Format::Ooxml;
  if (zip_name_locate(z, "ppt/presentation.xml", 0) >= 0) return a.Art = "pptx", Format::Ooxml;
  if (zip_name_locate(z, "content.xml", 0) >= 0) return a.Art = "odf", Format::Odf;
  return Format::Anderes;
}

Auszug ZuGross(Auszug a, const std::string& name) {
  a.Status = Auszugsstatus::NichtIndizierbar;
  a.Grund = "Zip-Eintrag " + name + " entpackt zu groß (Zip-Bombe?)";
  a.Text.clear();
  return a;
}

using Teile = std::vector<std::pair<std::string, zip_uint64_t>>;

// The members to read, in reading order; all names into namen. The name of
// a member declared too big instead.
std::variant<Teile, std::string> TeileWaehlen(zip_t* z, zip_int64_t n, Format f, const Ausleseoptionen& o,
                                              std::string& namen) {
  Teile teile;
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) continue;
    const std::string name = st.name;
    // The names inside the archive are bytes the byte search sees.
    namen += name;
    namen += '\n';
    const bool lesen = Gehoert(f, name) ||
                       (st.comp_method == ZIP_CM_STORE && (st.valid & ZIP_STAT_SIZE) && st.size < (1u << 20));
    if (!lesen) continue;
    if ((st.valid & ZIP_STAT_SIZE) && st.size > o.MaxText) return name;
    teile.emplace_back(name, static_cast<zip_uint64_t>(i));
  }
  std::stable_sort(teile.begin(), teile.end(), [](const auto& x, const auto& y) {
    const auto ox = x.first.substr(0, x.first.find_last_of('/') + 1);
    const auto oy = y.first.substr(0, y.first.find_last_of('/') + 1);
    if (ox != oy) return ox < oy;
    if (Nummer(x.first) != Nummer(y.first)) return Nummer(x.first) < Nummer(y.first);
    return x.first < y.first;
  });
  return teile;
}

// A member unpacked; false when it comes out bigger than allowed (the
// declared size may lie: the limit counts what really comes out).
bool TeilEntpacken(zip_t* z, zip_uint64_t index, const Ausleseoptionen& o, std::uint64_t& gesamt,
                   std::string& inhalt) {
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> zf(zip_fopen_index(z, index, 0), &zip_fclose);
  if (!zf) return true;
  char puffer[1 << 16];
  zip_int64_t r;
  while ((r = zip_fread(zf.get(), puffer, sizeof puffer)) > 0) {
    inhalt.append(puffer, static_cast<std::size_t>(r));
    gesamt += static_cast<std::uint64_t>(r);
    if (gesamt > o.MaxText * 2 || inhalt.size() > o.MaxText) return false;
  }
  return true;
}

}  // namespace

Auszug ZipAuslesen(const std::filesystem::path& datei, const Ausleseoptionen& o) {
  Auszug a;
  a.Art = "zip";
  int fehler = 0;
  std::unique_ptr<zip_t, ZipFrei> z(zip_open(datei.c_str(), ZIP_RDONLY, &fehler));
  if (!z) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "Zip-Archiv beschädigt";
    return a;
  }
  const zip_int64_t n = zip_get_num_entries(z.get(), 0);
  if (n > 100000) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "Zip-Archiv mit zu vielen Einträgen";
    return a;
  }
  const Format f = FormatErkennen(z.get(), a);
  std::string namen;
  auto gewaehlt = TeileWaehlen(z.get(), n, f, o, namen);
  if (const auto* name = std::get_if<std::string>(&gewaehlt)) return ZuGross(std::move(a), *name);
  std::uint64_t gesamt = 0;
  std::string roh;
  for (const auto& [name, index] : std::get<Teile>(gewaehlt)) {
    std::string inhalt;
    if (!TeilEntpacken(z.get(), index, o, gesamt, inhalt)) return ZuGross(std::move(a), name);
    if (Gehoert(f, name)) {
      XmlText(inhalt, a.Text, o.MaxText);
      if (a.Text.size() > o.MaxText) a.Gekuerzt = true;
    } else {
      DruckbareFolgen(inhalt, roh);  // stored members: their bytes are in the file as they are
    }
  }
  a.Text += "\f\n";
  a.Text += namen;
  a.Text += roh;
  return a;
}

}  // namespace vxm::volltext::auslese_intern
