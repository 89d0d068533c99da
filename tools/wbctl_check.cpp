// wbctl check: lints a configuration, of an executable or in a text file of name=value lines,
// for what a person shipping a branded copy would want to know before shipping it.
#include <sys/stat.h>

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/base64_block.h"
#include "storage/config_keys.h"
#include "storage/icon_block.h"
#include "storage/page_blocks.h"
#include "storage/value_list.h"
#include "storage/window_config.h"
#include "support/address_parts.h"
#include "support/block_text.h"
#include "support/certificate.h"
#include "support/copy_keys.h"
#include "support/fields.h"
#include "support/host_patterns.h"
#include "support/lower_case.h"
#include "support/maker.h"
#include "support/permissions.h"
#include "support/values.h"
#include "support/vendor_name.h"
#include "support/zoom_levels.h"
#include "tools/command.h"
#include "tools/config_check.h"
#include "tools/config_files.h"
#include "tools/exe_target.h"
#include "tools/icon_image.h"

namespace wbctl {
namespace {

// Exit status for a file that cannot be checked at all (1 means findings).
constexpr int kExitCannotCheck = 2;

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// An address the program loads as it is written: one with a scheme, as the web view decides
// before it resolves a partial address, whose parts a load can use (for the web's own schemes a
// host, a port of digits up to 65535).
bool IsAbsoluteUrl(wb::TextView s) {
  return wb::ParseAddress(wb::ToUtf8(s)).valid;
}

bool IsExistingFile(wb::TextView s) {
  struct stat info;
  return !s.empty() && ::stat(wb::ToUtf8(s).c_str(), &info) == 0;
}

class Findings {
 public:
  void Add(wb::TextView key, const std::string& problem) {
    lines_.push_back(wb::ToUtf8(key) + ": " + problem);
    keys_.push_back(wb::ToUtf8(key));
  }
  const std::vector<std::string>& lines() const { return lines_; }
  const std::vector<std::string>& keys() const { return keys_; }

