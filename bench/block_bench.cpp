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
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "storage/elf_file.h"
#include "storage/fsx.h"

namespace {

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

// A copy of the ELF image of `program` with the shipped block appended by the block writer,
// as the build and wbctl brand make it.
std::string BrandedCopy(const std::string& program, const std::string& name) {
  static std::vector<std::unique_ptr<TempFile>> files;
  files.push_back(std::make_unique<TempFile>());
  files.back()->path = TempDir() + "/wb_block_bench_" + name;
  const auto end = wb::ElfImageEnd(program).value_or(0);
  std::ifstream in(program, std::ios::binary);
  std::string image(static_cast<std::size_t>(end), '\0');
  in.read(image.data(), static_cast<std::streamsize>(image.size()));
  std::filesystem::remove(files.back()->path);
  wb::TFSx out(files.back()->path, u"c");
  out.Append(image);
  out.wBlock(u"WebBrowser", u"title=WebBrowser\r\nwebinfo=0\r\ngo=https://morvane.example");
  return files.back()->path;
}

// What the window does at creation: open the executable for reading, read its block, close.
void BM_rBlockOfExecutable(benchmark::State& state, const std::string& path) {
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

// The built program as it is (with debug information when the build has it), and a copy
// without debug information, the size of a shipped program.
void RegisterExecutableBenchmarks() {
#ifdef WB_WEBBROWSER_PATH
  const std::string program = WB_WEBBROWSER_PATH;
  const std::string built = program;  // already carries the shipped block
#else
  const std::string program = WB_WBCTL_PATH;
  const std::string built = BrandedCopy(program, "built");
#endif
  const std::string stripped = BrandedCopy(WB_STRIPPED_PROGRAM, "stripped");
  benchmark::RegisterBenchmark("BM_rBlockOfExecutable/built", BM_rBlockOfExecutable, built)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("BM_rBlockOfExecutable/stripped", BM_rBlockOfExecutable, stripped)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime();
}

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

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterExecutableBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
