#pragma once
// Reading the browser window's configuration without any widget: from the embedded default
// block and the block appended to the executable file to everything the window applies at
// creation. The window and wbctl share this one implementation, so `wbctl show --effective`
// tells exactly what a window will do.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/config_keys.h"
#include "storage/config_values.h"
#include "storage/value_list.h"
#include "support/certificate.h"
#include "support/copy_keys.h"
#include "support/host_patterns.h"
#include "support/maker.h"
#include "support/permissions.h"
#include "support/text.h"

namespace wb {

// The window caption of the design, kept when the configuration has no title.
inline constexpr std::u16string_view kDesignCaption = u"Web Browser";

// The name of the configuration block appended to the executable.
inline constexpr std::u16string_view kConfigBlockName = u"WebBrowser";

// The embedded default configuration, looked up with LoadResText (stored as WEBBROWSER_TXT).
inline constexpr std::u16string_view kConfigResourceName = u"WebBrowser.txt";

// The bars that the vis letters `s` leave. Every test asks whether `s` contains the text
// anywhere, exact case: "m", "n", "a", "l" keep their bar, "-s" hides the status bar; other
// characters and letters in other case are ignored. So "-" keeps only the status bar.
BarVisibility ParseVis(TextView s);

// The four built-in link entries (Home, Support, Download, Shop) over the base web address
// `base`, BaseWebAddress() when not given.
ValueList BuiltInLinkList(const Text& base = BaseWebAddress());

// The links value that means no link buttons at all. An empty value cannot say it, since it
// reads as the built-in entries; an entry without "=" would be a button without a caption.
inline constexpr std::u16string_view kNoLinks = u"none";

// The window's LinkList for the merged configuration `resList`: the built-in entries (over the
// copy's homepage when it has one), or, when "links" is not empty, its entries divided at "|"
// (the built-in ones dropped); none when it is kNoLinks (without regard to case, blanks at
// either end ignored).
ValueList LinkListFromConfig(const ValueList& resList);

// The link buttons that AddLinkList builds from `links`, in bar order (left to right, which is
// list order). AddLinkList creates them from the last entry to the first, each placed at the
// front of the bar, so the rightmost button is created first. Each entry's value is that of
// the first entry with the same name (without regard to case); the address is the value up
// to its first ",", the icon TextToInt of the rest (0 when empty or not a number). An entry
// without "=" gives a button with an empty caption.
std::vector<LinkButtonSpec> LinkButtons(const ValueList& links);

// rParam: the configuration block ResList, merged from the embedded default block
// (`resourceBytes`) and then the "WebBrowser" block of the file `exePath`, opened for reading
// only while others may read and write it. Each block's bytes are read as UTF-8 when they are
// well-formed UTF-8 with a byte over 127, else in the ANSI code page (FromAnsiOrUtf8). A missing
// resource, a missing file or a file without that block contributes nothing. A file that exists but
// cannot be read raises the file layer's error (it names the file and the reason).
ValueList ReadConfigSources(std::string_view resourceBytes, const std::string& exePath);

// The "WebBrowser" block of the file `exePath`, as bytes (FromAnsiOrUtf8 reads them); empty when
// the file does not exist or holds no such block. Of a block over 16 MiB only the whole lines in
// its first 16 MiB are read, so memory stays bounded and the window still starts.
std::string ReadConfigBlock(const std::string& exePath);

// What the window applies for the merged configuration `resList`: every row of kConfigKeys
// read into the member it names, in the table's order.
WindowConfig WindowConfigFromValues(const ValueList& resList);

// The configuration of the executable `exePath` with the embedded defaults `resourceBytes`:
// ReadConfigSources, then WindowConfigFromValues, and the style and script blocks of the file.
WindowConfig ReadWindowConfig(std::string_view resourceBytes, const std::string& exePath);

// The copy's maker as the configuration names it.
CopyMaker MakerOf(const WindowConfig& config);

// The caption the window shows: `config.caption`, or kDesignCaption when it is empty.
Text EffectiveCaption(const WindowConfig& config);

}  // namespace wb
