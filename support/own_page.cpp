#include "support/own_page.h"

#include <algorithm>

#include "support/catalog.h"

namespace wb {

OwnPage NetworkErrorPage(const std::string& address, const std::string& detail) {
  OwnPage page;
  page.error.kind = "network";
  page.error.address = address;
  page.error.detail = detail;
  page.title = Tr("This page could not be reached");
  page.button = Tr("Try again");
  page.action = "retry";
  return page;
}

OwnPage CertificatePage(const std::string& address, const std::string& host,
                        const std::string& fingerprint, const std::vector<std::string>& problems) {
  OwnPage page;
  page.error.kind = "certificate";
  page.error.address = address;
  page.error.host = host;
  page.error.fingerprint = fingerprint;
  // The words come in English, as CertificateProblemWords names them, and are shown in the
  // person's language.
  for (const auto& w : problems)
    page.error.detail += (page.error.detail.empty() ? "" : " ") + std::string(Tr(w.c_str()));
  page.title = Tr("This site's certificate is not trusted");
  page.details.push_back(Format(Tr("Someone may be pretending to be {1}. Continue only if you "
                                   "know that this certificate is the one {1} uses, for example "
                                   "by comparing its fingerprint with the one its owner gave "
                                   "you."),
                                {host}));
  page.details.push_back(Format(Tr("SHA-256 fingerprint: {1}"), {fingerprint}));
  page.button = Format(Tr("Continue to {1}"), {host});
  page.action = "continue";
  return page;
}

OwnPage CrashedPage(const std::string& address, ProcessEnd why) {
  OwnPage page;
  page.error.kind = "crashed";
  page.error.address = address;
  page.error.detail = why == ProcessEnd::kExceededMemory
                          ? Tr("The page used more memory than the system allows it.")
                      : why == ProcessEnd::kEndedByProgram
                          ? Tr("The page's process was ended.")
                          : Tr("The page's process stopped unexpectedly.");
  page.title = Tr("This page stopped working");
  page.button = Tr("Reload");
  page.action = "reload";
  return page;
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string FillTemplate(std::string_view text,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('@', at);
    if (open == std::string_view::npos) break;
    const size_t close = text.find('@', open + 1);
    if (close == std::string_view::npos) break;
    const std::string_view name = text.substr(open + 1, close - open - 1);
    auto found = std::ranges::find_if(values, [name](const auto& v) { return v.first == name; });
    if (found == values.end()) {
      // The closing "@" may open the next name.
      out.append(text.substr(at, close - at));
      at = close;
      continue;
    }
    out.append(text.substr(at, open - at));
    out += found->second;
    at = close + 1;
  }
  out.append(text.substr(std::min(at, text.size())));
  return out;
}

std::string OwnPageHtml(const OwnPage& page, std::string_view pageTemplate,
                        const std::string& accent) {
  std::string detail = "<p>" + EscapeHtml(page.error.detail) + "</p>\n";
  for (const auto& d : page.details) detail += "<p>" + EscapeHtml(d) + "</p>\n";
  // The page speaks the language of the window's texts, in that language's direction.
  const Catalog& catalog = InstalledCatalog();
  return FillTemplate(pageTemplate, {{"LANG", EscapeHtml(catalog.language)},
                                     {"DIR", catalog.rightToLeft ? "rtl" : "ltr"},
                                     {"TITLE", EscapeHtml(page.title)},
                                     {"ACCENT", EscapeHtml(accent)},
                                     {"DETAIL", detail},
                                     {"ADDRESS", EscapeHtml(page.error.address)},
                                     {"ACTION", EscapeHtml(page.actionUri)},
                                     {"BUTTON", EscapeHtml(page.button)}});
}

}  // namespace wb
