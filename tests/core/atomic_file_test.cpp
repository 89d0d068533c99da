#include "storage/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "tests/common/test_env.h"

namespace wb {
namespace {

std::string FilePath(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/atomic";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// Whatever keeps the writer from the lock, it gives up after its limit with the locked error
// and leaves the file as it was.
TEST(AtomicUpdate, GivesUpAfterTheLockLimitAndLeavesTheFile) {
  struct Case {
    const char* what;
    bool heldByAnother;      // another open file holds the exclusive lock throughout
    bool replacedAfterLock;  // every file the writer locks has been replaced meanwhile
  };
  const Case cases[] = {
      {"another holder keeps the lock", true, false},
      {"the file is replaced after every lock", false, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = FilePath("limit" + std::to_string(n++));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "old";
    int holder = -1;
    if (c.heldByAnother) {
      holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    }
    // Set when the writer has not given up in time, so that it ends and the test fails
    // instead of hanging.
    std::atomic<bool> stop{false};
    AtomicUpdateOptions options;
    options.lockTimeoutMs = 100;
    if (c.replacedAfterLock) {
      options.stillAtPath = [&stop](int, const std::string&) { return stop.load(); };
    }
    std::packaged_task<std::string()> write([&] {
      try {
        UpdateFileAtomically(
            path, [](const std::string&) { return std::string("new"); }, options);
        return std::string("written");
      } catch (const FileError& e) {
        return e.reason();
      }
    });
    std::future<std::string> outcome = write.get_future();
    std::thread writer(std::move(write));
    const bool ended = outcome.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!ended) {
      stop = true;
      if (holder >= 0) ::close(std::exchange(holder, -1));
    }
    writer.join();
    if (holder >= 0) ::close(holder);
    EXPECT_TRUE(ended) << "the writer still waited for the lock long after its limit";
    EXPECT_EQ(outcome.get(), "the file is locked by another process");
    EXPECT_EQ(ReadWholeFile(path).value_or("<missing>"), "old");
  }
}

}  // namespace
}  // namespace wb