 private:
  std::vector<std::string> lines_;
  std::vector<std::string> keys_;  // the key of each line
};

// `what` introduces the address in the finding.
void CheckAddress(Findings& findings, wb::TextView key, wb::TextView address,
                  const std::string& what) {
  if (!IsAbsoluteUrl(address) && !IsExistingFile(address)) {
    findings.Add(key, what + Quote(address) + ", which is not an absolute URL or an existing file");
  }
}

void CheckSize(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (value.empty()) return;
  const int number = wb::TextToInt(value);
  if (number <= 0) {
    findings.Add(
        key, Quote(value) + " reads as " + std::to_string(number) + ", 0 or less, and is ignored");
  } else if (wb::ClassifyNumber(value) == wb::NumberForm::kTrailing) {
    findings.Add(key, Quote(value) + " has characters after the number; it reads as " +
                          std::to_string(number));
  }
}

// Words that read as false and plainly say so; any other word that is not a yes-word reads as
// false too, which its writer hardly meant.
constexpr char16_t kNoWords[] = u"n,no,nein,non,false,falsch,off,aus";

// A switch that is not a yes-word is read as a number; a number with more after it is worth a
// word, since "1 " or "2nd" switch on while looking like something else.
void CheckSwitch(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (value.empty() || wb::IsListMember(wb::AsciiLowerCase(value), wb::kYesWords, u",")) return;
  if (wb::ClassifyNumber(value) == wb::NumberForm::kTrailing) {
    findings.Add(key, Quote(value) + " has characters after the number; it reads as " +
                          (wb::TextToBool(value) ? "true" : "false"));
  } else if (wb::ClassifyNumber(value) == wb::NumberForm::kNone &&
             !wb::IsListMember(wb::AsciiLowerCase(value), kNoWords, u",")) {
    // "maybe" reads as false without a word; a maker who wrote it meant something else.
    findings.Add(key, Quote(value) + " is neither a yes nor a no; it reads as false");
  }
}

void CheckColor(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (value.empty()) return;
  const std::int32_t color = wb::TextToColor(value);
  if (color <= 0) {
    findings.Add(key, Quote(value) + " reads as " + std::to_string(color) +
                          ", 0 or less, and is ignored (black cannot be configured)");
    return;
  }
  // Web notation: "#" and six digits, which are read as blue, green and red pairs.
  const bool web = value.size() > 6 && value[0] == u'#';
  const bool trailing =
      web ? value.size() > 7 || !std::all_of(value.begin() + 1, value.end(), IsHexDigit)
          : wb::ClassifyNumber(value) == wb::NumberForm::kTrailing;
  if (trailing) {
    findings.Add(key, Quote(value) + " has characters after the colour; it reads as " +
                          std::to_string(color));
  } else if (color > 0xFFFFFF) {
    findings.Add(key, Quote(value) + " is beyond #FFFFFF; only its lowest three bytes count");
  }
}

// The zoom is a percentage within the zoom's bounds; "%" after the number is fine.
void CheckZoom(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (value.empty()) return;
  const int number = wb::TextToInt(value);
  const int applied = wb::ConfiguredZoom(value);
  if (number <= 0) {
    findings.Add(key, Quote(value) + " reads as " + std::to_string(number) + ", 0 or less; " +
                          std::to_string(applied) + " % applies");
    return;
  }
  if (number != applied) {
    findings.Add(key, Quote(value) + " is outside " + std::to_string(wb::kMinZoom) + " to " +
                          std::to_string(wb::kMaxZoom) + " %; " + std::to_string(applied) +
                          " % applies");
  }
  const bool percentSign =
      value.size() > 1 && value.back() == u'%' &&
      wb::ClassifyNumber(value.substr(0, value.size() - 1)) == wb::NumberForm::kWhole;
  if (!percentSign && wb::ClassifyNumber(value) == wb::NumberForm::kTrailing) {
    findings.Add(key, Quote(value) + " has characters after the number; it reads as " +
                          std::to_string(number));
  }
}

void CheckVis(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text vis = wb::ValueOf(values, key);
  wb::Text ignored;
  for (std::size_t i = 0; i < vis.size(); ++i) {
    const char16_t c = vis[i];
    const bool used = c == u'm' || c == u'n' || c == u'a' || c == u'l' || c == u'-' ||
                      (c == u's' && i > 0 && vis[i - 1] == u'-');
    if (!used && ignored.find(c) == wb::Text::npos) ignored += c;
  }
  if (!ignored.empty()) {
    findings.Add(key, Quote(vis) + ": these characters are ignored: " + Quote(ignored) +
                          " (the letters are m, n, a, l and -s, lower case)");
  }
}

void CheckLinks(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  if (wb::ValueOf(values, key).empty()) return;
  if (wb::SameName(wb::TrimBlanks(wb::TextView(wb::ValueOf(values, key))), wb::kNoLinks)) return;
  const wb::ValueList links = wb::LinkListFromConfig(values);
  const auto buttons = wb::LinkButtons(links);
  for (std::size_t i = 0; i < links.size(); ++i) {
    if (links[i].find(u'=') == wb::Text::npos) {
      findings.Add(key, "entry " + Quote(links[i]) +
                            " has no \"=\"; its button has no caption and does nothing");
      continue;
    }
    const wb::Text& caption = buttons[i].caption;
    CheckAddress(findings, key, buttons[i].address, Quote(caption) + " has the address ");
    const wb::Text value = wb::EntryValue(links[i]);
    const auto comma = value.find(u',');
    if (comma != wb::Text::npos &&
        wb::ClassifyNumber(value.substr(comma + 1)) != wb::NumberForm::kWhole) {
      findings.Add(key, "icon " + Quote(value.substr(comma + 1)) + " of " + Quote(caption) +
                            " is not a whole number; it reads as " +
                            std::to_string(buttons[i].icon));
    }
  }
}

void CheckTrust(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::TrustList trust = wb::ParseTrustList(wb::ToUtf8(wb::ValueOf(values, key)));
  for (const auto& item : trust.invalid) {
    findings.Add(key, Quote(wb::FromUtf8(item)) +
                          " is not a SHA-256 fingerprint (64 hexadecimal digits, colons "
                          "optional) or HOST=FINGERPRINT; it is ignored");
  }
}

void CheckAllow(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::AllowList allow = wb::ParseAllowList(wb::ToUtf8(wb::ValueOf(values, key)));
  for (const auto& item : allow.invalid) {
    findings.Add(key, Quote(wb::FromUtf8(item)) + " is no permission kind (" +
                          wb::PermissionKindNames() + "); it is ignored");
  }
}

void CheckLanguages(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::LanguagesKey lang = wb::ParseLanguages(wb::ToUtf8(wb::ValueOf(values, key)));
  for (const auto& item : lang.invalid) {
    findings.Add(key, Quote(wb::FromUtf8(item)) +
                          " is no language tag (such as de, pt-BR) or one past the first " +
                          std::to_string(wb::kMaxLanguageTags) + "; it is ignored");
  }
}

// The items of a shortcuts, schemes or files value that the copy leaves out.
void CheckItems(Findings& findings, wb::TextView key, const std::vector<std::string>& invalid,
                std::size_t max) {
  for (const auto& item : invalid) {
    findings.Add(key, Quote(wb::FromUtf8(item)) + " is malformed or one past the first " +
                          std::to_string(max) + "; it is ignored");
  }
}

// Returns the patterns, for the checks that depend on them.
wb::HostPatterns CheckHostPatterns(Findings& findings, const wb::ValueList& values,
                                   wb::TextView key) {
  wb::HostPatterns patterns = wb::ParseHostPatterns(wb::ToUtf8(wb::ValueOf(values, key)));
  for (const auto& item : patterns.invalid) {
    findings.Add(key, Quote(wb::FromUtf8(item)) +
                          " is not a host name or \"*.\" and a host name (no scheme, port or "
                          "path); it is ignored");
  }
  return patterns;
}

// Hosts that go direct mean something only while the requests go through a proxy address.
void CheckDirectHosts(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::HostPatterns direct = CheckHostPatterns(findings, values, key);
  const wb::ProxyKey proxy = wb::ParseProxy(wb::ToUtf8(wb::ValueOf(values, u"proxy")));
  if (!direct.empty() && proxy.mode != wb::ProxyMode::kCustom)
    findings.Add(key, "has no effect without a proxy address in proxy=");
}

void CheckAgent(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  const wb::UserAgentKey agent = wb::ParseUserAgent(wb::ToUtf8(value));
  if (agent.append && agent.text.empty()) {
    findings.Add(key, "\"+\" appends nothing; the engine's own agent applies");
  } else if (!agent.valid) {
    findings.Add(key, Quote(value) + " is not 1 to " + std::to_string(wb::kMaxUserAgent) +
                          " printable ASCII characters; the engine's own agent applies");
  }
}

void CheckProxy(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (!wb::ParseProxy(wb::ToUtf8(value)).valid) {
    findings.Add(key, Quote(value) +
                          " is not system, none or SCHEME://HOST:PORT (http, https, socks5, "
                          "socks4, no user or path); the desktop's proxy settings apply");
  }
}

void CheckStart(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  bool known = true;
  wb::ParseWindowStart(wb::ToUtf8(value), &known);
  if (!known) {
    findings.Add(
        key, Quote(value) + " is not normal, maximized or fullscreen; the window starts normal");
  }
}

void CheckGo(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text go = wb::ValueOf(values, key);
  if (!go.empty()) CheckAddress(findings, key, go, "the start address is ");
}

// The maker's texts are shown as they are; only what the about box cannot hold is worth a word.
void CheckMakerText(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (wb::TrimBlanks(wb::TextView(value)).size() > wb::kMaxMakerText)
    findings.Add(key, "is longer than " + std::to_string(wb::kMaxMakerText) +
                          " characters; the rest is cut off");
}

void CheckContact(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  std::size_t dropped = 0;
  wb::ContactLines(wb::ValueOf(values, key), &dropped);
  if (dropped > 0)
    findings.Add(key, "has more than " + std::to_string(wb::kMaxContactLines) +
                          " lines; the about box leaves out the last " + std::to_string(dropped));
  const wb::Text value = wb::ValueOf(values, key);
  for (std::size_t start = 0, bar = 0; bar != wb::Text::npos; start = bar + 1) {
    bar = value.find(u'|', start);
    const wb::TextView line = wb::TextView(value).substr(start, bar - start);
    if (wb::TrimBlanks(line).size() > wb::kMaxMakerText)
      findings.Add(key, "a line is longer than " + std::to_string(wb::kMaxMakerText) +
                            " characters; the rest is cut off");
  }
}

void CheckMakerAddress(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const wb::Text value = wb::ValueOf(values, key);
  if (wb::TrimBlanks(wb::TextView(value)).empty() || !wb::MakerAddress(value).empty()) return;
  findings.Add(key, Quote(value) + " is not an http or https address; it is left out");
}

void CheckFolderName(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  const std::string problem = wb::VendorNameProblem(wb::ValueOf(values, key));
  if (!problem.empty()) findings.Add(key, problem + "; the copy keeps the program's own folders");
}

void CheckHosts(Findings& findings, const wb::ValueList& values, wb::TextView key) {
  CheckHostPatterns(findings, values, key);
}

// Each kind's check, once; each reads the key's value from the list itself. The caption
// takes any value.
void CheckKey(Findings& findings, const wb::ValueList& values, const wb::ConfigKey& key) {
  switch (key.kind) {
    case wb::KeyKind::kCaption:
      return;
    case wb::KeyKind::kBanner:
    case wb::KeyKind::kSwitch:
    case wb::KeyKind::kScheme:
      return CheckSwitch(findings, values, key.name);
    case wb::KeyKind::kLinks:
      return CheckLinks(findings, values, key.name);
    case wb::KeyKind::kVis:
      return CheckVis(findings, values, key.name);
    case wb::KeyKind::kSize:
      return CheckSize(findings, values, key.name);
    case wb::KeyKind::kColor:
      return CheckColor(findings, values, key.name);
    case wb::KeyKind::kAddress:
      return CheckGo(findings, values, key.name);
    case wb::KeyKind::kZoom:
      return CheckZoom(findings, values, key.name);
    case wb::KeyKind::kTrust:
      return CheckTrust(findings, values, key.name);
    case wb::KeyKind::kAllow:
      return CheckAllow(findings, values, key.name);
    case wb::KeyKind::kHosts:
      return CheckHosts(findings, values, key.name);
    case wb::KeyKind::kDirectHosts:
      return CheckDirectHosts(findings, values, key.name);
    case wb::KeyKind::kAgent:
      return CheckAgent(findings, values, key.name);
    case wb::KeyKind::kProxy:
      return CheckProxy(findings, values, key.name);
    case wb::KeyKind::kStart:
      return CheckStart(findings, values, key.name);
    case wb::KeyKind::kText:
      return CheckMakerText(findings, values, key.name);
    case wb::KeyKind::kContact:
      return CheckContact(findings, values, key.name);
    case wb::KeyKind::kWebAddress:
    case wb::KeyKind::kBaseAddress:
      return CheckMakerAddress(findings, values, key.name);
    case wb::KeyKind::kLanguages:
      return CheckLanguages(findings, values, key.name);
    case wb::KeyKind::kFolderName:
      return CheckFolderName(findings, values, key.name);
    case wb::KeyKind::kShortcuts:
      return CheckItems(findings, key.name,
                        wb::ParseShortcuts(wb::ToUtf8(wb::ValueOf(values, key.name))).invalid,
                        wb::kMaxShortcuts);
    case wb::KeyKind::kSchemes:
      return CheckItems(findings, key.name,
                        wb::ParseSchemes(wb::ToUtf8(wb::ValueOf(values, key.name))).invalid,
                        wb::kMaxSchemeHandlers);
    case wb::KeyKind::kFiles:
      return CheckItems(findings, key.name,
                        wb::ParseFiles(wb::ToUtf8(wb::ValueOf(values, key.name))).invalid,
                        wb::kMaxFileHandlers);
  }
}

// The style and script blocks an executable carries, as the program would read them, and its
// icon block, which the program shows only when it decodes to a picture that loads.
void CheckCopyBlocks(Findings& findings, const std::string& exe) {
  for (const auto name : {wb::kStyleBlockName, wb::kScriptBlockName}) {
    const wb::PageBlock block = wb::ReadPageBlockChecked(exe, name);
    if (!block.problem.empty())
      findings.Add(name,
                   BlockProblemPredicate(block.problem) + "; the copy's pages run without it");
  }
  const std::string ownIcon = "; the copy shows the program's own icon";
  const wb::Base64Block icon = wb::ReadBase64Block(exe, wb::kIconBlockName, wb::kMaxIconBytes);
  if (!icon.problem.empty()) {
    findings.Add(wb::kIconBlockName, BlockProblemPredicate(icon.problem) + ownIcon);
  } else if (icon.present) {
    try {
      CheckIconPicture(icon.bytes, "its picture");
    } catch (const std::exception& e) {
      findings.Add(wb::kIconBlockName, "holds no picture the program can show (" +
                                           std::string(e.what()) + ")" + ownIcon);
    }
  }
  const std::string noLogo = "; the about box shows no logo";
  const wb::Base64Block logo = wb::ReadBase64Block(exe, wb::kLogoBlockName, wb::kMaxIconBytes);
  if (!logo.problem.empty()) {
    findings.Add(wb::kLogoBlockName, BlockProblemPredicate(logo.problem) + noLogo);
  } else if (logo.present) {
    try {
      CheckIconPicture(logo.bytes, "its picture");
    } catch (const std::exception& e) {
      findings.Add(wb::kLogoBlockName, "holds no picture the program can show (" +
                                           std::string(e.what()) + ")" + noLogo);
    }
  }
}

// The program reads a configuration only up to its first NUL character (wb::SplitLines), so
// every line after one would be dropped without a word: the NUL is named where it stands, in
// lines counted as the reader counts them.
void CheckNul(Findings& findings, wb::TextView text) {
  const auto nul = text.find(u'\0');
  if (nul == wb::TextView::npos) return;
  std::size_t line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < nul; ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    if (text[i] == u'\r' && i + 1 < nul && text[i + 1] == u'\n') ++i;
    ++line;
    lineStart = i + 1;
  }
  findings.Add(wb::Ascii("line " + std::to_string(line)),
               "a NUL character at position " + std::to_string(nul - lineStart + 1) +
                   "; the program reads nothing from there on, so the rest is ignored");
}

void CheckValues(Findings& findings, const wb::ValueList& values) {
  for (const auto& entry : values) {
    const wb::Text name = wb::EntryName(entry);
    if (wb::FindConfigKey(name) == nullptr) findings.Add(name, "unknown key");
  }
  for (const wb::ConfigKey& key : wb::kConfigKeys) CheckKey(findings, values, key);
}

// Lines of a text file that the reader would skip.
void CheckTextLines(Findings& findings, const wb::Text& text) {
  const auto lines = wb::SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const wb::Text& line = lines[i];
    const wb::Text where = wb::Ascii("line " + std::to_string(i + 1));
    const auto firstVisible = line.find_first_not_of(u" \t");
    if (firstVisible == wb::Text::npos) continue;
    const wb::Text name = wb::EntryName(line);
    if (line.find(u'=') == wb::Text::npos || name.find_first_not_of(u" \t") == wb::Text::npos) {
      findings.Add(where, Quote(line) + " is not a name=value line and is skipped");
    }
  }
}

