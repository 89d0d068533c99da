// wbctl brand: makes a branded copy of an executable, that is the executable's image with one
// "WebBrowser" block appended, and with --icon, --style and --script the icon, style and script
// blocks after it, written atomically.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/base64_block.h"
#include "storage/elf_file.h"
#include "storage/fsx.h"
#include "storage/icon_block.h"
#include "storage/page_blocks.h"
#include "storage/process_values.h"
#include "storage/update_key_block.h"
#include "storage/value_list.h"
#include "storage/window_config.h"
#include "support/address.h"
#include "support/address_parts.h"
#include "support/ascii.h"
#include "support/block_text.h"
#include "support/certificate.h"
#include "support/icon_choice.h"
#include "support/site_handlers.h"
#include "support/web_reference.h"
#include "tools/apt_repository.h"
#include "tools/command.h"
#include "tools/config_check.h"
#include "tools/config_files.h"
#include "tools/exe_target.h"
#include "tools/icon_image.h"
#include "tools/site_fetch.h"

namespace wbctl {
namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

struct BrandArgs {
  std::string source;
  std::string dest;
  std::string from;
  std::string icon;
  std::string style;
  std::string script;
  std::string site;
  std::string trust;
  std::string logo;
  std::string updateKey;
  bool keepLinks = false;
  std::vector<std::string> assignments;
  bool force = false;  // write what the check refuses
};

// "--NAME FILE" or "--NAME=FILE" at `args[i]`: sets `out` and returns true.
bool FileOption(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string& out) {
  const std::string& arg = args[i];
  if (arg == "--" + name) {
    if (i + 1 >= args.size()) throw UsageError("--" + name + " needs a FILE");
    out = args[++i];
    return true;
  }
  if (arg.rfind("--" + name + "=", 0) == 0) {
    out = arg.substr(name.size() + 3);
    return true;
  }
  return false;
}

BrandArgs ParseArgs(const std::vector<std::string>& args) {
  BrandArgs parsed;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--from") {
      if (i + 1 >= args.size()) throw UsageError("--from needs a FILE");
      parsed.from = args[++i];
    } else if (arg.rfind("--from=", 0) == 0) {
      parsed.from = arg.substr(7);
    } else if (arg == "--icon") {
      if (i + 1 >= args.size()) throw UsageError("--icon needs a FILE");
      parsed.icon = args[++i];
    } else if (arg.rfind("--icon=", 0) == 0) {
      parsed.icon = arg.substr(7);
    } else if (FileOption(args, i, "style", parsed.style) ||
               FileOption(args, i, "script", parsed.script) ||
               FileOption(args, i, "logo", parsed.logo) ||
               FileOption(args, i, "update-key", parsed.updateKey)) {
      continue;
    } else if (arg == "--keep-links") {
      parsed.keepLinks = true;
    } else if (arg == "--site" || arg == "--trust") {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      (arg == "--site" ? parsed.site : parsed.trust) = args[++i];
    } else if (arg.rfind("--site=", 0) == 0) {
      parsed.site = arg.substr(7);
    } else if (arg.rfind("--trust=", 0) == 0) {
      parsed.trust = arg.substr(8);
    } else if (arg == "--force") {
      parsed.force = true;
    } else if (arg.rfind("--", 0) == 0) {
      throw UsageError("unknown option " + arg);
    } else if (positional.size() < 2) {
      positional.push_back(arg);
    } else {
      parsed.assignments.push_back(arg);
    }
  }
  if (positional.size() < 2) throw UsageError("brand needs SOURCE and DEST");
  if (!parsed.trust.empty() && parsed.site.empty()) {
    throw UsageError("--trust is for the certificate of --site");
  }
  parsed.source = positional[0];
  parsed.dest = positional[1];
  return parsed;
}

// A line of the block, checked so that it reads back as written: it must not hold a line
// break or NUL, which would cut it or end the text. Any character can be written, since a block
// that Windows-1252 cannot hold is written as UTF-8 (see BlockBytes).
void CheckLine(const wb::Text& line, const std::string& where) {
  for (char16_t c : line) {
    if (c == u'\0' || c == u'\r' || c == u'\n') {
      throw std::runtime_error(where + Quote(line) +
                               ": a value cannot hold a line break or NUL character");
    }
  }
}

constexpr std::size_t kMaxPageBytes = std::size_t{2} << 20;
constexpr std::size_t kMaxManifestBytes = std::size_t{1} << 20;

