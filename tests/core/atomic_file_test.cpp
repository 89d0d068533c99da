#include "storage/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
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

std::string Contents(const std::string& path) {
  return ReadWholeFile(path).value_or("<missing>");
}

unsigned ModeOf(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::size_t EntriesIn(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                std::filesystem::directory_iterator()));
}

TEST(FileReplacement, CommitPutsTheNewVersionInPlaceWithTheAskedPermissions) {
  const mode_t umask = ::umask(022);
  struct Case {
    const char* what;
    bool targetExists;
    ReplacementOptions options;
    unsigned mode;
  };
  const Case cases[] = {
      {"a new file gets 0666 less the umask", false, {}, 0644},
      {"an old file's mode is not kept unasked", true, {}, 0644},
      {"asked permissions are set as given", true, {.permissions = 0600}, 0600},
      {"the umask does not cut asked permissions", false, {.permissions = 0777}, 0777},
      {"a fixed name works the same", true, {.permissions = 0640, .fixedName = true}, 0640},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = FilePath("replace" + std::to_string(n++));
    std::filesystem::create_directories(dir);
    const std::string target = dir + "/target";
    if (c.targetExists) {
      std::ofstream(target) << "old";
      ::chmod(target.c_str(), 0700);
    }
    {
      FileReplacement replacement(target, c.options);
      // The temporary file is hidden beside the target, and the target is untouched so far.
      EXPECT_EQ(std::filesystem::path(replacement.TemporaryPath()).parent_path(), dir);
      EXPECT_EQ(std::filesystem::path(replacement.TemporaryPath()).filename().string()[0], '.');
      replacement.Write("new ");
      // Another writer may fill the temporary file by its path.
      std::ofstream(replacement.TemporaryPath(), std::ios::app) << "version";
      EXPECT_EQ(Contents(target), c.targetExists ? "old" : "<missing>");
      replacement.Commit();
    }
    EXPECT_EQ(Contents(target), "new version");
    EXPECT_EQ(ModeOf(target), c.mode);
    EXPECT_EQ(EntriesIn(dir), 1u) << "the temporary file stayed";
  }
  ::umask(umask);
}

TEST(FileReplacement, WithoutCommitNothingChanges) {
  const std::string dir = FilePath("discard");
  std::filesystem::create_directories(dir);
  const std::string target = dir + "/target";
  std::ofstream(target) << "old";
  for (bool fixedName : {false, true}) {
    FileReplacement replacement(target, {.fixedName = fixedName});
    replacement.Write("new");
  }
  EXPECT_EQ(Contents(target), "old");
  EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST(FileReplacement, TemporaryNames) {
  const std::string dir = FilePath("names");
  std::filesystem::create_directories(dir);
  const std::string target = dir + "/target";
  // Writers without the lock never share a temporary file.
  FileReplacement first(target);
  FileReplacement second(target);
  EXPECT_NE(first.TemporaryPath(), second.TemporaryPath());
  // The fixed name takes the place of what a killed writer left there.
  const std::string leftOver = dir + "/.target.tmp";
  std::ofstream(leftOver) << "left over";
  ::chmod(leftOver.c_str(), 0400);
  FileReplacement fixed(target, {.fixedName = true});
  EXPECT_EQ(fixed.TemporaryPath(), leftOver);
  EXPECT_EQ(Contents(leftOver), "");
}

TEST(FileReplacement, ErrorsNameTheFileAndLeaveNothingBehind) {
  const std::string dir = FilePath("errors");
  std::filesystem::create_directories(dir + "/target-is-a-folder");
  try {
    FileReplacement replacement(dir + "/target-is-a-folder");
    replacement.Commit();
    ADD_FAILURE() << "a folder was replaced";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), dir + "/target-is-a-folder");
  }
  EXPECT_EQ(EntriesIn(dir), 1u);
  try {
    WriteFileAtomically(dir + "/missing-folder/target", "x");
    ADD_FAILURE() << "a file was written in a missing folder";
  } catch (const FileError& e) {
    EXPECT_NE(e.path().find("/missing-folder/"), std::string::npos) << e.path();
  }
}

}  // namespace
}  // namespace wb
