#pragma once
// Helpers shared by the fuzz targets: a property check that stops the fuzzer with a message,
// and a splitter that turns one fuzz input into several arguments.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/text.h"

// Stops the run when a property does not hold; libFuzzer then saves the input as a crash.
#define WB_FUZZ_CHECK(cond)                                                            \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

namespace wbfuzz {

// The arguments of one input: the bytes split at the unit separator 0x1F, so that seed files
// stay readable ("name=value\x1fsection"). Missing arguments read as empty.
class Args {
 public:
  Args(const uint8_t* data, size_t size) : all_(reinterpret_cast<const char*>(data), size) {
    size_t start = 0;
    for (size_t i = 0; i <= all_.size(); ++i) {
      if (i == all_.size() || all_[i] == '\x1f') {
        parts_.push_back(all_.substr(start, i - start));
        start = i + 1;
      }
    }
  }

  std::string_view All() const { return all_; }
  size_t Count() const { return parts_.size(); }
  std::string_view Bytes(size_t i) const {
    return i < parts_.size() ? parts_[i] : std::string_view();
  }
  // An argument as text: its bytes decoded as UTF-8, so seeds may hold any character.
  wb::Text Text(size_t i) const { return wb::FromUtf8(Bytes(i)); }
  // A small number taken from the first byte of an argument (0 when it is empty).
  int Small(size_t i) const {
    auto b = Bytes(i);
    return b.empty() ? 0 : static_cast<unsigned char>(b[0]);
  }

 private:
  std::string_view all_;
  std::vector<std::string_view> parts_;
};

// Raw bytes as UTF-16 code units, two bytes each (little-endian), so that lone surrogates and
// every other unit are reached too.
inline wb::Text Units(std::string_view bytes) {
  wb::Text out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return out;
}

}  // namespace wbfuzz
