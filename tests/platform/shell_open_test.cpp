#include "platform/shell_open.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "storage/process_values.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

using wbtest::ReadFile;
using wbtest::WriteFile;

void WriteScript(const fs::path& path, const std::string& content) {
  WriteFile(path, content);
  chmod(path.c_str(), 0755);
}

// A script that writes its arguments, one a line, to `out`. It writes a temporary file and
// renames it, so a reader never sees half of it.
std::string RecorderScript(const fs::path& out) {
  return "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out.string() + ".tmp'\nmv '" + out.string() +
         ".tmp' '" + out.string() + "'\n";
}

// Waits for the handler's record. The handler runs in another process, so this polls, with a
// limit, instead of sleeping a fixed time.
std::string WaitForFile(const fs::path& path) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() > limit) return "(nothing received)";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ReadFile(path);
}

std::string ReplaceSpaces(std::string s, const std::string& by) {
  for (std::size_t p = 0; (p = s.find(' ', p)) != std::string::npos; p += by.size()) {
    s.replace(p, 1, by);
  }
  return s;
}

// Installs a desktop handler for the scheme "x-wbtest" and for plain text files, in the test's
// own XDG data and configuration directories, that records what it is handed.
class ShellOpenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path root = wbtest::TestRoot();
    out_ = root / "handler-received";
    const fs::path script = root / "bin" / "handler.sh";
    WriteScript(script, RecorderScript(out_));
    WriteFile(root / "data-dirs" / "applications" / "wbtest-handler.desktop",
              "[Desktop Entry]\nType=Application\nName=Test handler\nExec=" + script.string() +
                  " %u\nMimeType=x-scheme-handler/x-wbtest;text/plain;\nNoDisplay=true\n");
    WriteFile(root / "config" / "mimeapps.list",
              "[Default Applications]\nx-scheme-handler/x-wbtest=wbtest-handler.desktop\n"
              "text/plain=wbtest-handler.desktop\n");
  }
  void SetUp() override { fs::remove(out_); }
  static inline fs::path out_;
};

TEST_F(ShellOpenTest, HandsAnAddressToTheDefaultHandler) {
  const Text address = u"x-wbtest://host/path?a=1&b=%20x";
  EXPECT_GT(ShellOpen(address, u""), 32);
  EXPECT_EQ(WaitForFile(out_), ToUtf8(address) + "\n");
}

TEST_F(ShellOpenTest, HandsAFilePathOverAsAFileUri) {
  const fs::path file = fs::path(wbtest::TestRoot()) / "docs" / "read me.txt";
  WriteFile(file, "hello\n");
  EXPECT_GT(ShellOpen(FromUtf8(file.string()), u""), 32);
  // GIO hands a handler that takes URIs the local path of a file URI.
  const std::string received = WaitForFile(out_);
  const std::string path = file.string();
  EXPECT_TRUE(received == path + "\n" || received == "file://" + ReplaceSpaces(path, "%20") + "\n")
      << received;

  // A relative path is taken from the current directory.
  fs::remove(out_);
  const fs::path cwd = fs::current_path();
  fs::current_path(file.parent_path());
  EXPECT_GT(ShellOpen(u"read me.txt", u""), 32);
  fs::current_path(cwd);
  const std::string again = WaitForFile(out_);
  EXPECT_TRUE(again == received) << again;
}

// A name and digits after a colon are a host and its port, or a file; never a scheme.
TEST_F(ShellOpenTest, AFileNamedLikeAHostAndPortIsAFile) {
  const fs::path dir = fs::path(wbtest::TestRoot()) / "ports";
  WriteFile(dir / "notes:8080", "hello\n");
  const fs::path cwd = fs::current_path();
  fs::current_path(dir);
  const int result = ShellOpen(u"notes:8080", u"");
  fs::current_path(cwd);
  EXPECT_GT(result, 32);
  const std::string received = WaitForFile(out_);
  const std::string path = (dir / "notes:8080").string();
  EXPECT_TRUE(received == path + "\n" || received == "file://" + path + "\n") << received;
}

TEST_F(ShellOpenTest, NothingToOpenOrNoHandler) {
  EXPECT_EQ(ShellOpen(u"", u""), kShellOpenNothing);
  EXPECT_EQ(ShellOpen(u"", u"--x"), kShellOpenNothing);
  EXPECT_LE(ShellOpen(u"x-no-such-scheme-wb:abc", u""), 32);
}

TEST_F(ShellOpenTest, AtStartsTheProgramsOwnExecutableWithoutAShell) {
  const ProcessValues saved = Process();
  const fs::path exe = fs::path(wbtest::TestRoot()) / "bin" / "own-program";
  WriteScript(exe, RecorderScript(out_));
  Process().executablePath = FromUtf8(exe.string());

  // Parameters that are only blanks are no parameters.
  for (const Text& none : {Text(), Text(u"   "), Text(u" \t\n ")}) {
    SCOPED_TRACE("parameters \"" + ToUtf8(none) + "\"");
    fs::remove(out_);
    EXPECT_GT(ShellOpen(u"@", none), 32);
    EXPECT_EQ(WaitForFile(out_), "\n");  // started without arguments
  }

  fs::remove(out_);
  // Shell syntax in the parameters is only split into arguments, never run.
  EXPECT_GT(ShellOpen(u"@", u"one 'two words' $(touch pwned) ;x"), 32);
  EXPECT_EQ(WaitForFile(out_), "one\ntwo words\n$(touch\npwned)\n;x\n");
  EXPECT_FALSE(fs::exists("pwned"));

  EXPECT_LE(ShellOpen(u"@", u"'unclosed"), 32);
  Process() = saved;
}

}  // namespace
}  // namespace wb
