#include "keywords/serverregister.h"

#include <algorithm>

#include "platform/fehler.h"
#include "platform/pgschema.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "platform/verbindung.h"

namespace vxm {
namespace {

// The procedure can take the change: a server database that holds it, and
// no transaction the change would have to join.
bool Bereit(Datenbank& reg, const char* prozedur) {
  Verbindung& v = reg.Anbindung();
  if (v.TransaktionOffen() || !v.HatProzedur(prozedur)) return false;
  v.Schreibpruefung();
  return true;
}

[[noreturn]] void Unerwartet(std::string_view antwort) {
  throw VbFehler(fehlernr::DatenbankFehler, "Unerwartete Antwort des Datenbankservers: " + std::string(antwort));
}

std::string Zahlen(const std::vector<int32_t>& werte) {
  std::string s = "{";
  for (const int32_t w : werte) {
    if (s.size() > 1) s += ',';
    s += std::to_string(w);
  }
  return s + "}";
}

}  // namespace

std::string ServerListe(const std::vector<std::string>& werte) {
  std::string s = "{";
  for (const auto& w : werte) {
    if (s.size() > 1) s += ',';
    s += '"';
    for (const char c : w) {
      if (c == '"' || c == '\\') s += '\\';
      s += c;
    }
    s += '"';
  }
  return s + "}";
}

std::vector<std::string> ServerListeLesen(std::string_view text) {
  if (text.size() < 2 || text.front() != '{' || text.back() != '}') Unerwartet(text);
  std::vector<std::string> aus;
  std::size_t i = 1;
  const std::size_t ende = text.size() - 1;
  while (i < ende) {
    std::string w;
    if (text[i] == '"') {
      for (++i; i < ende && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < ende) ++i;
        w += text[i];
      }
      if (i >= ende) Unerwartet(text);
      ++i;  // the closing quote
    } else {
      // Unquoted: no quote, brace, comma, backslash or space inside; NULL never comes.
      const std::size_t k = std::min(text.find(',', i), ende);
      w = std::string(text.substr(i, k - i));
      if (w.empty() || w.find_first_of("\"{}\\ ") != std::string::npos) Unerwartet(text);
      i = k;
    }
    aus.push_back(std::move(w));
    if (i < ende && text[i++] != ',') Unerwartet(text);
  }
  return aus;
}

std::optional<ServerEingabe> EingebenAufServer(Datenbank& reg, const AktuelleDatei& datei,
                                               const std::vector<std::string>& namen,
                                               const std::vector<std::string>& sperren) {
  if (!Bereit(reg, kProzedurEingeben)) return std::nullopt;
  std::vector<std::string> gefaltet;
  for (const auto& n : namen) gefaltet.push_back(Falten(n));
  sql::Abfrage a(reg, std::string("CALL ") + kProzedurEingeben + "(?1, ?2, ?3, ?4, ?5, ?6, ?7, NULL, NULL, NULL)");
  a.Text(1, datei.Name).Text(2, datei.Ordner).Text(3, Falten(datei.Name)).Text(4, Falten(datei.Ordner));
  a.Text(5, ServerListe(namen)).Text(6, ServerListe(gefaltet)).Text(7, Zahlen(Namenssperren(sperren)));
  if (!a.Zeile()) Unerwartet("");
  ServerEingabe e;
  e.Dateinummer = static_cast<int32_t>(a.ZahlSpalte(0));
  const std::string_view neu = a.Spalte(1);
  if (neu.size() != namen.size()) Unerwartet(neu);
  for (const char c : neu) e.Neu.push_back(c == '1');
  e.Doppelte = ServerListeLesen(a.Spalte(2));
  return e;
}

std::optional<EntfernenErgebnis> EntfernenAufServer(Datenbank& reg, const AktuelleDatei& datei,
                                                    const std::string& keyword,
                                                    const std::vector<std::string>& sperren) {
  if (!Bereit(reg, kProzedurEntfernen)) return std::nullopt;
  sql::Abfrage a(reg, std::string("CALL ") + kProzedurEntfernen + "(?1, ?2, ?3, ?4, NULL, NULL, NULL)");
  a.Text(1, Falten(datei.Name)).Text(2, Falten(datei.Ordner)).Text(3, Falten(keyword));
  a.Text(4, Zahlen(Namenssperren(sperren)));
  if (!a.Zeile()) Unerwartet("");
  EntfernenErgebnis e;
  e.Dateinummer = static_cast<int32_t>(a.ZahlSpalte(0));
  e.Entfernt = a.Spalte(1) == "t";
  e.Abgemeldet = a.Spalte(2) == "t";
  return e;
}

}  // namespace vxm
