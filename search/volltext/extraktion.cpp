#include "search/volltext/extraktion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "platform/text.h"
#include "search/volltext/faltung.h"

namespace vxm::volltext {
namespace auslese_intern {
namespace {

bool Beginnt(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool IstBildEndung(const std::string& e) {
  return e == "png" || e == "jpg" || e == "jpeg" || e == "tif" || e == "tiff" || e == "gif" ||
         e == "bmp" || e == "pnm" || e == "pbm" || e == "pgm" || e == "ppm" || e == "webp";
}

bool IstMarkupEndung(const std::string& e) {
  return e == "html" || e == "htm" || e == "xhtml" || e == "xml" || e == "svg" || e == "ui" ||
         e == "xba" || e == "xcd" || e == "xcu" || e == "xsl" || e == "xslt" || e == "xlb" ||
         e == "xdl" || e == "rdf" || e == "shtml";
}

// Text when the head has no NUL byte and hardly any other control byte.
bool SiehtAusWieText(std::string_view kopf) {
  if (kopf.empty()) return true;
  std::size_t steuer = 0;
  for (const char c : kopf) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return false;
    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1B) ++steuer;
  }
  return steuer * 100 <= kopf.size();
}

// UTF-16 with a byte-order mark, as UTF-8.
std::string AusUtf16(std::string_view s, bool le) {
  std::u32string z;
  for (std::size_t i = 2; i + 1 < s.size(); i += 2) {
    const auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
    char32_t c = le ? (a | (b << 8)) : ((a << 8) | b);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < s.size()) {
      const auto a2 = static_cast<unsigned char>(s[i + 2]), b2 = static_cast<unsigned char>(s[i + 3]);
      const char32_t c2 = le ? (a2 | (b2 << 8)) : ((a2 << 8) | b2);
      if (c2 >= 0xDC00 && c2 <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (c2 - 0xDC00);
        i += 2;
      }
    }
    z += c;
  }
  std::string aus;
  for (const char32_t c : z) ::vxm::Utf8Anhaengen(c, aus);
  return aus;
}

// Plain text in UTF-8, Windows-1252 or a mix of both (UTF-16 with a mark).
std::string TextDekodieren(std::string_view bytes) {
  if (bytes.size() >= 2) {
    const auto a = static_cast<unsigned char>(bytes[0]), b = static_cast<unsigned char>(bytes[1]);
    if (a == 0xFF && b == 0xFE) return AusUtf16(bytes, true);
    if (a == 0xFE && b == 0xFF) return AusUtf16(bytes, false);
  }
  if (Beginnt(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return AlsUtf8(bytes);
}

// The whole file, or false when it cannot be read.
bool DateiLesen(const std::filesystem::path& datei, std::uint64_t max, std::string& bytes,
                std::string& grund) {
  const int fd = ::open(datei.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    grund = std::string("nicht lesbar: ") + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    grund = "keine gewöhnliche Datei";
    return false;
  }
  if (static_cast<std::uint64_t>(st.st_size) > max) {
    ::close(fd);
    grund = "zu groß (" + std::to_string(st.st_size >> 20) + " MB)";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t gelesen = 0;
  while (gelesen < bytes.size()) {
    const ssize_t r = ::read(fd, bytes.data() + gelesen, bytes.size() - gelesen);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    gelesen += static_cast<std::size_t>(r);
  }
  ::close(fd);
  bytes.resize(gelesen);  // a file that shrank while being read
  return true;
}

// gzip: the unpacked bytes (refused beyond `max`) and the stored name.
bool GzipEntpacken(const std::string& bytes, std::uint64_t max, std::string& aus,
                   std::string& name, std::string& grund) {
  // Stored original name (FNAME flag) of the first member.
  if (bytes.size() > 10 && (static_cast<unsigned char>(bytes[3]) & 0x08)) {
    std::size_t p = 10;
    if (static_cast<unsigned char>(bytes[3]) & 0x04 && bytes.size() > 12) {
      p += 2 + (static_cast<unsigned char>(bytes[10]) | (static_cast<unsigned char>(bytes[11]) << 8));
    }
    const std::size_t e = bytes.find('\0', p);
    if (e != std::string::npos && e - p < 1024) name = bytes.substr(p, e - p);
  }
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {
    grund = "gzip nicht lesbar";
    return false;
  }
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  char puffer[1 << 16];
  int r = Z_OK;
  while (true) {
    z.next_out = reinterpret_cast<Bytef*>(puffer);
    z.avail_out = sizeof puffer;
    r = inflate(&z, Z_NO_FLUSH);
    aus.append(puffer, sizeof puffer - z.avail_out);
    if (aus.size() > max) {
      inflateEnd(&z);
      grund = "entpackt zu groß (mehr als " + std::to_string(max >> 20) + " MB)";
      return false;
    }
    if (r == Z_STREAM_END && z.avail_in > 0) {
      inflateReset(&z);  // concatenated members
      continue;
    }
    if (r != Z_OK) break;
  }
  inflateEnd(&z);
  if (r != Z_STREAM_END && aus.empty()) {
    grund = "gzip beschädigt";
    return false;
  }
  return true;
}

// The raw strings of the file after the document's text.
void TextAnhaengen(std::string& ziel, std::string_view teil) {
  if (teil.empty()) return;
  if (!ziel.empty()) ziel += "\n\f\n";
  ziel.append(teil);
}

Auszug TextAuszug(std::string_view bytes, Art art, const Ausleseoptionen& o) {
  Auszug a;
  a.Art = art == Art::Markup ? "markup" : art == Art::Rtf ? "rtf" : "text";
  // The bytes themselves as text: what the byte search sees.
  std::string roh = TextDekodieren(bytes.substr(0, std::min<std::size_t>(bytes.size(), o.MaxText)));
  a.Gekuerzt = bytes.size() > o.MaxText;
  if (art == Art::Markup) {
    a.Text = MarkupText(roh);
  } else if (art == Art::Rtf) {
    a.Text = RtfText(bytes);
  }
  TextAnhaengen(a.Text, roh);
  return a;
}

}  // namespace

std::string Dateiendung(const std::filesystem::path& datei) {
  std::string e = datei.extension().string();
  if (!e.empty()) e.erase(0, 1);
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

Art ArtErkennen(std::string_view kopf, const std::filesystem::path& datei) {
  const std::string e = Dateiendung(datei);
  if (Beginnt(kopf, "%PDF") || kopf.substr(0, 1024).find("%PDF-") != std::string_view::npos) return Art::Pdf;
  if (Beginnt(kopf, "PK\x03\x04") || Beginnt(kopf, "PK\x05\x06")) return Art::Zip;
  if (Beginnt(kopf, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return Art::Ole;
  if (Beginnt(kopf, "{\\rtf")) return Art::Rtf;
  if (Beginnt(kopf, "\x1F\x8B")) return Art::Gzip;
  if (Beginnt(kopf, "\x89PNG") || Beginnt(kopf, "\xFF\xD8\xFF") || Beginnt(kopf, "II*\0") ||
      Beginnt(kopf, "MM\0*") || Beginnt(kopf, "GIF8") || (Beginnt(kopf, "BM") && IstBildEndung(e)) ||
      (Beginnt(kopf, "RIFF") && e == "webp")) {
    return Art::Bild;
  }
  if (Beginnt(kopf, "\xFF\xFE") || Beginnt(kopf, "\xFE\xFF")) return Art::Text;
  if (!SiehtAusWieText(kopf.substr(0, 64 * 1024))) return Art::Binaer;
  std::string anfang(kopf.substr(0, 256));
  for (char& c : anfang) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (IstMarkupEndung(e) || anfang.find("<?xml") != std::string::npos ||
      anfang.find("<!doctype html") != std::string::npos || anfang.find("<html") != std::string::npos) {
    return Art::Markup;
  }
  return Art::Text;
}

void DruckbareFolgen(std::string_view s, std::string& aus, std::size_t mindestens) {
  std::size_t i = 0;
  while (i < s.size()) {
    // Longest run from i: ASCII printable, tab, valid UTF-8, Latin-1 letters.
    std::size_t j = i, zeichen = 0;
    while (j < s.size()) {
      const auto b = static_cast<unsigned char>(s[j]);
      if ((b >= 0x20 && b < 0x7F) || b == '\t') {
        ++j;
      } else if (b >= 0xC2 && b <= 0xF4) {
        std::size_t n = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3, k = 1;
        while (k <= n && j + k < s.size() && (static_cast<unsigned char>(s[j + k]) & 0xC0) == 0x80) ++k;
        if (k == n + 1) {
          j += k;
        } else if (b >= 0xC0) {
          ++j;  // a Windows-1252 letter, not UTF-8
        } else {
          break;
        }
      } else if (b >= 0xA0 || b == 0x80 || b == 0x84 || b == 0x93 || b == 0x94 || b == 0x96) {
        ++j;  // Windows-1252 letters and the signs of German text (§, °, €, „“, –)
      } else {
        break;
      }
      ++zeichen;
    }
    if (zeichen >= mindestens) {
      aus.append(AlsUtf8(s.substr(i, j - i)));
      aus += '\n';
    }
    i = j == i ? i + 1 : j;
  }
}

}  // namespace auslese_intern

using namespace auslese_intern;

namespace {

Auszug AuslesenUngeprueft(const std::filesystem::path& datei, const Ausleseoptionen& o) {
  try {
    Auszug a;
    std::string bytes;
    if (!DateiLesen(datei, o.MaxDateigroesse, bytes, a.Grund)) {
      a.Status = Auszugsstatus::NichtIndizierbar;
      return a;
    }
    Art art = ArtErkennen(bytes, datei);
    std::filesystem::path innerer = datei;
    if (art == Art::Gzip) {
      std::string entpackt, name;
      if (!GzipEntpacken(bytes, o.MaxText, entpackt, name, a.Grund)) {
        a.Status = Auszugsstatus::NichtIndizierbar;
        a.Art = "gzip";
        return a;
      }
      innerer = datei.stem();
      art = ArtErkennen(entpackt, innerer);
      if (art == Art::Gzip || art == Art::Zip || art == Art::Ole || art == Art::Bild) art = Art::Binaer;
      bytes = std::move(entpackt);
      a = art == Art::Pdf ? PdfAuslesen(bytes, o) : art == Art::Binaer ? Auszug{} : TextAuszug(bytes, art, o);
      if (art == Art::Binaer) {
        a.Text += "\f\n";
        DruckbareFolgen(bytes, a.Text);
      }
      TextAnhaengen(a.Text, AlsUtf8(name));
      a.Art = "gzip/" + (a.Art.empty() ? std::string("binär") : a.Art);
      if (a.Status == Auszugsstatus::OcrNoetig) a.Status = Auszugsstatus::Ok;  // no page to render from outside
      return a;
    }
    switch (art) {
      case Art::Text:
      case Art::Markup:
      case Art::Rtf:
        return TextAuszug(bytes, art, o);
      case Art::Pdf:
        return PdfAuslesen(bytes, o);
      case Art::Zip:
        return ZipAuslesen(datei, o);
      case Art::Ole:
        return OleAuslesen(datei, bytes, o);
      case Art::Bild:
        return BildPruefen(datei, bytes, o);
      default:
        a.Art = "binär";
        a.Text = "\f\n";
        DruckbareFolgen(bytes, a.Text);
        return a;
    }
  } catch (const std::bad_alloc&) {
    Auszug a;
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "Speichergrenze überschritten";
    return a;
  } catch (const std::exception& e) {
    Auszug a;
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = std::string("Fehler beim Auslesen: ") + e.what();
    return a;
  }
}

}  // namespace

Auszug Auslesen(const std::filesystem::path& datei, const Ausleseoptionen& o) {
  Auszug a = AuslesenUngeprueft(datei, o);
  // A cut text would let the search pass the file as read in full, and miss
  // what stands after the cut: such a file is read by the search itself.
  if (a.Status != Auszugsstatus::NichtIndizierbar && a.Gekuerzt) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "Text länger als " + std::to_string(o.MaxText >> 20) + " MB; die Suche liest die Datei selbst";
    a.Text.clear();
  }
  return a;
}

Auszug OcrSeite(const std::filesystem::path& datei, std::uint32_t seite, const Ausleseoptionen& o) {
  try {
    Auszug a;
    std::string bytes;
    if (!DateiLesen(datei, o.MaxDateigroesse, bytes, a.Grund)) {
      a.Status = Auszugsstatus::NichtIndizierbar;
      return a;
    }
    if (ArtErkennen(bytes, datei) == Art::Pdf) return OcrPdfSeite(bytes, seite);
    return OcrBild(datei, seite);
  } catch (const std::bad_alloc&) {
    Auszug a;
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "Speichergrenze überschritten";
    return a;
  } catch (const std::exception& e) {
    Auszug a;
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = std::string("Fehler bei der Texterkennung: ") + e.what();
    return a;
  }
}

}  // namespace vxm::volltext
