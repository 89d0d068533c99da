#include "support/own_page.h"

#include <algorithm>

namespace wb {

OwnPage NetworkErrorPage(const std::string& address, const std::string& detail) {
  OwnPage page;
  page.error.kind = "network";
  page.error.address = address;
  page.error.detail = detail;
  page.title = "This page could not be reached";
  page.button = "Try again";
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
  for (const auto& w : problems) page.error.detail += (page.error.detail.empty() ? "" : " ") + w;
  page.title = "This site's certificate is not trusted";
  page.details.push_back("Someone may be pretending to be " + host +
                         ". Continue only if you know that this certificate is the one " + host +
                         " uses, for example by comparing its fingerprint with the one its "
                         "owner gave you.");
  page.details.push_back("SHA-256 fingerprint: " + fingerprint);
  page.button = "Continue to " + host;
  page.action = "continue";
  return page;
}

OwnPage CrashedPage(const std::string& address, ProcessEnd why) {
  OwnPage page;
  page.error.kind = "crashed";
  page.error.address = address;
  page.error.detail =
      why == ProcessEnd::kExceededMemory   ? "The page used more memory than the system allows it."
      : why == ProcessEnd::kEndedByProgram ? "The page's process was ended."
                                           : "The page's process stopped unexpectedly.";
  page.title = "This page stopped working";
  page.button = "Reload";
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
  return FillTemplate(pageTemplate, {{"TITLE", EscapeHtml(page.title)},
                                     {"ACCENT", EscapeHtml(accent)},
                                     {"DETAIL", detail},
                                     {"ADDRESS", EscapeHtml(page.error.address)},
                                     {"ACTION", EscapeHtml(page.actionUri)},
                                     {"BUTTON", EscapeHtml(page.button)}});
}

}  // namespace wb
