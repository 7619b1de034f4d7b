// The content hash of files (xxh128): the fingerprints that let keywords
// follow moved files and the full-text index's same-content check share it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vxm {

// The hash's canonical form: 16 bytes, most significant first.
using Inhaltshash = std::array<unsigned char, 16>;

// Hashes an open file from its current offset to the end in one pass;
// `gelesen` gets the bytes read. False on a read error. With `groesse`
// (the size a stat gave a regular file), a read that comes up short after
// that many bytes is taken as the end: a small file costs one read, not two.
// The caller compares size and time after reading, as without it.
bool InhaltHashen(int fd, Inhaltshash& hash, std::int64_t& gelesen, std::int64_t groesse = -1);

// The hash of a whole file by its path, as 16 bytes in `hash`; false when
// it cannot be read.
bool InhaltHashenDatei(const std::string& pfad, std::string& hash);

}  // namespace vxm