int RunCheck(const std::vector<std::string>& args) {
  if (args.size() != 1) return Fail("check needs one EXE or FILE", kExitCannotCheck);
  const std::string& path = args[0];
  Findings findings;
  try {
    if (LooksLikeElf(path)) {
      // An executable is linted only when it is a copy; a text file is linted as lines.
      RequireProgramCopy(path);
      CheckNul(findings, wb::FromAnsiOrUtf8(wb::ReadConfigBlock(path)));
      CheckValues(findings, ReadExecutableConfig(path));
      CheckCopyBlocks(findings, path);
    } else {
      const wb::Text text = ReadUtf8TextFile(path);
      CheckNul(findings, text);
      CheckTextLines(findings, text);
      wb::ValueList values;
      wb::TextToValues(text, values);
      CheckValues(findings, values);
    }
  } catch (const std::exception& e) {
    return Fail(e.what(), kExitCannotCheck);
  }
  for (const auto& line : findings.lines()) std::cout << line << "\n";
  return findings.lines().empty() ? 0 : 1;
}

// What "wbctl help check" prints after the usage line.
constexpr const char* kHelp =
    "Lints the configuration of a copy of the program, or of a text file of\n"
    "NAME=VALUE lines, and prints one finding a line: unknown keys, values the\n"
    "program ignores or reads otherwise than they look, blocks it cannot read. Exit\n"
    "0 without findings, 1 with findings, 2 when the file cannot be checked.\n"
    "\n"
    "Example:\n"
    "  wbctl check ~/Apps/acme\n"
    "  wbctl check acme.txt\n";

