#include "platform/namensliste.h"

#include <algorithm>
#include <numeric>

#include "platform/text.h"

namespace vxm {

namespace {

// Gross for the common plain-ASCII name without a conversion per character.
void GrossAnhaengen(std::string_view name, std::string& aus) {
  if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    for (const char c : name) aus += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return;
  }
  aus += Gross(name);
}

}  // namespace

Namensliste::Namensliste(std::vector<std::string> namen) {
  const std::size_t n = namen.size();
  std::size_t bytes = 0;
  for (const auto& s : namen) bytes += s.size();
  // Sort keys folded once, side by side in one buffer.
  std::string schluessel;
  schluessel.reserve(bytes + bytes / 8);
  std::vector<std::uint32_t> sende(n);
  for (std::size_t i = 0; i < n; ++i) {
    GrossAnhaengen(namen[i], schluessel);
    sende[i] = static_cast<std::uint32_t>(schluessel.size());
  }
  auto key = [&](std::uint32_t i) {
    const std::uint32_t a = i ? sende[i - 1] : 0;
    return std::string_view(schluessel).substr(a, sende[i] - a);
  };
  std::vector<std::uint32_t> folge(n);
  std::iota(folge.begin(), folge.end(), 0u);
  std::stable_sort(folge.begin(), folge.end(), [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
  puffer_.reserve(bytes);
  ende_.reserve(n);
  for (const std::uint32_t i : folge) {
    puffer_ += namen[i];
    ende_.push_back(static_cast<std::uint32_t>(puffer_.size()));
  }
}

}  // namespace vxm
