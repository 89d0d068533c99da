// What reading the configuration costs when the block appended to a branded copy is damaged
// or huge: a million lines, one 10 MB value, a block larger than the reader accepts, bytes
// that are not text. Each case runs in a child process of its own, so that its peak memory
// (maximum resident set) is its own; the table gives the wall time of ReadConfigSources plus
// WindowConfigFromValues, the peak memory and what the window would get.
//
// Usage: wb_config_load_bench   (every case, each read by a child process of its own)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "storage/window_config.h"

namespace {

struct Case {
  const char* name;
  const char* what;
};

constexpr Case kCases[] = {
    {"lines-distinct", "1,000,000 lines, all names distinct (12 MB)"},
    {"lines-same", "1,000,000 lines setting the same name (20 MB, over the limit)"},
    {"lines-same-15mb", "750,000 lines setting the same name (15 MB)"},
    {"value-10mb", "one value of 10 MB"},
    {"value-100mb", "one value of 100 MB (block over the 16 MB limit)"},
    {"binary-15mb", "15 MB of bytes that are not text"},
    {"no-block-end", "block without end, then 50 MB of executable-like bytes"},
};

std::string BlockHeader() {
  return std::string("\r\n--!") + "x_bound_x" + "[WebBrowser]--\r\n";
}

std::string MakeFile(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/wb_config_load_" + name;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << std::string(4 << 20, 'E');  // stands for the executable image
  f << BlockHeader() << "title=Load\r\n";
  if (name == "lines-distinct") {
    for (int i = 0; i < 1000000; ++i) f << "k" << i << "=v\r\n";
  } else if (name == "lines-same") {
    for (int i = 0; i < 1000000; ++i) f << "title=value " << i << "\r\n";
  } else if (name == "lines-same-15mb") {
    for (int i = 0; i < 750000; ++i) f << "title=value " << i << "\r\n";
  } else if (name == "value-10mb") {
    f << "go=" << std::string(10 << 20, 'x') << "\r\n";
  } else if (name == "value-100mb") {
    f << "go=" << std::string(100 << 20, 'x') << "\r\n";
  } else if (name == "binary-15mb") {
    std::string bytes(15 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 >> 3);
    f << bytes;
  } else if (name == "no-block-end") {
    f << std::string(50 << 20, '\x7f');
  }
  return path;
}

int RunCase(const std::string& name, const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  std::string outcome;
  try {
    const auto list = wb::ReadConfigSources("title=Default\r\nwebinfo=0\r\n", path);
    const auto config = wb::WindowConfigFromValues(list);
    outcome = std::to_string(list.size()) + " entries, caption " +
              std::to_string(config.caption.size()) + " chars";
  } catch (const std::exception& e) {
    outcome = std::string("refused: ") + e.what();
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("| %s | %.0f ms | %ld MB | %s |\n", name.c_str(), ms, usage.ru_maxrss / 1024,
              outcome.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) return RunCase(argv[1], argv[2]);
  std::printf("| block | read time | peak memory | result |\n|---|---|---|---|\n");
  std::fflush(stdout);
  for (const Case& c : kCases) {
    // The file is written here, so that the child's peak memory is the reading alone.
    const std::string path = MakeFile(c.name);
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/proc/self/exe", argv[0], c.name, path.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::remove(path.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("| %s | failed |\n", c.name);
  }
  for (const Case& c : kCases) std::printf("%s: %s\n", c.name, c.what);
  return 0;
}
