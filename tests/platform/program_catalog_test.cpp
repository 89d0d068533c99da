// Where the program finds its catalogs, and what a catalog's header says of its language.
#include "platform/program_catalog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace wbtest {
namespace {

TEST(ProgramCatalog, LanguageTagFromTheHeader) {
  const struct {
    const char* header;
    const char* tag;
    bool rightToLeft;
  } cases[] = {
      {"Project-Id-Version: webbrowser\nLanguage: de\nMIME-Version: 1.0\n", "de", false},
      {"Language: pt_BR\n", "pt-BR", false},
      {"Language: zh_CN\n", "zh-CN", false},
      {"Language: sr@latin\n", "sr", false},
      {"Language: ar\n", "ar", true},
      {"Language: he_IL\n", "he-IL", true},
      {"Language: \n", "en", false},  // a header without its language
      {"Language: _x\n", "en", false},
      {"", "en", false},  // no catalog: the texts are English
      {"Language: <script>\n", "en", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wb::CatalogLanguageTag(c.header), c.tag) << c.header;
    EXPECT_EQ(wb::IsRightToLeftLanguage(wb::CatalogLanguageTag(c.header)), c.rightToLeft)
        << c.header;
  }
}

TEST(ProgramCatalog, TheFolderBesideTheProgramComesFirst) {
  const std::filesystem::path dir = std::filesystem::path(std::getenv("HOME")) / "copy";
  std::filesystem::create_directories(dir);
  const std::string exe = (dir / "shop").string();
  EXPECT_EQ(wb::CatalogFolder(exe, "/usr/share/locale"), "/usr/share/locale");
  std::filesystem::create_directories(dir / "locale");
  EXPECT_EQ(wb::CatalogFolder(exe, "/usr/share/locale"), (dir / "locale").string());
  EXPECT_EQ(wb::CatalogFolder("", "/usr/share/locale"), "/usr/share/locale");
}

}  // namespace
}  // namespace wbtest
