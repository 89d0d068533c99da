#include "storage/window_config.h"

#include <sys/stat.h>

#include <unordered_map>

#include "storage/base64_block.h"
#include "storage/fsx.h"
#include "storage/page_blocks.h"
#include "storage/update_key_block.h"
#include "support/block_text.h"
#include "support/fields.h"
#include "support/lower_case.h"
#include "support/maker.h"
#include "support/values.h"

namespace wb {
namespace {

// The configuration block is a few lines; anything near this size is not a configuration and
// is refused rather than read into memory.
constexpr std::int64_t kMaxConfigBlock = std::int64_t{16} << 20;

bool Contains(TextView s, TextView part) {
  return s.find(part) != TextView::npos;
}

}  // namespace

BarVisibility ParseVis(TextView s) {
  BarVisibility bars;
  bars.menu = Contains(s, u"m");
  bars.navbar = Contains(s, u"n");
  bars.address = Contains(s, u"a");
  bars.linkbar = Contains(s, u"l");
  bars.strip = bars.navbar || bars.address || bars.linkbar;
  bars.statusbar = !Contains(s, u"-s");
  return bars;
}

ValueList BuiltInLinkList(const Text& base) {
  return {u"Home=" + base, u"Support=" + base + u"/support", u"Download=" + base + u"/gw/?cmd=dl",
          u"Shop=" + base + u"/tavrel"};
}

ValueList LinkListFromConfig(const ValueList& resList) {
  const Text links = ConfiguredValue(resList, u"links");
  if (links.empty()) {
    const Text homepage = ConfiguredAs<KeyKind::kBaseAddress>(resList, u"homepage");
    return homepage.empty() ? BuiltInLinkList() : BuiltInLinkList(homepage);
  }
  if (SameName(TrimBlanks(TextView(links)), kNoLinks)) return {};
  return SplitLines(ReplaceAll(links, u"|", u"\r\n"));
}

std::vector<LinkButtonSpec> LinkButtons(const ValueList& links) {
  // A block may hold tens of thousands of links, so each entry's value is found through an
  // index of the first entry of every name rather than by searching the list again, which made
  // the start take minutes. The index is complete before any entry is looked up: an entry
  // without "=" looks up the empty name, whose first entry ("=value") may come after it.
  // LowerCase keeps every character's position, so equal keys are exactly the names that
  // SameName finds equal.
  std::unordered_map<Text, std::size_t> firstOfName;
  firstOfName.reserve(links.size());
  for (std::size_t i = 0; i < links.size(); ++i) {
    const auto eq = links[i].find(u'=');
    if (eq != Text::npos) firstOfName.try_emplace(LowerCase(TextView(links[i]).substr(0, eq)), i);
  }
  std::vector<LinkButtonSpec> buttons;
  buttons.reserve(links.size());
  for (const Text& entry : links) {
    LinkButtonSpec button;
    button.caption = EntryName(entry);
    const auto first = firstOfName.find(LowerCase(button.caption));
    Text value = first == firstOfName.end() ? Text() : EntryValue(links[first->second]);
    button.address = TakeField(value, u",");
    button.icon = TextToInt(value);
    buttons.push_back(std::move(button));
  }
  return buttons;
}

std::string ReadConfigBlock(const std::string& exePath) {
  // Opening a missing file for reading would create it; a missing file has no block.
  struct stat info;
  if (::stat(exePath.c_str(), &info) != 0) return {};
  TFSx file(exePath, u"r");
  // A huge block (damaged, or branded by mistake) must not stop the program: its first
  // 16 MiB of whole lines are used, which holds every sensible configuration many times over.
  return file.rBlock(kConfigBlockName, kMaxConfigBlock, TFSx::Oversize::kKeepWholeLines);
}

ValueList ReadConfigSources(std::string_view resourceBytes, const std::string& exePath) {
  ValueList resList;
  // Each block is read as a whole, in the code page its bytes show (see FromAnsiOrUtf8): the
  // embedded defaults are plain ASCII, and a branded copy's block may be either.
  TextToValues(FromAnsiOrUtf8(resourceBytes), resList);
  TextToValues(FromAnsiOrUtf8(ReadConfigBlock(exePath)), resList);
  return resList;
}

void ReadCaption(const ValueList& values, const ConfigKey& key, WindowConfig& config) {
  config.bannerCaption = ConfiguredValue(values, key.name);
  config.bannerShown = !config.bannerCaption.empty();
  config.caption = config.bannerCaption;
}

void ReadBanner(const ValueList& values, const ConfigKey& key, WindowConfig& config) {
  const Text showBanner = ConfiguredValue(values, key.name);
  if (!showBanner.empty()) config.bannerShown = TextToBool(showBanner);
}

void ReadLinks(const ValueList& values, const ConfigKey&, WindowConfig& config) {
  config.linkList = LinkListFromConfig(values);
  config.linkButtons = LinkButtons(config.linkList);
}

void ReadVis(const ValueList& values, const ConfigKey& key, WindowConfig& config) {
  config.vis = ConfiguredValue(values, key.name);
  if (!config.vis.empty()) {
    config.visApplied = true;
    config.bars = ParseVis(config.vis);
  }
}

WindowConfig WindowConfigFromValues(const ValueList& resList) {
  WindowConfig config;
  config.resList = resList;
  // In the table's order, which puts the title before showbanner, which may overrule it.
  for (const ConfigKey& key : kConfigKeys) key.read(resList, key, config);
  return config;
}

WindowConfig ReadWindowConfig(std::string_view resourceBytes, const std::string& exePath) {
  WindowConfig config = WindowConfigFromValues(ReadConfigSources(resourceBytes, exePath));
  config.style = ReadPageBlock(exePath, kStyleBlockName);
  config.script = ReadPageBlock(exePath, kScriptBlockName);
  config.updateKey = ReadBase64Block(exePath, kUpdateKeyBlockName, kMaxUpdateKeyBytes).bytes;
  return config;
}

CopyMaker MakerOf(const WindowConfig& config) {
  return {config.maker, config.homepage, config.contact, config.shop, config.support};
}

Text EffectiveCaption(const WindowConfig& config) {
  return config.caption.empty() ? Text(kDesignCaption) : config.caption;
}

}  // namespace wb