// What --site found: the lines for the block and the icon file, each told with where it came
// from.
struct SiteBrand {
  std::vector<std::string> lines;  // NAME=VALUE, UTF-8
  std::string icon;
};

void Tell(const std::string& what, const std::string& value, const std::string& from) {
  std::printf("%s: %s (from %s)\n", what.c_str(), value.c_str(), from.c_str());
}

// The key names the maker gives on the command line or in --from FILE; the site's own values
// for them are left out.
bool Given(const std::vector<wb::Text>& given, std::u16string_view key) {
  for (const wb::Text& line : given) {
    wb::Text name(wb::EntryName(line));
    while (!name.empty() && (name.back() == u' ' || name.back() == u'\t')) name.pop_back();
    while (!name.empty() && (name.front() == u' ' || name.front() == u'\t')) name.erase(0, 1);
    if (name.size() != key.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < key.size(); ++i) {
      char16_t c = name[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      if (c != key[i]) same = false;
    }
    if (same) return true;
  }
  return false;
}

// What was left out of the manifest, one line each with the reason.
void TellDropped(const std::string& what, const std::string& reason) {
  std::printf("dropped: %s: %s\n", what.c_str(), reason.c_str());
}

// The manifest's members beyond the name, start address, colour and icon, each added as the
// key that keeps it (`add` tells it), and what was left out told with its reason.
template <typename Add>
void AddManifestMembers(const wb::ManifestFacts& manifest, const Add& add) {
  // The display modes as the window's bars show them: standalone is the copy as it is, with
  // no bars; minimal-ui keeps back, forward and reload, which the navigation bar holds;
  // browser shows every bar.
  const std::string& display = manifest.display;
  if (display == "fullscreen") {
    add(u"start", "fullscreen", "the manifest's display");
  } else if (display == "minimal-ui") {
    add(u"vis", "n", "the manifest's display minimal-ui");
  } else if (display == "browser") {
    add(u"vis", "mnal", "the manifest's display browser");
  } else if (display == "standalone") {
    std::printf("display: standalone, the copy's own way (from the manifest's display)\n");
  } else if (!display.empty()) {
    TellDropped("display", "\"" + display.substr(0, 40) + "\" is no display mode the copy knows");
  }
  // A colour of 0 is none for the key, so black is written as the nearest colour that is not.
  if (std::string color = wb::ConfigColor(manifest.backgroundColor); !color.empty()) {
    add(u"background", color, "the manifest's background_color");
  } else if (wb::TrimWebBlanks(manifest.backgroundColor) == "#000" ||
             wb::AsciiLowerCase(wb::TrimWebBlanks(manifest.backgroundColor)) == "#000000") {
    add(u"background", "#010101", "the manifest's background_color (black)");
  } else if (!manifest.backgroundColor.empty()) {
    TellDropped("background_color",
                "\"" + manifest.backgroundColor.substr(0, 40) + "\" is no colour #RGB or #RRGGBB");
  }
  add(u"shortcuts", wb::ShortcutsValue(manifest.shortcuts), "the manifest's shortcuts");
  add(u"schemes", wb::SchemesValue(manifest.protocolHandlers), "the manifest's protocol_handlers");
  add(u"files", wb::FilesValue(manifest.fileHandlers), "the manifest's file_handlers");
  for (const auto& dropped : manifest.dropped) TellDropped(dropped.what, dropped.reason);
}

SiteBrand FetchSiteBrand(const BrandArgs& args, const std::vector<wb::Text>& given,
                         bool iconGiven) {
  wb::TrustList trust = wb::ParseTrustList(args.trust);
  if (!trust.invalid.empty()) {
    throw std::runtime_error("--trust: \"" + trust.invalid.front() + "\" is no fingerprint");
  }
  const std::string start = wb::ResolveAddress(args.site);
  if (!wb::ParseWebAddress(start)) {
    throw std::runtime_error("--site: \"" + args.site + "\" is no http or https address");
  }
  SiteFetcher fetcher(std::move(trust), SiteFetchLimitsFromEnvironment());
  const FetchedFile page = fetcher.Get(start, kMaxPageBytes);
  const wb::PageFacts facts = wb::ReadPageFacts(page.body);
  std::optional<wb::ManifestFacts> manifest;
  std::string manifestAddress;
  if (!facts.manifest.empty()) {
    const auto address = wb::ResolveWebReference(page.address, facts.manifest);
    if (!address)
      throw std::runtime_error("the manifest link \"" + facts.manifest + "\" is no web address");
    const FetchedFile file = fetcher.Get(*address, kMaxManifestBytes);
    manifestAddress = file.address;
    std::string error;
    manifest = wb::ReadManifest(file.body, file.address, &error, page.address);
    if (!manifest) throw std::runtime_error("\"" + file.address + "\": not a manifest: " + error);
    Tell("manifest", file.address, "<link rel=manifest>");
  }
  SiteBrand brand;
  auto add = [&](std::u16string_view key, const std::string& value, const std::string& from) {
    if (value.empty()) return;
    const std::string name = wb::ToUtf8(wb::Text(key));
    if (Given(given, key)) {
      Tell(name, value + ", but the command line's value is kept", from);
      return;
    }
    Tell(name, value, from);
    brand.lines.push_back(name + "=" + value);
  };
  std::string go = page.address;
  std::string goFrom = "the page's address";
  if (manifest && !manifest->startUrl.empty()) {
    go = manifest->startUrl;
    goFrom = "the manifest's start_url";
  }
  add(u"go", go, goFrom);
  // The certificate the maker accepted for the site is the one the copy meets there: without
  // it the customer would open the copy on the certificate page.
  if (!args.trust.empty()) add(u"trust", args.trust, "--trust");
  // The site's origin is the copy's base web address: its about box and home-page request
  // lead there, not to ours.
  add(u"homepage", wb::OriginOf(go), "the start address's origin");
  const wb::NameChoice name = wb::ChooseSiteName(manifest, facts);
  add(u"title", name.name, name.from);
  if (manifest && !wb::ConfigColor(manifest->themeColor).empty()) {
    add(u"color", wb::ConfigColor(manifest->themeColor), "the manifest's theme_color");
  } else if (!wb::ConfigColor(facts.themeColor).empty()) {
    add(u"color", wb::ConfigColor(facts.themeColor), "<meta name=theme-color>");
  }
  if (manifest && !manifest->scope.empty()) {
    const auto scope = wb::ParseWebAddress(manifest->scope);
    const auto startHost = wb::ParseWebAddress(go);
    if (scope && startHost && scope->host != startHost->host) {
      add(u"internal", scope->host, "the manifest's scope");
    }
  }
  if (manifest) AddManifestMembers(*manifest, add);
  if (iconGiven) return brand;
  for (const wb::IconCandidate& candidate : wb::IconCandidates(manifest, facts, page.address)) {
    try {
      const FetchedFile file = fetcher.Get(candidate.address, wb::kMaxIconBytes);
      std::string icon = SiteIconFile(file.body, "\"" + file.address + "\"");
      if (icon.size() > wb::kMaxIconBytes) throw std::runtime_error("the icon is too large");
      CheckIconPicture(icon, "\"" + file.address + "\"");
      brand.icon = std::move(icon);
      Tell("icon", file.address, candidate.from);
      break;
    } catch (const std::runtime_error& e) {
      Fail(std::string("icon skipped: ") + e.what(), 0);
    }
  }
  if (brand.icon.empty()) std::printf("icon: none found\n");
  return brand;
}

// The lines of the block: those of --site, then those of --from FILE, then the NAME=VALUE
// arguments.
wb::Text BlockContent(const BrandArgs& args, std::string* siteIcon) {
  std::vector<wb::Text> lines;
  if (!args.from.empty()) {
    const wb::Text text = ReadUtf8TextFile(args.from);
    if (text.find(u'\0') != wb::Text::npos) {
      throw std::runtime_error("\"" + args.from + "\": holds a NUL character");
    }
    lines = wb::SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      CheckLine(lines[i], "\"" + args.from + "\" line " + std::to_string(i + 1) + ": ");
    }
  }
  for (const std::string& assignment : args.assignments) {
    // A malformed argument would be written as U+FFFD, which is not what the maker typed.
    if (!wb::IsUtf8(assignment)) {
      throw std::runtime_error("\"" + assignment + "\" is not valid UTF-8; nothing was written");
    }
    const wb::Text line = wb::FromUtf8(assignment);
    const auto eq = line.find(u'=');
    if (eq == wb::Text::npos || wb::EntryName(line).find_first_not_of(u" \t") == wb::Text::npos) {
      throw UsageError("expected NAME=VALUE, got \"" + assignment + "\"");
    }
    CheckLine(line, "");
    lines.push_back(line);
  }
  if (!args.site.empty()) {
    SiteBrand brand = FetchSiteBrand(args, lines, !args.icon.empty());
    std::vector<wb::Text> siteLines;
    for (const std::string& line : brand.lines) {
      siteLines.push_back(wb::FromUtf8(line));
      CheckLine(siteLines.back(), "the site's ");
    }
    lines.insert(lines.begin(), siteLines.begin(), siteLines.end());
    *siteIcon = std::move(brand.icon);
  }
  // A new copy starts without our built-in link buttons, which lead to our site, not the
  // maker's (nor, for a copy of a site, anywhere on that site); the maker's links= or
  // --keep-links keep the program's own behaviour.
  if (!args.keepLinks && !Given(lines, u"links"))
    lines.insert(lines.begin(), wb::Text(u"links=") + wb::Text(wb::kNoLinks));
  wb::Text content;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) content += u"\r\n";
    content += lines[i];
  }
  return content;
}

