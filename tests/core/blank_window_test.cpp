// A window a page opened without an address, as a table of what the engine and the page do to
// it and what the window's side does in return.
#include "model/blank_window.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace wbtest {
namespace {

using Step = wb::BlankWindow::Step;

const char* Name(Step step) {
  switch (step) {
    case Step::kNone:
      return "-";
    case Step::kShow:
      return "show";
    case Step::kLoadHere:
      return "here";
    case Step::kSendOut:
      return "out";
    case Step::kClose:
      return "close";
    case Step::kDownloadInOpener:
      return "download";
    case Step::kDownloadInOpenerAndClose:
      return "download+close";
  }
  return "?";
}

// Events, one word each: "ready" (the engine would show it), "empty@MS" and "written@MS" (the
// page looked at, MS after it was made), "in:ADDRESS" and "out:ADDRESS" (a navigation the
// new-window rule keeps inside or sends out), "commit", "download".
std::string Steps(const std::string& events) {
  wb::BlankWindow window(1000, 10000);
  std::istringstream in(events);
  std::string word, steps;
  while (in >> word) {
    Step step = Step::kNone;
    if (word == "ready")
      step = window.ReadyToShow();
    else if (word == "commit")
      step = window.Committed();
    else if (word == "download")
      step = window.Download();
    else if (word.rfind("empty@", 0) == 0)
      step = window.Looked(false, 1000 + std::stoll(word.substr(6)));
    else if (word.rfind("written@", 0) == 0)
      step = window.Looked(true, 1000 + std::stoll(word.substr(8)));
    else if (word.rfind("in:", 0) == 0)
      step = window.Navigation(word.substr(3), true);
    else if (word.rfind("out:", 0) == 0)
      step = window.Navigation(word.substr(4), false);
    steps += std::string(steps.empty() ? "" : " ") + Name(step);
  }
  return steps;
}

TEST(BlankWindow, TheFirstAddressDecides) {
  const struct {
    const char* events;
    const char* steps;
  } rows[] = {
      // Sent inside: shown once its page has come, not before, though the engine asked first.
      {"ready empty@200 in:http://in/a commit", "- - here show"},
      {"in:http://in/a ready commit", "here - show"},
      // Once it is a child window, later navigations are its own and decide nothing.
      {"in:http://in/a commit ready out:http://out/b", "here - show -"},
      // Sent out: the address is handed on and the window goes; nothing after it counts.
      {"ready out:http://out/b commit empty@20000", "- out - -"},
      // The page's own blank addresses decide nothing; the real one after them does.
      {"in:about:blank out:about:blank in: out:http://out/b", "- - - out"},
      // Written to: shown at once, and its first address still decides.
      {"ready empty@200 written@400 written@600 out:http://out/b", "- - show - out"},
      {"written@100 in:http://in/a commit", "show here -"},
      // Neither written to nor sent anywhere: closed at the limit, never shown.
      {"ready empty@9999 empty@10000 written@10200 in:http://in/a", "- - close - -"},
      // A download before a page of its own is the opener's; a hidden window goes with it.
      {"in:http://in/file download commit", "here download+close -"},
      {"written@100 in:http://in/file download", "show here download"},
      // A download once its page has come is the window's own business.
      {"in:http://in/a commit download", "here - -"},
      {"download empty@100", "- -"},
  };
  for (const auto& row : rows) EXPECT_EQ(Steps(row.events), row.steps) << row.events;
}

TEST(BlankWindow, BlankAddresses) {
  for (const char* address : {"", "about:blank"}) EXPECT_TRUE(wb::IsBlankAddress(address));
  for (const char* address : {"about:blank#x", "about:srcdoc", "http://in/", " "})
    EXPECT_FALSE(wb::IsBlankAddress(address)) << address;
}

}  // namespace
}  // namespace wbtest
