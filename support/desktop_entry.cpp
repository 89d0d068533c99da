#include "support/desktop_entry.h"

#include <algorithm>

#include "support/ascii.h"

namespace wb {
namespace {

constexpr std::string_view kFilesKey = "X-WebBrowser-Files";
constexpr std::string_view kFoldersKey = "X-WebBrowser-Folders";
// Each item: the SHA-256 of a file in lower-case hex, a blank, the file's relative path.
constexpr std::string_view kSumsKey = "X-WebBrowser-Sums";

bool IsSha256Hex(std::string_view text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

bool IsNameCharacter(char c) {
  return IsAsciiAlnum(c) || c == '_' || c == '-' || c == '.';
}

// A list value: each item escaped, with ";" inside an item written "\;", and ";" after
// every item.
std::string ListValue(const std::vector<std::string>& items) {
  std::string value;
  for (const auto& item : items) {
    for (char c : EscapeDesktopValue(item)) {
      if (c == ';') value += '\\';
      value += c;
    }
    value += ';';
  }
  return value;
}

std::vector<std::string> SplitList(std::string_view value) {
  std::vector<std::string> items;
  std::string raw;
  // An item that is empty once unescaped (an escape that stands for nothing) is no item.
  const auto take = [&items](const std::string& escaped) {
    std::string item = UnescapeDesktopValue(escaped);
    if (!item.empty()) items.push_back(std::move(item));
  };
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
      raw += ';';
      ++i;
    } else if (value[i] == '\\' && i + 1 < value.size()) {
      raw += value[i];
      raw += value[++i];
    } else if (value[i] == ';') {
      take(raw);
      raw.clear();
    } else {
      raw += value[i];
    }
  }
  take(raw);
  return items;
}

}  // namespace

bool IsDesktopName(std::string_view name) {
  return !name.empty() && name.size() <= 255 && name.front() != '.' && name.front() != '-' &&
         std::all_of(name.begin(), name.end(), IsNameCharacter);
}

std::string WindowClassOf(std::string_view fileName) {
  std::string windowClass(fileName);
  if (!windowClass.empty() && windowClass[0] >= 'a' && windowClass[0] <= 'z') {
    windowClass[0] = static_cast<char>(windowClass[0] - 'a' + 'A');
  }
  return windowClass;
}

std::string EscapeDesktopValue(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == ' ' && i == 0) {
      out += "\\s";
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeDesktopValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size()) break;
    switch (value[i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        out += value[i];
    }
  }
  return out;
}

std::string QuoteExecArgument(std::string_view utf8) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = utf8.empty() || utf8.find_first_of(kReserved) != std::string_view::npos;
  std::string out = quote ? "\"" : "";
  for (char c : utf8) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  return out;
}

std::string DesktopEntryText(const DesktopEntry& entry) {
  std::string text = "[Desktop Entry]\n";
  auto line = [&text](std::string_view key, const std::string& value) {
    text.append(key).append("=").append(value).append("\n");
  };
  line("Type", "Application");
  line("Version", "1.4");
  line("Name", EscapeDesktopValue(entry.name));
  // The Exec value is a string as any other, so the quoted argument is escaped once more.
  line("Exec", EscapeDesktopValue(QuoteExecArgument(entry.executable) +
                                  (entry.autostart ? " --hidden" : " %u")));
  line("TryExec", EscapeDesktopValue(entry.executable));
  line("Icon", EscapeDesktopValue(entry.icon));
  line("StartupWMClass", EscapeDesktopValue(entry.windowClass));
  // A start into the tray shows no window, so the desktop must not wait for one.
  line("StartupNotify", entry.autostart ? "false" : "true");
  line("Terminal", "false");
  if (!entry.autostart) line("Categories", "Network;");
  if (!entry.mimeTypes.empty() && !entry.autostart) line("MimeType", ListValue(entry.mimeTypes));
  // The actions are named by their place, which any name or address of a site makes valid. An
  // entry that starts the copy at login offers none.
  std::vector<std::string> ids;
  if (!entry.autostart) {
    for (std::size_t i = 0; i < entry.actions.size(); ++i)
      ids.push_back("shortcut" + std::to_string(i + 1));
  }
  if (!ids.empty()) line("Actions", ListValue(ids));
  if (entry.record) {
    line(kFilesKey, ListValue(entry.files));
    line(kFoldersKey, ListValue(entry.folders));
    std::vector<std::string> sums;
    for (const auto& [file, sum] : entry.sums) sums.push_back(sum + " " + file);
    line(kSumsKey, ListValue(sums));
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    text += "\n[Desktop Action " + ids[i] + "]\n";
    line("Name", EscapeDesktopValue(entry.actions[i].name));
    line("Exec", EscapeDesktopValue(QuoteExecArgument(entry.executable) + " " +
                                    QuoteExecArgument(entry.actions[i].address)));
  }
  return text;
}

