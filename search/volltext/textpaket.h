// How the index stores a text: cut into overlapping sections, each packed
// with zstd. Shared by the index and the code that prepares texts for it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vxm::volltext {

// Bytes each section carries of the next one: a phrase up to this long lies
// whole in one section.
constexpr std::size_t kUeberlappung = 512;

std::string Packen(std::string_view text);
// Empty when the bytes are damaged.
std::string Entpacken(const std::string& gepackt);

}  // namespace vxm::volltext