// What a key of the kind takes, in the words of the manual page.
std::string AcceptedValues(wb::KeyKind kind) {
  switch (kind) {
    case wb::KeyKind::kCaption:
      return "any text";
    case wb::KeyKind::kBanner:
    case wb::KeyKind::kSwitch:
      return "1, yes, true, on or 0, no, false, off";
    case wb::KeyKind::kScheme:
      return "1, yes, true, on or 0, no, false, off (empty: the desktop's)";
    case wb::KeyKind::kLinks:
      return "CAPTION=ADDRESS[,ICON] entries divided by |";
    case wb::KeyKind::kVis:
      return "the letters m, n, a, l and -s, lower case, or - for no bars";
    case wb::KeyKind::kSize:
      return "a number of pixels above 0";
    case wb::KeyKind::kColor:
      return "#RRGGBB, as on the web (not black)";
    case wb::KeyKind::kAddress:
      return "an absolute URL or an existing file";
    case wb::KeyKind::kZoom:
      return std::to_string(wb::kMinZoom) + " to " + std::to_string(wb::kMaxZoom) + " (%)";
    case wb::KeyKind::kTrust:
      return "SHA-256 fingerprints (64 hexadecimal digits) or HOST=FINGERPRINT, divided by ,";
    case wb::KeyKind::kAllow:
      return wb::PermissionKindNames() + ", divided by ,";
    case wb::KeyKind::kHosts:
    case wb::KeyKind::kDirectHosts:
      return "host names or *.HOST, divided by ,";
    case wb::KeyKind::kAgent:
      return "engine, a text of 1 to " + std::to_string(wb::kMaxUserAgent) +
             " printable ASCII characters, or + and a text to append";
    case wb::KeyKind::kProxy:
      return "system, none or SCHEME://HOST:PORT (http, https, socks5, socks4)";
    case wb::KeyKind::kStart:
      return "normal, maximized or fullscreen";
    case wb::KeyKind::kText:
      return "a text of at most " + std::to_string(wb::kMaxMakerText) + " characters";
    case wb::KeyKind::kContact:
      return "up to " + std::to_string(wb::kMaxContactLines) +
             " lines divided by |, each of at most " + std::to_string(wb::kMaxMakerText) +
             " characters";
    case wb::KeyKind::kWebAddress:
    case wb::KeyKind::kBaseAddress:
      return "an http:// or https:// address";
    case wb::KeyKind::kLanguages:
      return "language tags such as de, de-CH or pt-BR, divided by ,";
    case wb::KeyKind::kFolderName:
      return "a folder name of at most " + std::to_string(wb::kMaxVendorName) +
             " characters, without / or control characters, not . or ..";
    case wb::KeyKind::kShortcuts:
      return "up to " + std::to_string(wb::kMaxShortcuts) +
             " NAME=ADDRESS entries divided by |, the name without | and =, the address http or "
             "https";
    case wb::KeyKind::kSchemes:
      return "up to " + std::to_string(wb::kMaxSchemeHandlers) +
             " SCHEME=ADDRESS entries divided by |, the scheme web+ and letters or a safelisted "
             "one (mailto, tel ...), the address http or https holding %s";
    case wb::KeyKind::kFiles:
      return "up to " + std::to_string(wb::kMaxFileHandlers) +
             " TYPES=ADDRESS entries divided by |, the types divided by , each a media type and "
             "its .extensions divided by blanks";
  }
  return {};
}

std::string KnownKeys() {
  std::string names;
  for (const wb::ConfigKey& key : wb::kConfigKeys)
    names += (names.empty() ? "" : ", ") + wb::ToUtf8(key.name);
  return "the keys are " + names;
}

}  // namespace

std::vector<ConfigFinding> ConfigFindings(const wb::ValueList& values) {
  Findings findings;
  CheckValues(findings, values);
  std::vector<ConfigFinding> out;
  for (std::size_t i = 0; i < findings.lines().size(); ++i) {
    const wb::ConfigKey* key = wb::FindConfigKey(wb::FromUtf8(findings.keys()[i]));
    out.push_back(
        {findings.keys()[i], findings.lines()[i], key ? AcceptedValues(key->kind) : KnownKeys()});
  }
  return out;
}

const Command kCheckCommand{"check", "check EXE|FILE", &RunCheck, kHelp};

}  // namespace wbctl
