// Variant values of the host's parameter array, with the conversions the
// component applies to them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vxm {

struct NullWert {
  bool operator==(const NullWert&) const = default;
};

class Variant {
 public:
  using Inhalt = std::variant<std::monostate, NullWert, bool, int32_t, double, std::string>;

  Variant() = default;
  Variant(NullWert n) : inhalt_(n) {}
  Variant(bool b) : inhalt_(b) {}
  Variant(int32_t i) : inhalt_(i) {}
  Variant(double d) : inhalt_(d) {}
  Variant(std::string s) : inhalt_(std::move(s)) {}
  Variant(const char* s) : inhalt_(std::string(s)) {}

  bool IstLeer() const { return std::holds_alternative<std::monostate>(inhalt_); }
  bool IstNull() const { return std::holds_alternative<NullWert>(inhalt_); }
  const Inhalt& Wert() const { return inhalt_; }

  bool operator==(const Variant&) const = default;

 private:
  Inhalt inhalt_;
};

// Conversion to text: empty gives "", Null raises error 94.
std::string AlsText(const Variant& v);

// Conversion to a 32-bit integer: empty gives 0; numbers are rounded half to
// even; text must be a decimal number (blanks around it allowed); anything
// else raises error 13, values outside the range error 6.
int32_t AlsLong(const Variant& v);

}  // namespace vxm
