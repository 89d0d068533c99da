// Several processes sharing the settings files: no write is lost, and a writer killed at any
// moment leaves a complete file that holds every write that had returned.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <set>

#include "storage/ini_file.h"
#include "storage/registry_file.h"
#include "storage/settings_store.h"
#include "tests/core/settings_test_env.h"

namespace wb {
namespace {

using wbtest::SettingsTest;

// Starts `count` child processes that wait until all of them exist and then run `body` with
// their number; a child's exit status is the body's result. Each child's standard output goes
// into a pipe whose text is returned per child.
std::vector<std::pair<int, std::string>> RunTogether(int count,
                                                     const std::function<int(int)>& body) {
  int start[2];
  if (pipe(start) != 0) return {};
  std::vector<std::pair<pid_t, int>> children;
  for (int i = 0; i < count; ++i) {
    int output[2];
    if (pipe(output) != 0) break;
    pid_t pid = fork();
    if (pid == 0) {
      close(start[1]);
      close(output[0]);
      char go;
      (void)!read(start[0], &go, 1);  // returns when the parent closes its end
      dup2(output[1], STDOUT_FILENO);
      int status = body(i);
      fflush(stdout);
      _exit(status);
    }
    close(output[1]);
    children.emplace_back(pid, output[0]);
  }
  close(start[0]);
  close(start[1]);
  std::vector<std::pair<int, std::string>> results;
  for (auto [pid, fd] : children) {
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(fd);
    int status = 0;
    waitpid(pid, &status, 0);
    results.emplace_back(WIFEXITED(status) ? WEXITSTATUS(status) : 100, text);
  }
  return results;
}

class SettingsConcurrency : public SettingsTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    UseMemoryFileSystem();
    SettingsTest::SetUp();
    Process().portable = GetParam();
    Process().dataFolder = Process().programFolder;
  }
  std::string StorePath() const { return GetParam() == 1 ? IniPath() : HivePath(); }
};

TEST_P(SettingsConcurrency, ProcessesWritingDifferentVariablesLoseNothing) {
  constexpr int kProcesses = 8;
  constexpr int kWrites = 200;
  auto results = RunTogether(kProcesses, [](int process) {
    const Text key = u"Load\\P" + Ascii(std::to_string(process));
    for (int i = 0; i < kWrites; ++i) {
      const Text number = Ascii(std::to_string(i));
      if (!WriteVar(key, u"v" + number, key + u"=" + number)) return 1;
    }
    return 0;
  });
  ASSERT_EQ(results.size(), static_cast<size_t>(kProcesses));
  for (const auto& [status, output] : results) EXPECT_EQ(status, 0);

  int missing = 0;
  for (int process = 0; process < kProcesses; ++process) {
    const Text key = u"Load\\P" + Ascii(std::to_string(process));
    for (int i = 0; i < kWrites; ++i) {
      const Text number = Ascii(std::to_string(i));
      if (ReadVar(key, u"v" + number, u"<lost>") != key + u"=" + number) ++missing;
    }
  }
  EXPECT_EQ(missing, 0);
  if (GetParam() == 0) {
    EXPECT_EQ(RegistryDocument(Contents(StorePath())).DamagedLines(), 0u);
  }
}

TEST_P(SettingsConcurrency, AWriterKilledAtAnyMomentLeavesACompleteFile) {
  constexpr int kRounds = 50;
  std::mt19937 random(20261208);
  int interruptedWrites = 0;
  // The first variable a writer reported as written. A kill may come before the first write of
  // a round has returned, so this need not be the first round's.
  Text firstReported;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    const Text prefix = u"r" + Ascii(std::to_string(round)) + u"-";
    int reports[2];
    ASSERT_EQ(pipe(reports), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(reports[0]);
      for (int i = 0; i < 100000; ++i) {
        const Text number = Ascii(std::to_string(i));
        if (!WriteVar(u"Kill", prefix + number, u"value " + number)) _exit(1);
        // Only a write that has returned is reported, and so promised to be in the file.
        if (write(reports[1], &i, sizeof i) != sizeof i) _exit(1);
      }
      _exit(0);
    }
    close(reports[1]);
    timespec pause{0, std::uniform_int_distribution<long>(0, 12'000'000)(random)};
    nanosleep(&pause, nullptr);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    int last = -1;
    for (int i; read(reports[0], &i, sizeof i) == sizeof i;) last = i;
    close(reports[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";

    const std::string content = Contents(StorePath());
    // A writer killed before its first write may leave an empty file: the lock is taken on it.
    if (last >= 0) {
      ASSERT_NE(content, "<missing>");
    }
    if (content != "<missing>" && !content.empty()) {
      ASSERT_TRUE(content.ends_with("\n")) << "the file ends in the middle of a line";
    }
    // A writer killed before it created the file leaves none, which is complete too.
    if (GetParam() == 0 && content != "<missing>") {
      ASSERT_EQ(RegistryDocument(content).DamagedLines(), 0u) << content;
    }
    if (last >= 0 && firstReported.empty()) firstReported = prefix + u"0";
    for (int i = 0; i <= last; ++i) {
      const Text number = Ascii(std::to_string(i));
      ASSERT_EQ(ReadVar(u"Kill", prefix + number, u"<lost>"), u"value " + number);
    }
    // The write that was running when the kill came is either complete or absent.
    const Text next = Ascii(std::to_string(last + 1));
    const Text value = ReadVar(u"Kill", prefix + next, u"<absent>");
    if (value != u"<absent>") {
      EXPECT_EQ(value, u"value " + next);
      ++interruptedWrites;
    }
  }
  // The writes of all rounds are still there: a killed writer's temporary file did not
  // disturb the next one. (On a slow machine, under the sanitizers, every kill may come
  // before a first write has returned; each round's checks above still held.)
  if (!firstReported.empty()) {
    EXPECT_NE(ReadVar(u"Kill", firstReported, u"<lost>"), u"<lost>");
  }
  RecordProperty("interruptedWritesThatLanded", interruptedWrites);
}

TEST_P(SettingsConcurrency, ProcessesStartingTogetherAgreeOnOneInstallationId) {
  auto results = RunTogether(8, [](int) {
    std::string id = ToUtf8(InstallationId());
    fwrite(id.data(), 1, id.size(), stdout);
    return 0;
  });
  ASSERT_EQ(results.size(), 8u);
  std::set<std::string> ids;
  for (const auto& [status, output] : results) {
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output.size(), 38u);
    ids.insert(output);
  }
  EXPECT_EQ(ids.size(), 1u);
  EXPECT_EQ(ToUtf8(InstallationId()), *ids.begin());
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsConcurrency, ::testing::Values(0, 1),
                         [](const auto& info) {
                           return info.param == 1 ? "SettingsFile" : "Registry";
                         });

}  // namespace
}  // namespace wb
