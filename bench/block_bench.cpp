// How fast the block text file finds blocks: the configuration block appended to the real
// executable (what every start of the program reads), and a search through a large file in
// the page cache with the only match at its end.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "storage/fsx.h"
#include "support/elf_file.h"

namespace {

// The real program when it is built (it carries the shipped block), else a copy of wbctl with
// a block appended the same way.
#ifdef WB_WEBBROWSER_PATH
const char* const kProgram = WB_WEBBROWSER_PATH;
#else
const char* const kProgram = nullptr;
#endif

std::string TempDir() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

std::string BoundaryLine(const std::string& name) {
  return std::string("--!") + "x_bound_x" + "[" + name + "]--\r\n";
}

// A file removed when the benchmark program ends.
struct TempFile {
  std::string path;
  ~TempFile() {
    if (!path.empty()) std::filesystem::remove(path);
  }
};

const std::string& BrandedExecutable() {
  static TempFile file;
  if (file.path.empty()) {
    if (kProgram != nullptr) {
      file.path = kProgram;
      static std::string keep;  // the built program is not ours to remove
      keep = file.path;
      file.path.clear();
      return keep;
    }
    file.path = TempDir() + "/wb_block_bench_exe";
    const auto end = wb::ElfImageEnd(WB_WBCTL_PATH).value_or(0);
    std::ifstream in(WB_WBCTL_PATH, std::ios::binary);
    std::string image(static_cast<std::size_t>(end), '\0');
    in.read(image.data(), static_cast<std::streamsize>(image.size()));
    std::filesystem::remove(file.path);
    wb::TFSx out(file.path, u"c");
    out.Append(image);
    out.wBlock(u"WebBrowser", u"title=WebBrowser\r\nwebinfo=0\r\ngo=https://morvane.example");
  }
  return file.path;
}

// What the window does at creation: open the executable for reading, read its block, close.
void BM_rBlockOfExecutable(benchmark::State& state) {
  const std::string& path = BrandedExecutable();
  std::size_t found = 0;
  for (auto _ : state) {
    wb::TFSx file(path, u"r");
    const std::string block = file.rBlock(u"WebBrowser");
    found = block.size();
    benchmark::DoNotOptimize(block.data());
  }
  if (found == 0) state.SkipWithError("no block in the executable");
  const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_rBlockOfExecutable)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A 256 MB file of pseudo-random bytes (binary data, as an executable holds) with the
// boundary line at its very end. Read once so that it is in the page cache.
const std::string& LargeFile() {
  static TempFile file;
  if (file.path.empty()) {
    file.path = TempDir() + "/wb_block_bench_256mb";
    const std::string tail = "\r\n" + BoundaryLine("WebBrowser") + "go=x";
    const std::size_t total = std::size_t{256} << 20;
    std::ofstream out(file.path, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(42);
    std::string chunk(std::size_t{1} << 20, '\0');
    for (std::size_t written = 0; written < total - tail.size();) {
      for (std::size_t i = 0; i + 8 <= chunk.size(); i += 8) {
        const std::uint64_t r = random();
        std::memcpy(chunk.data() + i, &r, 8);
      }
      const std::size_t n = std::min(chunk.size(), total - tail.size() - written);
      out.write(chunk.data(), static_cast<std::streamsize>(n));
      written += n;
    }
    out << tail;
    out.close();
    std::ifstream warm(file.path, std::ios::binary);
    while (warm.read(chunk.data(), static_cast<std::streamsize>(chunk.size()))) {
    }
  }
  return file.path;
}

void BM_Find256MB(benchmark::State& state) {
  const std::string& path = LargeFile();
  const std::string search = BoundaryLine("WebBrowser");
  const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
  std::int64_t hit = 0;
  for (auto _ : state) {
    wb::TFSx file(path, u"r");
    hit = file.FindBytes(search, -1);
    benchmark::DoNotOptimize(hit);
  }
  if (hit != size - static_cast<std::int64_t>(search.size()) - 4 + 1) {
    state.SkipWithError("the match at the end was not found where expected");
  }
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_Find256MB)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
