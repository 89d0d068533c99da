#include "platform/program_catalog.h"

#include <libintl.h>

#include <filesystem>
#include <string_view>
#include <system_error>

#include "storage/process_values.h"
#include "support/catalog.h"
#include "support/text.h"

#ifndef WB_INSTALLED_LOCALE_DIR
#define WB_INSTALLED_LOCALE_DIR "/usr/share/locale"
#endif

namespace wb {

std::string CatalogFolder(const std::string& exePath, const std::string& installedFolder) {
  std::error_code error;
  const std::filesystem::path beside = std::filesystem::path(exePath).parent_path() / "locale";
  if (!exePath.empty() && std::filesystem::is_directory(beside, error)) return beside.string();
  return installedFolder;
}

std::string CatalogLanguageTag(const std::string& header) {
  constexpr std::string_view kField = "Language:";
  std::size_t at = header.find(kField);
  if (at == std::string::npos) return "en";
  at += kField.size();
  while (at < header.size() && header[at] == ' ') ++at;
  std::string tag;
  for (; at < header.size() && header[at] != '\n' && tag.size() < 35; ++at) {
    const char c = header[at];
    if (c == '_' || c == '-')
      tag += '-';
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
      tag += c;
    else
      break;  // "@latin", ".UTF-8" and blanks end the tag.
  }
  if (tag.empty() || tag.front() == '-' || tag.back() == '-') return "en";
  return tag;
}

bool IsRightToLeftLanguage(const std::string& tag) {
  const std::string base = tag.substr(0, tag.find('-'));
  for (const char* rtl : {"ar", "he", "fa", "ur", "yi", "ps", "ckb", "dv", "sd", "ug"})
    if (base == rtl) return true;
  return false;
}

void UseProgramCatalogFrom(const std::string& folder) {
  bindtextdomain(kTextDomain, folder.c_str());
  // The toolkit takes UTF-8 whatever the locale's own character set.
  bind_textdomain_codeset(kTextDomain, "UTF-8");
  Catalog catalog;
  catalog.text = [](const char* id) -> const char* { return dgettext(kTextDomain, id); };
  catalog.plural = [](const char* one, const char* many, unsigned long n) -> const char* {
    return dngettext(kTextDomain, one, many, n);
  };
  // The empty message id gives the header of the catalog in use, which names its language;
  // with no catalog it gives the empty text back, and the texts are English.
  catalog.language = CatalogLanguageTag(dgettext(kTextDomain, ""));
  catalog.rightToLeft = IsRightToLeftLanguage(catalog.language);
  InstallCatalog(std::move(catalog));
}

void UseProgramCatalog() {
  UseProgramCatalogFrom(CatalogFolder(ToUtf8(ExecutablePath()), WB_INSTALLED_LOCALE_DIR));
}

}  // namespace wb