std::vector<DesktopAction> ShortcutActions(const ShortcutsKey& shortcuts) {
  std::vector<DesktopAction> actions;
  for (const SiteShortcut& s : shortcuts.items) actions.push_back({s.name, s.address});
  return actions;
}

std::vector<std::string> HandlerMimeTypes(const SchemesKey& schemes, const FilesKey& files) {
  std::vector<std::string> types;
  const auto add = [&types](std::string type) {
    if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
  };
  for (const SchemeHandler& h : schemes.items) add("x-scheme-handler/" + h.scheme);
  for (const FileHandler& h : files.items) {
    for (const FileType& t : h.types) add(t.mime);
  }
  return types;
}

InstallRecord ReadInstallRecord(std::string_view entryText) {
  InstallRecord record;
  bool inMainGroup = false;
  bool sawFiles = false;
  bool sawFolders = false;
  std::size_t start = 0;
  while (start <= entryText.size()) {
    std::size_t end = entryText.find('\n', start);
    if (end == std::string_view::npos) end = entryText.size();
    std::string_view line = entryText.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    // The first of a repeated key counts, as it does for the desktop.
    if (key == kFilesKey && !sawFiles) {
      sawFiles = true;
      record.files = SplitList(value);
    } else if (key == kFoldersKey && !sawFolders) {
      sawFolders = true;
      record.folders = SplitList(value);
    } else if (key == kSumsKey && !record.hasSums) {
      record.hasSums = true;
      for (const std::string& item : SplitList(value)) {
        const auto blank = item.find(' ');
        if (blank == std::string::npos || blank + 1 == item.size()) continue;
        const std::string sum = item.substr(0, blank);
        if (IsSha256Hex(sum)) record.sums.emplace(item.substr(blank + 1), sum);
      }
    }
  }
  record.ours = sawFiles && sawFolders;
  return record;
}

std::vector<std::string> InstalledIconPaths(std::string_view name, bool scalable) {
  std::vector<std::string> paths;
  for (int size : kDesktopIconSizes) {
    const std::string side = std::to_string(size);
    paths.push_back("icons/hicolor/" + side + "x" + side + "/apps/" + std::string(name) + ".png");
  }
  if (scalable) paths.push_back("icons/hicolor/scalable/apps/" + std::string(name) + ".svg");
  return paths;
}

bool IsInstalledIconPath(std::string_view relative, std::string_view name) {
  if (!IsDesktopName(name)) return false;
  const auto paths = InstalledIconPaths(name, true);
  return std::find(paths.begin(), paths.end(), relative) != paths.end();
}

bool IsInstallFolder(std::string_view relative) {
  if (relative == "applications") return true;
  // A folder of an icon path: the path up to one of its "/", for any copy's name.
  for (const auto& path : InstalledIconPaths("x", true)) {
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      if (relative == std::string_view(path).substr(0, slash)) return true;
    }
  }
  return false;
}

}  // namespace wb
