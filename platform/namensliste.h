// The names of one folder as a list view shows them: sorted by their upper
// case (equal ones in the order given), held in one buffer, a few bytes
// beyond the names themselves per entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxm {

class Namensliste {
 public:
  Namensliste() = default;
  explicit Namensliste(std::vector<std::string> namen);

  std::size_t size() const { return ende_.size(); }
  bool empty() const { return ende_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::uint32_t a = i ? ende_[i - 1] : 0;
    return std::string_view(puffer_).substr(a, ende_[i] - a);
  }
  // Bytes held for the names (buffer and positions).
  std::size_t Belegt() const { return puffer_.capacity() + ende_.capacity() * sizeof(std::uint32_t); }

 private:
  std::string puffer_;
  std::vector<std::uint32_t> ende_;
};

}  // namespace vxm
