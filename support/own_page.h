#pragma once
// The explanation pages of ours that the view shows instead of a page it could not show: a
// certificate it could not verify, a load that failed, a page whose process ended. What each
// says and how its HTML is made are plain functions, so they are tested without the engine.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/page_error.h"

namespace wb {

// The address scheme of the pages' one button. The view never loads such an address: it takes
// the navigation a click on the button starts as the button's press.
inline constexpr std::string_view kActionScheme = "webbrowser-action:";

struct OwnPage {
  PageError error;
  std::string title;
  std::vector<std::string> details;  // paragraphs after the detail, plain text
  std::string button;
  std::string action;            // "continue", "retry" or "reload"
  std::string actionUri;         // the button's address, with the page's secret
  bool retriedByItself = false;  // "retry": the network came back once already
};

// The page for a load that failed before the page could be shown; `detail` says why, in the
// engine's words.
OwnPage NetworkErrorPage(const std::string& address, const std::string& detail);
// The page for a certificate that could not be verified: `problems` are the words of
// CertificateProblemWords, `fingerprint` its SHA-256 fingerprint.
OwnPage CertificatePage(const std::string& address, const std::string& host,
                        const std::string& fingerprint, const std::vector<std::string>& problems);
// Why a page's web process ended.
enum class ProcessEnd { kCrashed, kExceededMemory, kEndedByProgram };
OwnPage CrashedPage(const std::string& address, ProcessEnd why);

// `text` with the five characters that have a meaning in HTML ("&", "<", ">", '"' and "'")
// written as character references, so it shows as written in text and in attribute values.
std::string EscapeHtml(std::string_view text);

// `text` with each "@NAME@" whose NAME is in `values` replaced by its value, in one pass from
// the start: a value that holds such a name is not replaced again, and an "@" that opens no
// known name is kept as it is.
std::string FillTemplate(std::string_view text,
                         const std::vector<std::pair<std::string, std::string>>& values);

// The page's HTML from the design's template (the resource "error_page.html"): its title, its
// detail and paragraphs, address and button escaped; `accent` is the CSS colour of its band.
std::string OwnPageHtml(const OwnPage& page, std::string_view pageTemplate,
                        const std::string& accent);

}  // namespace wb
