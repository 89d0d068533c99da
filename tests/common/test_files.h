#pragma once
// Whole files for tests, which set up and inspect files byte for byte.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace wbtest {

// The whole content of the file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Makes the file hold exactly `bytes`, creating its missing folders first.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace wbtest
