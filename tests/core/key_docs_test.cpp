// Every key the program reads is described where a maker looks for it: the manual page's
// CONFIGURATION section, the manual's key tables and the README's short table, which lists
// every key. A key added to the table without its description fails here by name.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "storage/config_keys.h"
#include "support/text.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The first cell of a Markdown table row, or empty for any other line.
std::string FirstCell(const std::string& line) {
  if (!line.starts_with("|")) return {};
  const auto end = line.find('|', 1);
  return end == std::string::npos ? std::string() : line.substr(1, end - 1);
}

// Whether a row's first cell of the Markdown file names the key as `marked`.
bool InTableOf(const std::string& markdown, const std::string& marked) {
  for (const std::string& line : Lines(markdown))
    if (FirstCell(line).find(marked) != std::string::npos) return true;
  return false;
}

// Whether a bold tag line (".B", ".BR") of the manual page's CONFIGURATION section names the
// key as a word of its own.
bool InManualPage(const std::string& page, const std::string& key) {
  const std::regex word("(^|[\\s\",])" + key + "($|[\\s\",])");
  bool inSection = false;
  for (const std::string& line : Lines(page)) {
    if (line.starts_with(".SH")) inSection = line == ".SH CONFIGURATION";
    if (inSection && line.starts_with(".B") && std::regex_search(line.substr(3), word)) return true;
  }
  return false;
}

TEST(KeyDocs, EveryKeyIsInTheManualPageTheManualAndTheReadme) {
  const std::string source = WB_SOURCE_DIR;
  const struct {
    const char* file;
    bool (*holds)(const std::string& text, const std::string& key);
  } documents[] = {
      {"packaging/webbrowser.1", InManualPage},
      {"docs/manual.md", [](const std::string& text,
                            const std::string& key) { return InTableOf(text, "`" + key + "=`"); }},
      {"README.md", [](const std::string& text,
                       const std::string& key) { return InTableOf(text, "`" + key + "`"); }},
  };
  for (const auto& document : documents) {
    const std::string text = wbtest::ReadFile(source + "/" + document.file);
    ASSERT_FALSE(text.empty()) << document.file;
    for (const ConfigKey& key : kConfigKeys) {
      const std::string name = ToUtf8(key.name);
      EXPECT_TRUE(document.holds(text, name)) << document.file << " misses the key " << name;
    }
  }
}

// The searches find a key only where it is described, not where a text merely mentions it.
TEST(KeyDocs, TheSearchesTellADescriptionFromAMention) {
  const std::string page =
      ".SH CONFIGURATION\n.TP\n.BR width \", \" height\n.SH SEE ALSO\n"
      ".B title\n";
  EXPECT_TRUE(InManualPage(page, "height"));
  EXPECT_FALSE(InManualPage(page, "title"));  // outside the section
  EXPECT_FALSE(InManualPage(page, "eight"));
  const std::string table = "The `go=` key.\n| `zoom=` | `go=` |\n";
  EXPECT_TRUE(InTableOf(table, "`zoom=`"));
  EXPECT_FALSE(InTableOf(table, "`go=`"));  // in prose and a later cell only
}

}  // namespace
}  // namespace wb
