#include "platform/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/fehler.h"

namespace vxm {
namespace {

int32_t GerundetLong(double d) {
  if (!std::isfinite(d)) throw VbFehler::Standard(fehlernr::Ueberlauf);
  double r = std::nearbyint(d);  // the default rounding mode rounds half to even
  if (r < -2147483648.0 || r > 2147483647.0) throw VbFehler::Standard(fehlernr::Ueberlauf);
  return static_cast<int32_t>(r);
}

}  // namespace

std::string AlsText(const Variant& v) {
  struct Besucher {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(NullWert) const { throw VbFehler::Standard(fehlernr::UngueltigeNull); }
    std::string operator()(bool b) const { return b ? "Wahr" : "Falsch"; }
    std::string operator()(int32_t i) const { return std::to_string(i); }
    std::string operator()(double d) const {
      char puffer[64];
      std::snprintf(puffer, sizeof puffer, "%.15g", d);
      return puffer;
    }
    std::string operator()(const std::string& s) const { return s; }
  };
  return std::visit(Besucher{}, v.Wert());
}

int32_t AlsLong(const Variant& v) {
  struct Besucher {
    int32_t operator()(std::monostate) const { return 0; }
    int32_t operator()(NullWert) const { throw VbFehler::Standard(fehlernr::UngueltigeNull); }
    int32_t operator()(bool b) const { return b ? -1 : 0; }
    int32_t operator()(int32_t i) const { return i; }
    int32_t operator()(double d) const { return GerundetLong(d); }
    int32_t operator()(const std::string& s) const {
      std::size_t a = 0, e = s.size();
      while (a < e && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
      while (e > a && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
      std::string kern = s.substr(a, e - a);
      // Plain decimal only: optional sign, digits, optional fraction.
      std::size_t i = 0;
      if (i < kern.size() && (kern[i] == '+' || kern[i] == '-')) ++i;
      std::size_t ziffern = 0;
      while (i < kern.size() && std::isdigit(static_cast<unsigned char>(kern[i]))) ++i, ++ziffern;
      if (i < kern.size() && (kern[i] == '.' || kern[i] == ',')) {
        kern[i] = '.';
        ++i;
        while (i < kern.size() && std::isdigit(static_cast<unsigned char>(kern[i]))) ++i, ++ziffern;
      }
      if (ziffern == 0 || i != kern.size()) throw VbFehler::Standard(fehlernr::TypenUnvertraeglich);
      return GerundetLong(std::strtod(kern.c_str(), nullptr));
    }
  };
  return std::visit(Besucher{}, v.Wert());
}

}  // namespace vxm
