// wbctl show: the configuration an executable carries, merged from its embedded defaults and
// its appended block, or (--effective) what its window will apply; or (--icon OUT) the icon it
// shows, or (--style OUT, --script OUT) the style or script it carries, written to a file.
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/base64_block.h"
#include "storage/config_keys.h"
#include "storage/icon_block.h"
#include "storage/page_blocks.h"
#include "storage/window_config.h"
#include "support/certificate.h"
#include "support/copy_keys.h"
#include "support/host_patterns.h"
#include "support/lower_case.h"
#include "support/maker.h"
#include "support/permissions.h"
#include "support/values.h"
#include "support/zoom_levels.h"
#include "tools/command.h"
#include "tools/config_files.h"
#include "tools/exe_target.h"
#include "tools/icon_image.h"

namespace wbctl {
namespace {

std::string YesNo(bool value) {
  return value ? "yes" : "no";
}

std::string TrueFalse(bool value) {
  return value ? "true" : "false";
}

// Items divided by ",", or "none".
std::string ListOrNone(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out.empty() ? "none" : out;
}

std::string Number(int value) {
  return value > 0 ? std::to_string(value) : "design";
}

// A colour value (red in the lowest byte) in web notation, or the design's.
std::string ColorOrDesign(std::int32_t color) {
  return color > 0 ? wb::WebColor(color) : "design";
}

// What the window does with the key, as the program reads it; empty for the keys that the
// window's design lines (caption, banner, links, bars) show.
std::string EffectiveValue(const wb::ValueList& values, const wb::ConfigKey& key) {
  const wb::Text value = wb::ConfiguredValue(values, key.name);
  const std::string utf8 = wb::ToUtf8(value);
  switch (key.kind) {
    case wb::KeyKind::kCaption:
    case wb::KeyKind::kBanner:
    case wb::KeyKind::kLinks:
    case wb::KeyKind::kVis:
      return {};
    case wb::KeyKind::kSize:
      return Number(wb::ConfiguredSize(values, key.name));
    case wb::KeyKind::kColor:
      return ColorOrDesign(wb::ConfiguredColor(values, key.name));
    case wb::KeyKind::kAddress:
      return utf8.empty() ? "none" : utf8;
    case wb::KeyKind::kSwitch:
      return TrueFalse(wb::ConfiguredSwitch(values, key.name));
    case wb::KeyKind::kZoom:
      return std::to_string(wb::ConfiguredZoom(value));
    case wb::KeyKind::kTrust:
      return ListOrNone(wb::ParseTrustList(utf8).Texts());
    case wb::KeyKind::kAllow: {
      std::vector<std::string> allowed;
      for (wb::PermissionKind kind : wb::ParseAllowList(utf8).kinds)
        allowed.emplace_back(wb::PermissionKindName(kind));
      return ListOrNone(allowed);
    }
    case wb::KeyKind::kHosts:
    case wb::KeyKind::kDirectHosts:
      return ListOrNone(wb::ParseHostPatterns(utf8).patterns);
    case wb::KeyKind::kAgent: {
      const std::string agent = wb::UserAgentFor(wb::ParseUserAgent(utf8), "ENGINE");
      return agent.empty() ? "engine" : agent;
    }
    case wb::KeyKind::kProxy: {
      const wb::ProxyKey proxy = wb::ParseProxy(utf8);
      return proxy.mode == wb::ProxyMode::kSystem ? "system"
             : proxy.mode == wb::ProxyMode::kNone ? "none"
                                                  : proxy.address;
    }
    case wb::KeyKind::kScheme: {
      const std::optional<bool> dark = wb::ConfiguredTriState(values, key.name);
      return !dark ? "desktop" : TrueFalse(*dark);
    }
    case wb::KeyKind::kStart:
      return wb::WindowStartName(wb::ParseWindowStart(utf8));
    case wb::KeyKind::kText: {
      const std::string text = wb::ToUtf8(wb::MakerText(value));
      return text.empty() ? "none" : text;
    }
    case wb::KeyKind::kContact: {
      std::string lines;
      for (const wb::Text& line : wb::ContactLines(value))
        lines += (lines.empty() ? "" : "|") + wb::ToUtf8(line);
      return lines.empty() ? "none" : lines;
    }
    case wb::KeyKind::kWebAddress:
    case wb::KeyKind::kBaseAddress: {
      const std::string address =
          wb::ToUtf8(wb::MakerAddress(value, key.kind == wb::KeyKind::kBaseAddress));
      return address.empty() ? "none" : address;
    }
    case wb::KeyKind::kShortcuts: {
      const std::string items = wb::ShortcutsValue(wb::ParseShortcuts(utf8).items);
      return items.empty() ? "none" : items;
    }
    case wb::KeyKind::kSchemes: {
      const std::string items = wb::SchemesValue(wb::ParseSchemes(utf8).items);
      return items.empty() ? "none" : items;
    }
    case wb::KeyKind::kFiles: {
      const std::string items = wb::FilesValue(wb::ParseFiles(utf8).items);
      return items.empty() ? "none" : items;
    }
    case wb::KeyKind::kLanguages: {
      const wb::LanguagesKey lang = wb::ParseLanguages(utf8);
      std::string tags;
      for (const std::string& tag : lang.tags) tags += (tags.empty() ? "" : ",") + tag;
      return tags.empty() ? "locale" : tags;
    }
    case wb::KeyKind::kFolderName: {
      const std::string name = wb::ToUtf8(wb::VendorName(value));
      return name.empty() ? "none" : name;
    }
  }
  return {};
}

void PrintEffective(const wb::WindowConfig& config, std::ostream& out) {
  out << "caption=" << wb::ToUtf8(wb::EffectiveCaption(config)) << "\n";
  out << "banner=" << (config.bannerShown ? "shown" : "hidden") << "\n";
  out << "banner-caption=" << wb::ToUtf8(config.bannerCaption) << "\n";
  for (const auto& link : config.linkButtons) {
    out << "link=" << wb::ToUtf8(link.caption) << "\t" << wb::ToUtf8(link.address) << "\t"
        << link.icon << "\n";
  }
  out << "menu=" << YesNo(config.bars.menu) << "\n";
  out << "navbar=" << YesNo(config.bars.navbar) << "\n";
  out << "address=" << YesNo(config.bars.address) << "\n";
  out << "linkbar=" << YesNo(config.bars.linkbar) << "\n";
  out << "strip=" << YesNo(config.bars.strip) << "\n";
  out << "statusbar=" << YesNo(config.bars.statusbar) << "\n";
  for (const wb::ConfigKey& key : wb::kConfigKeys) {
    const std::string value = EffectiveValue(config.resList, key);
    if (!value.empty()) out << wb::ToUtf8(key.name) << "=" << value << "\n";
  }
  out << "style="
      << (config.style.empty() ? "none" : std::to_string(config.style.size()) + " bytes") << "\n";
  out << "script="
      << (config.script.empty() ? "none" : std::to_string(config.script.size()) + " bytes") << "\n";
}

// Writes the style or script block `name` of the executable to `out`, as brand stored it.
int WritePageBlock(const std::string& exe, std::u16string_view name, const std::string& out) {
  const wb::PageBlock block = wb::ReadPageBlockChecked(exe, name);
  const std::string what = name == wb::kStyleBlockName ? "style" : "script";
  if (!block.present) return Fail("\"" + exe + "\": carries no " + what);
  if (!block.problem.empty())
    return Fail("\"" + exe + "\": its " + what + " " + BlockProblemPredicate(block.problem));
  try {
    wb::WriteFileAtomically(out, block.text);
  } catch (const wb::FileError& e) {
    return Fail("\"" + out + "\": cannot write: " + e.reason());
  }
  return 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Writes the icon the executable shows to `out`: the file as the copy carries it when the
// name's extension is that of its format, else a PNG drawing of it. Says which icon it was.
int WriteIcon(const std::string& exe, const std::string& out) {
  const ExecutableIcon icon = ReadExecutableIcon(exe);
  if (icon.bytes.empty()) return Fail("\"" + exe + "\": carries no icon");
  const std::string where = "\"" + exe + "\" icon";
  const IconPicture picture = CheckIconPicture(icon.bytes, where);
  const std::string lower = wb::AsciiLowerCase(out);
  const bool asIs = EndsWith(lower, "." + picture.format);
  const std::string bytes = asIs ? icon.bytes : IconPng(icon.bytes, where);
  try {
    wb::WriteFileAtomically(out, bytes);
  } catch (const wb::FileError& e) {
    return Fail("\"" + out + "\": cannot write: " + e.reason());
  }
  std::cout << "icon=" << (icon.own ? "copy" : "program") << "\n";
  return 0;
}

// Writes the logo the copy's about box shows to `out`, as WriteIcon writes the icon.
int WriteLogo(const std::string& exe, const std::string& out) {
  if (!LooksLikeElf(exe)) return Fail("\"" + exe + "\": not a readable ELF executable");
  const wb::Base64Block logo = wb::ReadBase64Block(exe, wb::kLogoBlockName, wb::kMaxIconBytes);
  if (!logo.problem.empty())
    return Fail("\"" + exe + "\": its logo " + BlockProblemPredicate(logo.problem));
  if (!logo.present || logo.bytes.empty()) return Fail("\"" + exe + "\": carries no logo");
  const std::string where = "\"" + exe + "\" logo";
  const IconPicture picture = CheckIconPicture(logo.bytes, where);
  const bool asIs = EndsWith(wb::AsciiLowerCase(out), "." + picture.format);
  try {
    wb::WriteFileAtomically(out, asIs ? logo.bytes : IconPng(logo.bytes, where));
  } catch (const wb::FileError& e) {
    return Fail("\"" + out + "\": cannot write: " + e.reason());
  }
  return 0;
}

int RunShow(const std::vector<std::string>& args) {
  bool effective = false;
  std::string iconOut, styleOut, scriptOut, logoOut;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--effective") {
      effective = true;
    } else if (arg == "--icon") {
      if (i + 1 >= args.size()) throw UsageError("--icon needs a file name to write");
      iconOut = args[++i];
    } else if (arg == "--style" || arg == "--script" || arg == "--logo") {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a file name to write");
      (arg == "--style" ? styleOut : arg == "--script" ? scriptOut : logoOut) = args[++i];
    } else if (arg.rfind("--", 0) == 0) {
      throw UsageError("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) throw UsageError("show needs one EXE");
  const int outputs =
      effective + !iconOut.empty() + !styleOut.empty() + !scriptOut.empty() + !logoOut.empty();
  if (outputs > 1)
    throw UsageError("give one of --effective, --icon, --logo, --style and --script");
  RequireProgramCopy(files[0]);
  if (!iconOut.empty()) return WriteIcon(files[0], iconOut);
  if (!logoOut.empty()) return WriteLogo(files[0], logoOut);
  if (!styleOut.empty() || !scriptOut.empty()) {
    if (!LooksLikeElf(files[0])) return Fail("\"" + files[0] + "\": not a readable ELF executable");
    return styleOut.empty() ? WritePageBlock(files[0], wb::kScriptBlockName, scriptOut)
                            : WritePageBlock(files[0], wb::kStyleBlockName, styleOut);
  }
  const wb::ValueList values = ReadExecutableConfig(files[0]);
  if (effective) {
    wb::WindowConfig config = wb::WindowConfigFromValues(values);
    config.style = wb::ReadPageBlock(files[0], wb::kStyleBlockName);
    config.script = wb::ReadPageBlock(files[0], wb::kScriptBlockName);
    PrintEffective(config, std::cout);
  } else {
    for (const auto& entry : values) std::cout << wb::ToUtf8(entry) << "\n";
  }
  std::cout.flush();
  return std::cout ? 0 : Fail("cannot write the output");
}

// What "wbctl help show" prints after the usage line.
constexpr const char* kHelp =
    "Prints the configuration a copy carries, its embedded defaults and then its\n"
    "block of NAME=VALUE lines; or writes its icon, style or script to a file.\n"
    "\n"
    "Options:\n"
    "  --effective    print what the window applies, key by key\n"
    "  --icon OUT     write the icon (as carried when OUT's extension is its format,\n"
    "                 else as PNG)\n"
    "  --style OUT    write the style sheet\n"
    "  --script OUT   write the script\n"
    "\n"
    "Example:\n"
    "  wbctl show ~/Apps/acme\n"
    "  wbctl show --icon acme.png ~/Apps/acme\n";

}  // namespace

const Command kShowCommand{
    "show", "show [--effective | --icon OUT | --logo OUT | --style OUT | --script OUT] EXE",
    &RunShow, kHelp};

}  // namespace wbctl