// The block's bytes: Windows-1252 when the code page holds every value, so that a copy
// branded with such values is byte for byte what it always was, else UTF-8; the program reads
// either back as the same text (ToAnsiOrUtf8, FromAnsiOrUtf8).
std::string BlockBytes(const wb::Text& content) {
  const std::string bytes = wb::ToAnsiOrUtf8(content);
  // The start of a boundary line inside the content would end the block there. The block
  // file compares bytes in its code page, and each byte is one character of it.
  if (wb::TFSx("memory", u"m").HoldsBoundary(wb::FromAnsi(bytes))) {
    throw std::runtime_error("the content holds a block boundary line; nothing was written");
  }
  return bytes;
}

// The style or script file `path` for its block: its UTF-8 text, checked as the program reads
// it back, so that what brand writes is what the copy's pages get.
std::string ReadPageFile(const std::string& path) {
  const std::string text = ReadPictureFile(path, wb::kMaxPageBlockBytes);
  const std::string problem = wb::PageBlockProblem(text);
  if (!problem.empty()) throw std::runtime_error("\"" + path + "\": " + problem);
  return text;
}

// The lines about to be written, linted as "wbctl check" lints a copy: each finding is told
// with what its key takes, and true is returned when there is any, so that a mistyped key or a
// value the program would ignore is caught where it is made, not by the customer.
bool RefusedByCheck(const wb::Text& content) {
  wb::ValueList values;
  wb::TextToValues(content, values);
  const std::vector<ConfigFinding> findings = ConfigFindings(values);
  for (const ConfigFinding& f : findings) Fail(f.line + ": accepted: " + f.accepted);
  if (!findings.empty())
    Fail("nothing was written: mend the values above, or give --force to write them as they are");
  return !findings.empty();
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int RunBrand(const std::vector<std::string>& rawArgs) {
  const BrandArgs args = ParseArgs(rawArgs);
  if (args.source == args.dest || SameFile(args.source, args.dest)) {
    return Fail("\"" + args.dest + "\": DEST is SOURCE; brand writes a copy");
  }
  // The copy's name is its file name without the extension; one of dots alone would share
  // another copy's folders, so the program refuses to start under it.
  if (const std::string problem = wb::CopyNameProblem(wb::NameWithoutExtension(args.dest));
      !problem.empty()) {
    return Fail("\"" + args.dest + "\": " + problem + "; nothing was written");
  }
  RequireProgramCopy(args.source);
  const auto imageEnd = wb::ElfImageEnd(args.source);
  if (!imageEnd) return Fail("\"" + args.source + "\": not a readable ELF executable");
  std::string icon;
  const wb::Text content = BlockContent(args, &icon);
  const std::string block = BlockBytes(content);
  if (!args.icon.empty()) {
    icon = ReadPictureFile(args.icon, wb::kMaxIconBytes);
    CheckIconPicture(icon, "\"" + args.icon + "\"");
  }
  if (!args.force && RefusedByCheck(content)) return kExitError;
  std::string logo;
  if (!args.logo.empty()) {
    logo = ReadPictureFile(args.logo, wb::kMaxIconBytes);
    CheckIconPicture(logo, "\"" + args.logo + "\"");
  }
  std::string updateKey;
  if (!args.updateKey.empty()) {
    // The maker's key.asc of wbctl repo init, carried as the binary key gpgv reads.
    const auto armoured = wb::ReadWholeFile(args.updateKey, std::size_t{1} << 20);
    const auto key = armoured ? DearmorPublicKey(*armoured) : std::nullopt;
    if (!key || key->size() > wb::kMaxUpdateKeyBytes) {
      return Fail("\"" + args.updateKey +
                  "\": not an armoured OpenPGP public key (the key.asc of wbctl repo init)");
    }
    updateKey = *key;
  }
  const std::string style = args.style.empty() ? "" : ReadPageFile(args.style);
  const std::string script = args.script.empty() ? "" : ReadPageFile(args.script);

  // The copy is written beside DEST and renamed over it once complete, so DEST holds the old
  // file or the whole copy, whatever happens meanwhile.
  std::optional<wb::FileReplacement> copy;
  try {
    copy.emplace(args.dest, wb::ReplacementOptions{.permissions = 0755});
  } catch (const wb::FileError& e) {
    return Fail("\"" + args.dest + "\": cannot create: " + e.reason());
  }

  wb::FileStream source(args.source, wb::FileStream::Open::kRead, wb::FileStream::Share::kShared);
  {
    wb::TFSx dest(copy->TemporaryPath(), u"w");
    std::string chunk(kCopyChunk, '\0');
    std::uint64_t left = *imageEnd;
    while (left > 0) {
      const std::size_t want = left < kCopyChunk ? static_cast<std::size_t>(left) : kCopyChunk;
      if (source.Read(chunk.data(), want) != want) {
        return Fail("\"" + args.source + "\": shorter than its ELF headers say");
      }
      dest.Append(std::string_view(chunk.data(), want));
      left -= want;
    }
    // The block file writes each character as its Windows-1252 byte, so the bytes pass as
    // they are.
    dest.wBlock(wb::kConfigBlockName, wb::FromAnsi(block));
    if (!icon.empty()) wb::WriteBase64Block(dest, wb::kIconBlockName, icon);
    if (!logo.empty()) wb::WriteBase64Block(dest, wb::kLogoBlockName, logo);
    if (!style.empty()) wb::WriteBase64Block(dest, wb::kStyleBlockName, style);
    if (!script.empty()) wb::WriteBase64Block(dest, wb::kScriptBlockName, script);
    if (!updateKey.empty()) wb::WriteBase64Block(dest, wb::kUpdateKeyBlockName, updateKey);
  }
  try {
    copy->Commit();
  } catch (const wb::FileError& e) {
    return Fail("\"" + args.dest + "\": cannot write: " + e.reason());
  }
  return 0;
}

// What "wbctl help brand" prints after the usage line.
constexpr const char* kHelp =
    "Makes DEST, a branded copy of SOURCE (the program or a copy of it): its image\n"
    "with a configuration block of NAME=VALUE lines and, when given, an icon, a\n"
    "style and a script. What is written is checked as \"wbctl check\" checks it: an\n"
    "unknown key or a value its key cannot hold is refused (exit 1) and nothing is\n"
    "written.\n"
    "\n"
    "Options:\n"
    "  --site URL             name, start address, colour, icon, display, background,\n"
    "                         shortcuts, schemes and file types from the site\n"
    "  --trust FINGERPRINT    accept this certificate (SHA-256) for --site\n"
    "  --from FILE            configuration lines from a text file (UTF-8)\n"
    "  --icon FILE            the copy's icon (PNG or SVG, at most 1 MiB)\n"
    "  --style FILE           a style sheet every page of the copy gets\n"
    "  --script FILE          a script every page of the copy runs\n"
    "  --update-key FILE      the maker's public key (key.asc of wbctl repo init)\n"
    "                         that signs the notices of newer versions (update=)\n"
    "  --force                write keys and values the check refuses, as given\n"
    "  NAME=VALUE             a configuration line; \"man webbrowser\" lists the keys\n"
    "\n"
    "Example:\n"
    "  wbctl brand /usr/bin/webbrowser ~/Apps/acme --site https://shop.acme.example\n"
    "  wbctl brand /usr/bin/webbrowser ~/Apps/acme title=\"Acme Shop\" color=#204080\n";

}  // namespace

const Command kBrandCommand{
    "brand",
    "brand SOURCE DEST [--site URL [--trust FINGERPRINT]] [--from FILE] [--icon FILE] "
    "[--logo FILE] [--keep-links] [--style FILE] [--script FILE] [--update-key FILE] [--force] "
    "[NAME=VALUE ...]",
    &RunBrand, kHelp};

}  // namespace wbctl
