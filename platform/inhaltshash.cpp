#include "platform/inhaltshash.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace vxm {

bool InhaltHashen(int fd, Inhaltshash& hash, std::int64_t& gelesen, std::int64_t groesse) {
  static thread_local std::vector<char> puffer(1 << 18);
  // One state per thread, made once (hashing many small files).
  static thread_local std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> zustand(XXH3_createState(),
                                                                                             XXH3_freeState);
  if (!zustand) return false;
  // The buffer is filled; only a file larger than it is hashed piecewise
  // (both ways give the same hash).
  gelesen = 0;
  std::size_t voll = 0;
  bool stueckweise = false;
  for (;;) {
    const ssize_t n = ::read(fd, puffer.data() + voll, puffer.size() - voll);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    const bool kurz = static_cast<std::size_t>(n) < puffer.size() - voll;
    voll += static_cast<std::size_t>(n);
    gelesen += n;
    if (kurz && gelesen == groesse) break;
    if (voll == puffer.size()) {
      if (!stueckweise) XXH3_128bits_reset(zustand.get());
      stueckweise = true;
      XXH3_128bits_update(zustand.get(), puffer.data(), voll);
      voll = 0;
    }
  }
  XXH128_hash_t h;
  if (stueckweise) {
    XXH3_128bits_update(zustand.get(), puffer.data(), voll);
    h = XXH3_128bits_digest(zustand.get());
  } else {
    h = XXH3_128bits(puffer.data(), voll);
  }
  XXH128_canonical_t c;
  XXH128_canonicalFromHash(&c, h);
  std::memcpy(hash.data(), c.digest, hash.size());
  return true;
}

bool InhaltHashenDatei(const std::string& pfad, std::string& hash) {
  const int fd = ::open(pfad.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  Inhaltshash h;
  std::int64_t gelesen = 0;
  const bool gut = InhaltHashen(fd, h, gelesen);
  ::close(fd);
  hash.assign(reinterpret_cast<const char*>(h.data()), h.size());
  return gut;
}

}  // namespace vxm
