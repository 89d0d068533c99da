#include "storage/random_bytes.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>

#include "storage/unique_fd.h"

namespace wb {

bool FillSystemRandom(unsigned char* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::getrandom(bytes + done, size - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done == size) return true;
  if (const UniqueFd fd(::open("/dev/urandom", O_RDONLY | O_CLOEXEC)); fd) {
    while (done < size) {
      ssize_t n = ::read(fd.get(), bytes + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
  }
  return done == size;
}

void FillRandom(unsigned char* bytes, size_t size) {
  if (FillSystemRandom(bytes, size)) return;
  // No random source at all: still different ids for different processes and moments.
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t seed = static_cast<std::uint64_t>(
                           std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
                       (static_cast<std::uint64_t>(::getpid()) << 32) ^ counter.fetch_add(1);
  std::mt19937_64 generator(seed);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(generator());
}

std::string RandomHex(size_t bytes) {
  std::string out;
  unsigned char chunk[32];
  while (bytes > 0) {
    const size_t n = bytes < sizeof chunk ? bytes : sizeof chunk;
    if (!FillSystemRandom(chunk, n)) return {};
    for (size_t i = 0; i < n; ++i) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02x", chunk[i]);
      out += pair;
    }
    bytes -= n;
  }
  return out;
}

}  // namespace wb
